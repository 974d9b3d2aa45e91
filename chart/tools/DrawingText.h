#pragma once

#include <string>

#include "DrawingLeftArrow.h"
#include "ToolLabel.h"

// A text in a frame (id 20): the frame's bottom-left corner sits on P0. The label is laid out again
// only when its text changes. Subclasses add an icon at P0 and put the frame beside it.
class DrawingText : public DrawingLeftArrow {
public:
    static constexpr int TYPE = 20;
    static constexpr unsigned char FRAME_OPACITY = 160;
    // Between an icon and the frame, px.
    static constexpr float ICON_GAP = 2.0f;

    DrawingText() : DrawingText(TYPE, nullptr, cocos2d::CCPoint(), false, 0) {}
    void refreshGeometry(bool xChanged) override;

    bool hasText() const override { return true; }
    std::string getText() const override { return text_; }
    void setText(const std::string& text) override;
    const ToolLabel& getLabel() const { return label_; }

protected:
    // frameOnLeft: the frame's right edge faces P0 instead of its left edge. frameAnchorY: the
    // height of the frame (0..1) level with P0.
    DrawingText(int type, const char* iconFrame, const cocos2d::CCPoint& iconAnchor, bool frameOnLeft,
                float frameAnchorY);
    void drawContent() override;
    // What the label shows.
    virtual std::string displayedText() const { return text_; }

    std::string text_;

private:
    ToolLabel label_{true};
    bool frameOnLeft_;
    float frameAnchorY_;
};

// The text with its frame on the left of P0 (id 21).
class DrawingTextAR : public DrawingText {
public:
    static constexpr int TYPE = 21;
    DrawingTextAR() : DrawingText(TYPE, nullptr, cocos2d::CCPoint(), true, 0) {}
};
