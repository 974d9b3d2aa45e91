#include "DrawingRect.h"

#include "CCDrawingPrimitives.h"

USING_NS_CC;

void DrawingRect::draw() {
    if (!beginDraw()) return;
    if (hasPoints(2)) {
        ccDrawSolidRect(at(0), at(1), FILL);
        strokeColour();
        ccDrawRect(at(0), at(1));
    }
    drawHandles();
    ccGLResetState();
}
