#pragma once

#include "DrawingBase.h"

// A vertical line through P0 over the full height of the chart (id 2). Hit anywhere less than
// HANDLE_HIT_RADIUS px left or right of it.
class DrawingVerticalLine : public DrawingBase {
public:
    static constexpr int TYPE = 2;
    DrawingVerticalLine() : DrawingBase(TYPE, 1) {}
    void draw() override;
    bool hitTest(const cocos2d::CCPoint& point) override;
};
