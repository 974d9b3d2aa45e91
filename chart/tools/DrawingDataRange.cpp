#include "DrawingDataRange.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "CCDrawingPrimitives.h"
#include "DrawingKLine.h"
#include "KLineBar.h"
#include "ToolGeometry.h"

USING_NS_CC;

namespace {
constexpr int64_t SECONDS_PER_DAY = 86400;
constexpr int64_t SECONDS_PER_HOUR = 3600;
constexpr int64_t SECONDS_PER_MINUTE = 60;
}  // namespace

bool DrawingDataRange::measure(const DrawingControlPoint& p0, const DrawingControlPoint& p1, int timeType,
                               std::string& text) {
    if (!p0.bar || !p1.bar) return false;
    const int64_t slot0 = int64_t{p0.bar->index} + p0.barOffset;
    const int64_t slot1 = int64_t{p1.bar->index} + p1.barOffset;
    const long long bars = std::llabs(slot0 - slot1);
    const int64_t seconds =
        std::llabs(int64_t{p0.bar->time} - int64_t{p1.bar->time} +
                   (int64_t{p0.barOffset} - p1.barOffset) * timeType * SECONDS_PER_MINUTE);
    const long long d = seconds / SECONDS_PER_DAY;
    const long long h = seconds % SECONDS_PER_DAY / SECONDS_PER_HOUR;
    const long long m = seconds % SECONDS_PER_HOUR / SECONDS_PER_MINUTE;
    char buffer[128];
    int used = std::snprintf(buffer, sizeof buffer, "%lld bars", bars);
    const char* separator = ", ";
    for (const auto& [value, unit] : {std::pair{d, 'd'}, std::pair{h, 'h'}, std::pair{m, 'm'}}) {
        if (value == 0) continue;
        used += std::snprintf(buffer + used, sizeof buffer - static_cast<size_t>(used), "%s%lld%c", separator,
                              value, unit);
        separator = " ";
    }
    text = buffer;
    return true;
}

void DrawingDataRange::refreshGeometry(bool) {
    if (!hasPoints(2)) return;
    if (const uint64_t anchors = anchorSignature(); anchors != textAnchors_) {
        textAnchors_ = anchors;
        std::string text;
        if (measure(points_[0], points_[1], chart_ ? chart_->getTimeType() : 1, text)) label_.setText(text);
    }
    label_.place(CCPoint((points_[0].x + points_[1].x) / 2, std::min(points_[0].y, points_[1].y) - TEXT_GAP),
                 CCPoint(0.5f, 1));
}

void DrawingDataRange::drawShape() {
    const float midY = (points_[0].y + points_[1].y) / 2;
    const CCPoint left(points_[0].x, midY);
    const CCPoint right(points_[1].x, midY);
    ccDrawLine(left, right);
    ToolGeometry::drawHead(left, right, HEAD_LENGTH);
    ToolGeometry::drawHead(right, left, HEAD_LENGTH);
    if (!label_.getText().empty()) label_.draw();
}
