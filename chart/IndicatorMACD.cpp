#include "IndicatorMACD.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CCDrawingPrimitives.h"
#include "CDebugModule.h"
#include "DrawingKLine.h"
#include "KLineBar.h"

USING_NS_CC;

namespace {
constexpr int GRID_DIVISIONS = 3;
constexpr float MIN_BAR_HEIGHT = 2.0f;
constexpr ccColor4F DIFF_COLOUR{0.75f, 0.6f, 0.16f, 1.0f};
constexpr ccColor4F DEA_COLOUR{0.11f, 0.45f, 0.7f, 1.0f};
constexpr ccColor4F RISING_COLOUR{0.75f, 0.26f, 0.26f, 1.0f};
constexpr ccColor4F FALLING_COLOUR{0.17f, 0.6f, 0.26f, 1.0f};
}  // namespace

IndicatorMACD* IndicatorMACD::createPane(DrawingKLine* chart, float width, float height) {
    return createAutoreleased<IndicatorMACD>(&IndicatorMACD::init, chart, width, height);
}

IndicatorMACD::IndicatorMACD() : IndicatorBase(TYPE_MACD, "MACD(12,26,9)", GRID_DIVISIONS) {}

IndicatorMACD::~IndicatorMACD() {
    logInfo("IndicatorMACD delete");
}

void IndicatorMACD::onScaleChanged(float barWidth, float halfWidth, int period) {
    IndicatorBase::onScaleChanged(barWidth, halfWidth, period);
    if (!hasVisibleBars()) return;
    float largest = 0;
    for (const KLineBar* bar : visibleBars())
        largest = std::max({largest, std::fabs(bar->dif), std::fabs(bar->dea), std::fabs(bar->macd)});
    if (largest == 0 || !std::isfinite(largest)) largest = 1.0f;
    targetScale_ = (valueHeight_ / 2) / largest;
    if (!(scale_ > 0)) scale_ = 1.0f;
    scaleFrom_ = scale_;
    char text[48];
    std::snprintf(text, sizeof(text), "%.5f", static_cast<double>(-largest));
    setScaleLabelText(0, text);
    setScaleLabelText(1, nullptr);
    std::snprintf(text, sizeof(text), "%.5f", static_cast<double>(largest));
    setScaleLabelText(2, text);
    bottomValue_ = -largest;
    topValue_ = largest;
}

void IndicatorMACD::onProgress(float t) {
    if (t > 1 || !hasVisibleBars()) return;
    scale_ = scaleAt(t);
    const float zero = zeroY();
    diffLine_.clear();
    deaLine_.clear();
    for (KLineBar* bar : visibleBars()) {
        const float x = bar->drawingCache[DrawingKLine::CACHE_CLOSE].x;
        float top = zero + bar->macd * scale_;
        // Never flatter than 2 px; zero counts as falling and points down.
        if (std::fabs(top - zero) < MIN_BAR_HEIGHT)
            top = zero + (bar->macd > 0 ? MIN_BAR_HEIGHT : -MIN_BAR_HEIGHT);
        CCPoint* c = bar->drawingCache;
        c[CACHE_BAR_BOTTOM_LEFT] = CCPoint(x - halfWidth_, zero);
        c[CACHE_BAR_TOP_RIGHT] = CCPoint(x + halfWidth_, top);
        c[CACHE_DIFF] = CCPoint(x, zero + bar->dif * scale_);
        c[CACHE_DEA] = CCPoint(x, zero + bar->dea * scale_);
        diffLine_.push_back(c[CACHE_DIFF]);
        deaLine_.push_back(c[CACHE_DEA]);
    }
}

void IndicatorMACD::draw() {
    drawGrid(GRID_DIVISIONS);
    if (hasVisibleBars()) {
        for (const KLineBar* bar : visibleBars()) {
            const ccColor4F& colour = bar->macd > 0 ? RISING_COLOUR : FALLING_COLOUR;
            ccDrawSolidRect(bar->drawingCache[CACHE_BAR_BOTTOM_LEFT], bar->drawingCache[CACHE_BAR_TOP_RIGHT],
                            colour);
        }
        beginSmoothLines();
        drawSmoothLine(diffLine_, DIFF_COLOUR);
        drawSmoothLine(deaLine_, DEA_COLOUR);
        endSmoothLines();
    }
    IndicatorBase::draw();
}

void IndicatorMACD::formatInfo(const KLineBar& bar, std::string texts[INFO_LABEL_COUNT]) const {
    char text[48];
    std::snprintf(text, sizeof(text), "DIFF:%.5f", static_cast<double>(bar.dif));
    texts[0] = text;
    std::snprintf(text, sizeof(text), "DEA:%.5f", static_cast<double>(bar.dea));
    texts[1] = text;
    std::snprintf(text, sizeof(text), "MACD:%.5f", static_cast<double>(bar.macd));
    texts[2] = text;
}

ccColor3B IndicatorMACD::infoColour(int index) const {
    switch (index) {
        case 0:
            return labelColour(DIFF_COLOUR);
        case 1:
            return labelColour(DEA_COLOUR);
        default:
            return labelColour(RISING_COLOUR);
    }
}
