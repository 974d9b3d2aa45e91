#include "IndicatorTrading.h"

#include <algorithm>
#include <cstdio>

#include "CCDrawingPrimitives.h"
#include "CDebugModule.h"
#include "DrawingKLine.h"
#include "KLineBar.h"

USING_NS_CC;

namespace {
constexpr int GRID_DIVISIONS = 3;
constexpr float MIN_BAR_HEIGHT = 2.0f;
constexpr float BAR_ALPHA = 0.5f;
}  // namespace

IndicatorTrading* IndicatorTrading::createPane(DrawingKLine* chart, float width, float height) {
    return createAutoreleased<IndicatorTrading>(&IndicatorTrading::init, chart, width, height);
}

IndicatorTrading::IndicatorTrading() : IndicatorBase(TYPE_TRADING, "Trading", GRID_DIVISIONS) {}

IndicatorTrading::~IndicatorTrading() {
    logInfo("IndicatorTrading deleted");
}

void IndicatorTrading::onScaleChanged(float barWidth, float halfWidth, int period) {
    IndicatorBase::onScaleChanged(barWidth, halfWidth, period);
    if (!hasVisibleBars()) return;
    int32_t volume = 0;
    for (const KLineBar* bar : visibleBars()) volume = std::max(volume, bar->volume);
    char text[32];
    setScaleLabelText(0, "0");
    std::snprintf(text, sizeof(text), "%d", static_cast<int>(volume * 0.5));
    setScaleLabelText(1, text);
    std::snprintf(text, sizeof(text), "%d", volume);
    setScaleLabelText(2, text);
    scaleFrom_ = scale_;
    targetScale_ = valueHeight_ / static_cast<float>(volume > 0 ? volume : 1);
    bottomValue_ = 0;
    topValue_ = static_cast<float>(volume);
}

void IndicatorTrading::onProgress(float t) {
    if (t > 1 || !hasVisibleBars()) return;
    scale_ = scaleAt(t);
    for (KLineBar* bar : visibleBars()) {
        const float x = bar->drawingCache[DrawingKLine::CACHE_CLOSE].x;
        float top = baseY_ + static_cast<float>(bar->volume) * scale_;
        if (top - baseY_ < MIN_BAR_HEIGHT) top = baseY_ + MIN_BAR_HEIGHT;
        bar->drawingCache[CACHE_BOTTOM_LEFT] = CCPoint(x - halfWidth_, baseY_);
        bar->drawingCache[CACHE_TOP_RIGHT] = CCPoint(x + halfWidth_, top);
    }
}

void IndicatorTrading::draw() {
    drawGrid(GRID_DIVISIONS);
    if (hasVisibleBars()) {
        ccGLEnableBlend(true);
        ccGLBlendFunc(CC_BLEND_SRC_ALPHA, CC_BLEND_ONE_MINUS_SRC_ALPHA);
        for (const KLineBar* bar : visibleBars()) {
            const ccColor4F colour{bar->color[0], bar->color[1], bar->color[2], BAR_ALPHA};
            ccDrawSolidRect(bar->drawingCache[CACHE_BOTTOM_LEFT], bar->drawingCache[CACHE_TOP_RIGHT], colour);
        }
        ccGLResetState();
    }
    IndicatorBase::draw();
}

void IndicatorTrading::formatInfo(const KLineBar& bar, std::string texts[INFO_LABEL_COUNT]) const {
    char text[32];
    std::snprintf(text, sizeof(text), "%d", bar.volume);
    texts[0] = text;
    texts[1].clear();
    texts[2].clear();
}

ccColor3B IndicatorTrading::infoColour(int) const {
    return ccc3(180, 180, 180);
}
