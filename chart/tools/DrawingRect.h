#pragma once

#include "DrawingBase.h"

// The axis-aligned rectangle with corners P0 and P1, filled then outlined (id 8).
class DrawingRect : public DrawingBase {
public:
    static constexpr int TYPE = 8;
    static constexpr cocos2d::ccColor4F FILL{0.7f, 0.7f, 0.1f, 0.2f};

    DrawingRect() : DrawingBase(TYPE, 2) {}
    void draw() override;
};
