#pragma once

#include "DrawingLine.h"

// The segment P0-P1 with a head of two HEAD_LENGTH px strokes at P1 (id 4).
class DrawingArrow : public DrawingLine {
public:
    static constexpr int TYPE = 4;
    static constexpr float HEAD_LENGTH = 20.0f;
    DrawingArrow() : DrawingLine(TYPE, 2) {}

protected:
    void drawShape() override;
};
