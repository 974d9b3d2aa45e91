#include "IndicatorBOLL.h"

#include <cstdio>

#include "CCDrawingPrimitives.h"
#include "CDebugModule.h"
#include "DrawingKLine.h"
#include "KLineBar.h"

USING_NS_CC;

namespace {
constexpr int GRID_DIVISIONS = 5;
constexpr float WIDE_STEP_MIN_BAR_WIDTH = 4.0f;
constexpr ccColor4F STEP_COLOUR{0.11f, 0.45f, 0.7f, 1.0f};
constexpr ccColor4F BAND_COLOURS[3] = {
    {0.75f, 0.26f, 0.26f, 1.0f}, {0.75f, 0.6f, 0.16f, 1.0f}, {0.17f, 0.6f, 0.26f, 1.0f}};
}  // namespace

IndicatorBOLL* IndicatorBOLL::createPane(DrawingKLine* chart, float width, float height) {
    return createAutoreleased<IndicatorBOLL>(&IndicatorBOLL::init, chart, width, height);
}

IndicatorBOLL::IndicatorBOLL() : IndicatorBase(TYPE_BOLL, "BOLL(20)", GRID_DIVISIONS) {}

IndicatorBOLL::~IndicatorBOLL() {
    logInfo("IndicatorBOLL delete");
}

void IndicatorBOLL::onScaleChanged(float barWidth, float halfWidth, int period) {
    IndicatorBase::onScaleChanged(barWidth, halfWidth, period);
    if (!hasVisibleBars()) return;
    const std::vector<KLineBar*>& bars = visibleBars();
    float maxValue = bars.front()->bollUpper;
    float minValue = bars.front()->low;
    for (const KLineBar* bar : bars) {
        if (bar->bollUpper > maxValue) maxValue = bar->bollUpper;
        if (bar->high > maxValue) maxValue = bar->high;
        if (bar->low < minValue) minValue = bar->low;
    }
    // Bars before the first full period have no bands: the lower band's scan skips them.
    const size_t lowerFrom = bars.front()->index < period ? static_cast<size_t>(period) : 0;
    for (size_t i = lowerFrom; i < bars.size(); ++i)
        if (bars[i]->bollLower < minValue) minValue = bars[i]->bollLower;
    applyValueRange(minValue, maxValue);
    char text[48];
    std::snprintf(text, sizeof(text), "%.5f", static_cast<double>(minValue));
    setScaleLabelText(0, text);
    std::snprintf(text, sizeof(text), "%.5f", (static_cast<double>(minValue) + maxValue) / 2);
    setScaleLabelText(1, text);
    std::snprintf(text, sizeof(text), "%.5f", static_cast<double>(maxValue));
    setScaleLabelText(2, text);
    bottomValue_ = minValue;
    topValue_ = maxValue;
}

void IndicatorBOLL::onProgress(float t) {
    if (t > 1 || !hasVisibleBars()) return;
    scale_ = scaleAt(t);
    const float base = (1 - t) * baseShift_ + baseY_;
    auto y = [&](float v) { return (v - minValue_) * scale_ + base; };
    for (auto& band : bands_) band.clear();
    for (KLineBar* bar : visibleBars()) {
        CCPoint* c = bar->drawingCache;
        const float x = c[DrawingKLine::CACHE_CLOSE].x;
        c[CACHE_STEP] = CCPoint(x - halfWidth_, y(bar->open));
        c[CACHE_STEP + 1] = CCPoint(x, y(bar->open));
        c[CACHE_STEP + 2] = CCPoint(x, y(bar->close));
        c[CACHE_STEP + 3] = CCPoint(x + halfWidth_, y(bar->close));
        c[CACHE_UPPER] = CCPoint(x, y(bar->bollUpper));
        c[CACHE_MID] = CCPoint(x, y(bar->bollMid));
        c[CACHE_LOWER] = CCPoint(x, y(bar->bollLower));
        // A bar before the first full period has no bands (zeros): the lines start after it.
        if (bar->index < period_) continue;
        for (int i = 0; i < 3; ++i) bands_[i].push_back(c[CACHE_UPPER + i]);
    }
}

void IndicatorBOLL::draw() {
    drawGrid(GRID_DIVISIONS);
    if (hasVisibleBars()) {
        ccLineWidth(barWidth_ >= WIDE_STEP_MIN_BAR_WIDTH ? 2.0f : 1.0f);
        ccDrawColor4F(STEP_COLOUR.r, STEP_COLOUR.g, STEP_COLOUR.b, STEP_COLOUR.a);
        for (const KLineBar* bar : visibleBars()) ccDrawPoly(bar->drawingCache + CACHE_STEP, 4, false);
        beginSmoothLines();
        for (int i = 0; i < 3; ++i) drawSmoothLine(bands_[i], BAND_COLOURS[i]);
        endSmoothLines();
    }
    IndicatorBase::draw();
}

void IndicatorBOLL::formatInfo(const KLineBar& bar, std::string texts[INFO_LABEL_COUNT]) const {
    char text[48];
    std::snprintf(text, sizeof(text), "UPPER:%.5f", static_cast<double>(bar.bollUpper));
    texts[0] = text;
    std::snprintf(text, sizeof(text), "MID:%.5f", static_cast<double>(bar.bollMid));
    texts[1] = text;
    std::snprintf(text, sizeof(text), "LOWER:%.5f", static_cast<double>(bar.bollLower));
    texts[2] = text;
}

ccColor3B IndicatorBOLL::infoColour(int index) const {
    return labelColour(BAND_COLOURS[index % 3]);
}
