#pragma once

#include "DrawingBase.h"

// A channel (id 5): the line P0-P1 and its parallel through P2, filled between. P2 is held at the
// middle x of P0 and P1; its height sets the channel's width.
class DrawingParallelLine : public DrawingBase {
public:
    static constexpr int TYPE = 5;
    static constexpr cocos2d::ccColor4F FILL{0.1f, 0.1f, 0.7f, 0.2f};

    DrawingParallelLine() : DrawingBase(TYPE, 3) {}
    void draw() override;
    void refreshGeometry(bool xChanged) override;
};
