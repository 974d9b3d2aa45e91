#include "DrawingCircle.h"

#include <cmath>

#include "CCDrawingPrimitives.h"

USING_NS_CC;

namespace {
constexpr float MIN_AXIS = 1e-3f;
constexpr float TWO_PI = 6.2831853f;
}  // namespace

void DrawingCircle::onPointsChanged(DrawingControlPoint* handle) {
    if (hasPoints(3)) bFromP2_ = handle == &points_[2];
}

void DrawingCircle::refreshGeometry(bool) {
    outline_.clear();
    if (!hasPoints(3)) return;
    const CCPoint centre = (at(0) + at(1)) * 0.5f;
    const CCPoint axis = at(1) - centre;
    const float a = std::hypot(axis.x, axis.y);
    float b = ratio_ * a;
    if (bFromP2_ || a < MIN_AXIS) {
        b = at(2).getDistance(centre);
        if (a >= MIN_AXIS) ratio_ = b / a;
    }
    if (!std::isfinite(a) || !std::isfinite(b) || (a < MIN_AXIS && b < MIN_AXIS)) return;
    const float rotation = a < MIN_AXIS ? 0.0f : std::atan2(axis.y, axis.x);
    const float c = std::cos(rotation);
    const float s = std::sin(rotation);
    outline_.reserve(SEGMENTS);
    for (int i = 0; i < SEGMENTS; ++i) {
        const float t = TWO_PI * static_cast<float>(i) / SEGMENTS;
        const float u = a * std::cos(t);
        const float v = b * std::sin(t);
        outline_.emplace_back(centre.x + u * c - v * s, centre.y + u * s + v * c);
    }
}

void DrawingCircle::drawShape() {
    if (outline_.empty()) {
        ccDrawLine(at(0), at(1));
        return;
    }
    ccDrawSolidPoly(outline_.data(), static_cast<unsigned int>(outline_.size()), FILL);
    strokeColour();
    ccDrawPoly(outline_.data(), static_cast<unsigned int>(outline_.size()), true);
}
