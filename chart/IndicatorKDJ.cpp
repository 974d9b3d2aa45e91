#include "IndicatorKDJ.h"

#include <cstdio>

#include "CDebugModule.h"
#include "DrawingKLine.h"
#include "KLineBar.h"

USING_NS_CC;

namespace {
constexpr int GRID_DIVISIONS = 5;
constexpr float FULL_SCALE = 100.0f;
constexpr float SCALE_MARGIN = 3.0f;
constexpr ccColor4F LINE_COLOURS[3] = {
    {0.75f, 0.26f, 0.26f, 1.0f}, {0.75f, 0.6f, 0.16f, 1.0f}, {0.17f, 0.6f, 0.26f, 1.0f}};
}  // namespace

IndicatorKDJ* IndicatorKDJ::createPane(DrawingKLine* chart, float width, float height) {
    return createAutoreleased<IndicatorKDJ>(&IndicatorKDJ::init, chart, width, height);
}

IndicatorKDJ::IndicatorKDJ() : IndicatorBase(TYPE_KDJ, "KDJ(9,3,3)", GRID_DIVISIONS) {}

IndicatorKDJ::~IndicatorKDJ() {
    logInfo("IndicatorJDK delete");
}

bool IndicatorKDJ::init(DrawingKLine* chart, float width, float height) {
    if (!IndicatorBase::init(chart, width, height)) return false;
    // The scale is fixed: its labels are set once.
    setScaleLabelText(0, "0");
    setScaleLabelText(1, "50");
    setScaleLabelText(2, "100");
    bottomValue_ = 0;
    topValue_ = FULL_SCALE;
    return true;
}

void IndicatorKDJ::onScaleChanged(float barWidth, float halfWidth, int period) {
    IndicatorBase::onScaleChanged(barWidth, halfWidth, period);
}

void IndicatorKDJ::onProgress(float t) {
    if (t > 1 || !hasVisibleBars()) return;
    scale_ = (valueHeight_ - SCALE_MARGIN) / FULL_SCALE;
    for (auto& line : lines_) line.clear();
    for (KLineBar* bar : visibleBars()) {
        const float x = bar->drawingCache[DrawingKLine::CACHE_CLOSE].x;
        const float values[3] = {bar->kdjK, bar->kdjD, bar->kdjJ};
        for (int i = 0; i < 3; ++i) {
            bar->drawingCache[CACHE_K + i] = CCPoint(x, values[i] * scale_ + baseY_);
            lines_[i].push_back(bar->drawingCache[CACHE_K + i]);
        }
    }
}

void IndicatorKDJ::draw() {
    drawGrid(GRID_DIVISIONS);
    if (hasVisibleBars()) {
        beginSmoothLines();
        for (int i = 0; i < 3; ++i) drawSmoothLine(lines_[i], LINE_COLOURS[i]);
        endSmoothLines();
    }
    IndicatorBase::draw();
}

void IndicatorKDJ::formatInfo(const KLineBar& bar, std::string texts[INFO_LABEL_COUNT]) const {
    char text[48];
    std::snprintf(text, sizeof(text), "K:%.5f", static_cast<double>(bar.kdjK));
    texts[0] = text;
    std::snprintf(text, sizeof(text), "D:%.5f", static_cast<double>(bar.kdjD));
    texts[1] = text;
    std::snprintf(text, sizeof(text), "J:%.5f", static_cast<double>(bar.kdjJ));
    texts[2] = text;
}

ccColor3B IndicatorKDJ::infoColour(int index) const {
    return labelColour(LINE_COLOURS[index % 3]);
}
