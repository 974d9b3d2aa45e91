#pragma once

#include "CCLabelAtlas.h"
#include "CCLabelProtocol.h"
#include "CCNode.h"
#include "ExChangeLabelString.h"

// A number shown in the atlas font "res/fonts/number.png" (cells 10 x 18 from "-"), which the
// animated number action can glide (NumberLabel). It remembers the number it shows, so a new glide
// starts from there. Anchored at its bottom-left corner like the atlas label it holds. Main thread only.
class NumberAtlasLabel : public cocos2d::CCNode, public cocos2d::CCLabelProtocol, public NumberLabel {
public:
    static constexpr const char* FONT_IMAGE = "res/fonts/number.png";
    static constexpr unsigned int CELL_WIDTH = 10;
    static constexpr unsigned int CELL_HEIGHT = 18;
    static constexpr unsigned int FIRST_CHAR = '-';

    // Null when the font image cannot be loaded.
    static NumberAtlasLabel* create(const char* text);

    void setString(const char* text) override;
    const char* getString() const override;
    void setNumberText(const char* text) override { setString(text); }
    void setNumberValue(float value) override { value_ = value; }
    float getNumberValue() const { return value_; }

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    NumberAtlasLabel() = default;
    bool initWithText(const char* text);

    cocos2d::CCLabelAtlas* atlas_ = nullptr;
    float value_ = 0;
};
