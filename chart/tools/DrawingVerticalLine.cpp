#include "DrawingVerticalLine.h"

#include <cmath>

#include "CCDrawingPrimitives.h"

USING_NS_CC;

void DrawingVerticalLine::draw() {
    if (!beginDraw()) return;
    if (hasPoints(1)) ccDrawLine(CCPoint(points_[0].x, 0), CCPoint(points_[0].x, viewSize_.height));
    drawHandles();
    ccGLResetState();
}

bool DrawingVerticalLine::hitTest(const CCPoint& point) {
    if (hasPoints(1) && std::fabs(point.x - points_[0].x) < HANDLE_HIT_RADIUS) {
        activeHandle_ = &points_[0];
        hovered_ = true;
        onHandleHit();
        return true;
    }
    return DrawingBase::hitTest(point);
}
