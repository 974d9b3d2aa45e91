#include "DrawingPriceRange.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CCDrawingPrimitives.h"
#include "ToolGeometry.h"

USING_NS_CC;

std::string DrawingPriceRange::measure(float price0, float price1) {
    const double diff = static_cast<double>(price1) - price0;
    const double percent = diff / price1 * 100;
    char buffer[96];
    if (price1 == 0 || !std::isfinite(percent))
        std::snprintf(buffer, sizeof buffer, "%g(--)", diff);
    else
        std::snprintf(buffer, sizeof buffer, "%g(%.2f%%)", diff, percent);
    return buffer;
}

std::string DrawingPriceRange::labelText() const {
    return measure(points_[0].price, points_[1].price);
}

void DrawingPriceRange::refreshGeometry(bool) {
    if (!hasPoints(2)) return;
    if (const uint64_t anchors = anchorSignature(); anchors != textAnchors_) {
        textAnchors_ = anchors;
        label_.setText(labelText());
    }
    label_.place(CCPoint((points_[0].x + points_[1].x) / 2, std::min(points_[0].y, points_[1].y) - TEXT_GAP),
                 CCPoint(0.5f, 1));
}

void DrawingPriceRange::draw() {
    if (!beginDraw()) return;
    if (hasPoints(2)) {
        drawShape();
        label_.draw();
    }
    drawHandles();
    ccGLResetState();
}

void DrawingPriceRange::drawShape() {
    const float midX = (points_[0].x + points_[1].x) / 2;
    const CCPoint bottom(midX, points_[0].y);
    const CCPoint top(midX, points_[1].y);
    ccDrawLine(bottom, top);
    ToolGeometry::drawHead(bottom, top, HEAD_LENGTH);
    ToolGeometry::drawHead(top, bottom, HEAD_LENGTH);
}
