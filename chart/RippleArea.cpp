#include "RippleArea.h"

#include <algorithm>

#include "CCDrawingPrimitives.h"

USING_NS_CC;

RippleArea* RippleArea::create() {
    auto* area = new RippleArea();
    area->autorelease();
    return area;
}

void RippleArea::draw() {
    static const ccColor4F WHITE{1, 1, 1, 1};
    for (size_t i = 1; i < points_.size(); ++i) {
        // Clamped at the bottom so that each quad stays convex.
        const CCPoint& a = points_[i - 1];
        const CCPoint& b = points_[i];
        CCPoint quad[4] = {{a.x, 0}, {b.x, 0}, {b.x, std::max(b.y, 0.0f)}, {a.x, std::max(a.y, 0.0f)}};
        ccDrawSolidPoly(quad, 4, WHITE);
    }
}
