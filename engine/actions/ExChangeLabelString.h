#pragma once

#include <string>

#include "CCActionInterval.h"

// What an animated number label shows through: its text and the number behind it.
// Both number-label widgets implement it; the label kind says which of the two the target is.
class NumberLabel {
public:
    virtual ~NumberLabel() = default;
    virtual void setNumberText(const char* text) = 0;
    virtual void setNumberValue(float value) = 0;
};

// Glides a number label from one value to another. An early stop still ends on the final value.
// Main thread only.
class ExChangeLabelString : public cocos2d::CCActionInterval {
public:
    static constexpr const char* DEFAULT_FORMAT = "%.3f";

    // Null when the engine refuses the duration.
    static ExChangeLabelString* create(float duration, float from, float to);

    virtual const std::string& getFormat() const { return format_; }
    virtual void setFormat(const std::string& format) { format_ = format; }
    // True for the atlas-font number label, false for the TrueType one.
    virtual bool getLabelKind() const { return labelKind_; }
    virtual void setLabelKind(bool kind) { labelKind_ = kind; }

    void update(float t) override;
    void stop() override;

private:
    void show(cocos2d::CCNode* target, float value) const;

    std::string format_ = DEFAULT_FORMAT;
    bool labelKind_ = true;
    float from_ = 0;
    float to_ = 0;
};
