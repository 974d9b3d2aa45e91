#pragma once

#include "DrawingLine.h"

// From P0 through P1 on to RAY_LENGTH px from P0 (id 3). Re-derived from the anchored points on every
// frame, so it stays straight through zooms.
class DrawingRay : public DrawingLine {
public:
    static constexpr int TYPE = 3;
    DrawingRay() : DrawingLine(TYPE, 2) {}

protected:
    void drawShape() override;
};
