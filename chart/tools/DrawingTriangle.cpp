#include "DrawingTriangle.h"

#include "CCDrawingPrimitives.h"
#include "ToolGeometry.h"

USING_NS_CC;

bool DrawingTriangle::addPoint(KLineBar* bar, float price, int barOffset, bool isClick) {
    if (closed_) return true;
    DrawingBase::addPoint(bar, price, barOffset, isClick);
    fillDirty_ = true;
    if (!isClick) return false;
    const size_t count = static_cast<size_t>(placedPoints_);
    // Dropping the closing click must leave a polygon.
    if (count > MIN_CORNERS &&
        projected(points_.back()).getDistance(projected(points_[0])) < CLOSE_DISTANCE) {
        dropNewest();
        closed_ = true;
    } else if (count > MAX_CORNERS) {
        dropNewest();
        closed_ = true;
    }
    return closed_;
}

void DrawingTriangle::dropNewest() {
    forgetHandleBeyond(points_.size() - 1);
    points_.pop_back();
    --placedPoints_;
}

void DrawingTriangle::refreshGeometry(bool) {
    fillDirty_ = true;
}

void DrawingTriangle::draw() {
    if (!beginDraw()) return;
    if (closed_) {
        if (fillDirty_) {
            std::vector<CCPoint> corners;
            for (size_t i = 0; i < points_.size(); ++i) corners.push_back(at(i));
            fill_.clear();
            for (const ToolGeometry::Triangle& t : ToolGeometry::triangulate(corners))
                fill_.insert(fill_.end(), t.begin(), t.end());
            fillDirty_ = false;
        }
        for (size_t i = 0; i + 2 < fill_.size(); i += 3) ccDrawSolidPoly(&fill_[i], 3, FILL);
        strokeColour();
    }
    std::vector<CCPoint> outline;
    for (size_t i = 0; i < points_.size(); ++i) outline.push_back(at(i));
    if (outline.size() >= 2) ccDrawPoly(outline.data(), static_cast<unsigned int>(outline.size()), closed_);
    drawHandles();
    ccGLResetState();
}
