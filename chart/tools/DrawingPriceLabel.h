#pragma once

#include "DrawingText.h"

// A price tag (id 24): the pointer "tipsArrow.png" points at P0 from the right, the frame beside it
// shows the anchor price ("%g"), after the user's text when there is one.
class DrawingPriceLabel : public DrawingText {
public:
    static constexpr int TYPE = 24;
    static constexpr const char* POINTER = "tipsArrow.png";
    DrawingPriceLabel() : DrawingText(TYPE, POINTER, cocos2d::CCPoint(0, 0.5f), false, 0.5f) {}

protected:
    std::string displayedText() const override;
};
