#include "DrawingGannFan.h"

#include "CCDrawingPrimitives.h"
#include "ToolBands.h"
#include "ToolGeometry.h"

USING_NS_CC;

static_assert(DrawingGannFan::RAY_COUNT == TOOL_BAND_COUNT);

DrawingGannFan::DrawingGannFan() : DrawingLine(TYPE, 2) {
    for (int k = 0; k < RAY_COUNT; ++k) {
        labels_[static_cast<size_t>(k)] = std::make_unique<ToolLabel>(false);
        labels_[static_cast<size_t>(k)]->setText(LABELS[k]);
    }
}

CCPoint DrawingGannFan::rayThrough(int k) const {
    const CCPoint d = at(1) - at(0);
    const float f = RATIOS[k];
    return k < STEEP_RAYS ? CCPoint(points_[0].x + d.x, points_[0].y + f * d.y)
                          : CCPoint(points_[0].x + f * d.x, points_[0].y + d.y);
}

void DrawingGannFan::drawShape() {
    const CCPoint origin = at(0);
    std::array<CCPoint, RAY_COUNT> ends;
    for (int k = 0; k < RAY_COUNT; ++k)
        ends[static_cast<size_t>(k)] = ToolGeometry::rayEnd(origin, rayThrough(k));
    for (size_t k = 0; k + 1 < ends.size(); ++k) {
        const CCPoint sector[3] = {origin, ends[k], ends[k + 1]};
        ccDrawSolidPoly(sector, 3, TOOL_BAND_COLOURS[k]);
    }
    strokeColour();
    for (size_t k = 0; k < ends.size(); ++k) {
        ccDrawLine(origin, ends[k]);
        labels_[k]->place(rayThrough(static_cast<int>(k)), CCPoint(0, 0.5f));
        labels_[k]->draw();
    }
}
