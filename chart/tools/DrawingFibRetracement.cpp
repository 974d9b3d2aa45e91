#include "DrawingFibRetracement.h"

#include <cstdio>

#include "CCDrawingPrimitives.h"
#include "ToolBands.h"

USING_NS_CC;

static_assert(DrawingFibRetracement::LEVEL_COUNT == TOOL_BAND_COUNT + 1);

DrawingFibRetracement::DrawingFibRetracement() : DrawingLine(TYPE, 2) {
    for (auto& label : labels_) label = std::make_unique<ToolLabel>(false);
}

float DrawingFibRetracement::levelY(int level) const {
    const double r = LEVELS[level];
    return static_cast<float>(r * (points_[0].y - points_[1].y) + points_[1].y);
}

void DrawingFibRetracement::refreshGeometry(bool) {
    if (!hasPoints(2)) return;
    const uint64_t anchors = anchorSignature();
    const bool texts = anchors != textAnchors_;
    textAnchors_ = anchors;
    for (int k = 0; k < LEVEL_COUNT; ++k) {
        ToolLabel& label = *labels_[static_cast<size_t>(k)];
        if (texts) {
            const double r = LEVELS[k];
            const double price =
                r * (static_cast<double>(points_[0].price) - points_[1].price) + points_[1].price;
            char text[64];
            std::snprintf(text, sizeof text, "%g(%.2f)", r, price);
            label.setText(text);
        }
        label.place(CCPoint(points_[0].x - LABEL_GAP, levelY(k)), CCPoint(1, 0.5f));
    }
}

void DrawingFibRetracement::drawShape() {
    const float left = points_[0].x;
    const float right = points_[1].x;
    for (int k = 0; k + 1 < LEVEL_COUNT; ++k) {
        const float y0 = levelY(k);
        const float y1 = levelY(k + 1);
        const CCPoint band[4] = {{left, y0}, {right, y0}, {right, y1}, {left, y1}};
        ccDrawSolidPoly(band, 4, TOOL_BAND_COLOURS[k]);
    }
    for (const auto& label : labels_) label->draw();
    strokeColour();
    for (int k = 0; k < LEVEL_COUNT; ++k) ccDrawLine(CCPoint(left, levelY(k)), CCPoint(right, levelY(k)));
    ccDrawColor4F(TOOL_GREY.r, TOOL_GREY.g, TOOL_GREY.b, TOOL_GREY.a);
    ccDrawLine(at(0), at(1));
}
