#include "DrawingLine.h"

#include "CCDrawingPrimitives.h"

USING_NS_CC;

void DrawingLine::draw() {
    if (!beginDraw()) return;
    if (hasPoints(2)) drawShape();
    drawHandles();
    ccGLResetState();
}

void DrawingLine::drawShape() {
    ccDrawLine(at(0), at(1));
}
