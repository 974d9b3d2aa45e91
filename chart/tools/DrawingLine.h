#pragma once

#include "DrawingBase.h"

// The segment P0-P1 (id 1), and the base of the tools defined by two points: nothing is drawn until
// both exist.
class DrawingLine : public DrawingBase {
public:
    static constexpr int TYPE = 1;

    DrawingLine() : DrawingLine(TYPE, 2) {}
    void draw() override;

protected:
    DrawingLine(int type, int requiredPoints) : DrawingBase(type, requiredPoints) {}
    // The strokes in the tool's colour; called with both points present.
    virtual void drawShape();
};
