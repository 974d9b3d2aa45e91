#include "DrawingParallelLine.h"

#include "CCDrawingPrimitives.h"

USING_NS_CC;

void DrawingParallelLine::refreshGeometry(bool) {
    if (hasPoints(3)) points_[2].x = (points_[0].x + points_[1].x) / 2;
}

void DrawingParallelLine::draw() {
    if (!beginDraw()) return;
    if (hasPoints(3)) {
        const float d = points_[2].y - (points_[0].y + points_[1].y) / 2;
        const CCPoint shift(0, d);
        const CCPoint quad[4] = {at(0), at(1), at(1) + shift, at(0) + shift};
        ccDrawSolidPoly(quad, 4, FILL);
        strokeColour();
        ccDrawLine(quad[0], quad[1]);
        ccDrawLine(quad[3], quad[2]);
    } else if (hasPoints(2)) {
        ccDrawLine(at(0), at(1));
    }
    drawHandles();
    ccGLResetState();
}
