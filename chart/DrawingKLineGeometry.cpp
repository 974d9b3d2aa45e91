#include "DrawingKLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CCAction.h"
#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CCDevice.h"
#include "CCDirector.h"
#include "CCLabelTTF.h"
#include "CCSprite.h"
#include "ChartButton.h"
#include "ChartColours.h"
#include "ChartGrid.h"
#include "ChartType.h"
#include "ChartViewOwner.h"
#include "ClippingRipple.h"
#include "DrawingBase.h"
#include "DrawingKLineShared.h"
#include "IndicatorBase.h"
#include "KLineBar.h"
#include "Resources.h"
#include "RiseFallColours.h"

USING_NS_CC;
using namespace drawing_kline;

// --- zoom relations and geometry

void DrawingKLine::applyZoomRelations() {
    barWidth_ = clampWidth(barWidth_);
    barSpacing_ = std::max(barWidth_ * BAR_SPACING_FACTOR, MIN_BAR_SPACING);
    bodyHalfWidth_ = std::max(barWidth_ * BODY_HALF_FACTOR, MIN_BODY_HALF_WIDTH);
    if (barWidth_ < 5)
        candleLineWidth_ = 1;
    else if (barWidth_ < 10)
        candleLineWidth_ = 2;
    else if (barWidth_ < 15)
        candleLineWidth_ = 3;
    else
        candleLineWidth_ = 4;
    updateContentWidth();
    needLayout_ = true;
}

void DrawingKLine::updateContentWidth() {
    size_t count = barCount();
    contentWidth_ = count ? static_cast<float>(count) * barSpacing_ : getContentSize().width;
}

void DrawingKLine::computeX(KLineBar* bar) const {
    float x = static_cast<float>(bar->index) * barSpacing_ + offsetX_;
    CCPoint* c = bar->drawingCache;
    c[CACHE_BODY].x = x - bodyHalfWidth_;
    c[CACHE_BODY + 1].x = x + bodyHalfWidth_;
    c[CACHE_BODY + 2].x = x + bodyHalfWidth_;
    c[CACHE_BODY + 3].x = x - bodyHalfWidth_;
    c[CACHE_HIGH].x = x;
    c[CACHE_LOW].x = x;
    c[CACHE_CLOSE].x = x;
    for (int k = 0; k < MA_COUNT; ++k) c[CACHE_MA + k].x = x;
}

void DrawingKLine::computeY(KLineBar* bar, float base) const {
    auto y = [&](float v) { return (v - priceMin_) * priceScale_ + base; };
    CCPoint* c = bar->drawingCache;
    float openY = y(bar->open);
    float closeY = y(bar->close);
    // A body is never flatter than 2 px, so a doji stays visible.
    float bodyCloseY = std::fabs(openY - closeY) < MIN_BODY_HEIGHT ? openY + MIN_BODY_HEIGHT : closeY;
    c[CACHE_BODY].y = openY;
    c[CACHE_BODY + 1].y = openY;
    c[CACHE_BODY + 2].y = bodyCloseY;
    c[CACHE_BODY + 3].y = bodyCloseY;
    c[CACHE_HIGH].y = y(bar->high);
    c[CACHE_LOW].y = y(bar->low);
    c[CACHE_CLOSE].y = closeY;
    for (int k = 0; k < MA_COUNT; ++k) c[CACHE_MA + k].y = y(bar->ma[k]);
}

void DrawingKLine::updateGeometry() {
    if (needLayout_) updateVisibleRange();
}

void DrawingKLine::updateVisibleRange() {
    needLayout_ = false;
    visibleBars_.clear();
    size_t count = barCount();
    if (count == 0) {
        grid_->rebuildVertical(visibleBars_, KLineBarList(), barWidth_, barSpacing_, getContentSize().width,
                               timeType_);
        rebuildHorizontalGrid();
        refreshCrosshairLabels();
        return;
    }
    const float width = getContentSize().width;
    double first = offsetX_ < 0 ? std::trunc(std::fabs(static_cast<double>(offsetX_)) / barSpacing_) : 0.0;
    if (!std::isfinite(first)) first = 0;
    first = std::min(first, static_cast<double>(count - 1));
    double last = std::trunc(width / barSpacing_ + first + 2);
    if (!std::isfinite(last)) last = first;
    last = std::clamp(last, 0.0, static_cast<double>(count - 1));
    const auto from = static_cast<size_t>(first);
    const auto to = static_cast<size_t>(last);
    for (size_t i = from; i <= to; ++i) {
        KLineBar* bar = (*bars_)[i].get();
        visibleBars_.push_back(bar);
        computeX(bar);
    }
    if (KLineBar* newest = newestBar()) {
        computeX(newest);
        glidePointerToNewest();
    }
    for (auto& drawing : drawings_)
        if (drawing->isComplete()) drawing->updateX(offsetX_, barSpacing_);
    rescale();
    grid_->rebuildVertical(visibleBars_, *bars_, barWidth_, barSpacing_, getContentSize().width, timeType_);
    refreshCrosshairLabels();
}

void DrawingKLine::rescale() {
    if (visibleBars_.empty()) return;
    if (scaleAnimProgress_ != 1.0f) {
        // The running animation finishes first; bars that just came into view get their y now.
        needRescale_ = true;
        updateVerticalPositions(scaleAnimProgress_);
        return;
    }
    const float previousMin = priceMin_;
    KLineBar* highest = visibleBars_.front();
    KLineBar* lowest = visibleBars_.front();
    for (KLineBar* bar : visibleBars_) {
        if (bar->high > highest->high) highest = bar;
        if (bar->low < lowest->low) lowest = bar;
    }
    priceMax_ = highest->high;
    priceMin_ = lowest->low;
    float range = priceMax_ != priceMin_ ? priceMax_ - priceMin_ : FLAT_PRICE_RANGE;
    float newScale = priceAreaSize_.height / range;
    if (!std::isfinite(newScale)) newScale = targetPriceScale_;
    if (newScale != targetPriceScale_) {
        targetPriceScale_ = newScale;
        scaleAnimProgress_ = 0;
        priceBaseYFrom_ = (priceMin_ - previousMin) * priceScale_ + priceBaseY_;
        if (priceBaseYFrom_ == 0 || !std::isfinite(priceBaseYFrom_)) priceBaseYFrom_ = priceBaseY_;
        scaleAnimating_ = true;
        scaleAnimTime_ = SCALE_ANIM_START;
        priceScaleFrom_ = priceScale_;
    }
    needRescale_ = false;
    if (indicators_) {
        const int period = indicatorPeriod();
        for (IndicatorBase* pane : *indicators_) pane->onScaleChanged(barWidth_, bodyHalfWidth_, period);
    }
    updateVerticalPositions(scaleAnimProgress_);
}

int DrawingKLine::indicatorPeriod() const {
    return INDICATOR_PERIODS[std::clamp(indicatorPeriodIndex_, 0, 2)];
}

void DrawingKLine::updateVerticalPositions(float progress) {
    const float base = (priceBaseYFrom_ - priceBaseY_) * (1 - progress) + priceBaseY_;
    currentBaseY_ = base;
    for (KLineBar* bar : visibleBars_) computeY(bar, base);
    if (KLineBar* newest = newestBar()) {
        computeY(newest, base);
        glidePointerToNewest();
        placeLastPriceLine(newest->drawingCache[CACHE_CLOSE].y);
    }
    for (auto& drawing : drawings_) drawing->updateY(priceScale_, base, priceMin_);
    if (indicators_)
        for (IndicatorBase* pane : *indicators_) pane->onProgress(progress);
    if (!spansHighToLow(chartType_)) lineChart_->rebuild(visibleBars_, barWidth_);
    if (showMA_) rebuildMALines();
    rebuildHorizontalGrid();
    if (crossPriceLine_->isVisible()) showCrossPrice();
}

void DrawingKLine::rebuildHorizontalGrid() {
    const CCSize& size = getContentSize();
    grid_->rebuildHorizontal(barWidth_, barSpacing_, size.width, size.height,
                             [this](float y) { return priceAtY(y); });
}

void DrawingKLine::rebuildMALines() {
    for (int k = 0; k < MA_COUNT; ++k) {
        maLines_[k].clear();
        for (KLineBar* bar : visibleBars_)
            if (bar->index > MA_LINE_START[k]) maLines_[k].push_back(bar->drawingCache[CACHE_MA + k]);
    }
}

void DrawingKLine::glidePointerToNewest() {
    KLineBar* newest = newestBar();
    if (!newest) return;
    lastPricePointer_->stopActionByTag(TAG_POINTER_GLIDE);
    CCAction* glide = CCMoveTo::create(POINTER_GLIDE_TIME, newest->drawingCache[CACHE_CLOSE]);
    glide->setTag(TAG_POINTER_GLIDE);
    glide->setAmbient(true);
    lastPricePointer_->runAction(glide);
}

// --- grid

float DrawingKLine::yOfPrice(double price) const {
    if (priceMax_ <= priceMin_) return -1;
    return priceBaseY_ +
           static_cast<float>((price - priceMin_) / (priceMax_ - priceMin_)) * priceAreaSize_.height;
}

float DrawingKLine::priceAtY(float y) const {
    if (priceAreaSize_.height <= 0) return priceMin_;
    return ((y - priceBaseY_) / priceAreaSize_.height) * (priceMax_ - priceMin_) + priceMin_;
}

// --- scrolling and zooming

bool DrawingKLine::scrollTo(float x, bool noRelayout) {
    if (!std::isfinite(x)) return false;
    bool clamped = false;
    offsetX_ = x;
    const float limit = NEWEST_BAR_SHARE * getContentSize().width;
    if (pinnedStart_ && x > 0) {
        offsetX_ = 0;
        clamped = true;
    } else if (x > limit) {
        offsetX_ = limit;
        clamped = true;
    } else if (contentWidth_ + x < limit) {
        offsetX_ = limit - contentWidth_;
        clamped = true;
    }
    loadingSprite_->setPositionX(offsetX_);
    loadingSprite_->setVisible(offsetX_ > 0 && !displayOnly_);
    if (!noRelayout) applyZoomRelations();
    needRescale_ = true;
    needLayout_ = true;
    if (clamped && flinging_) stopFling();
    if (offsetX_ > 0 && owner_) owner_->loadOlderHistory();
    return clamped;
}

// Floor, not truncation: left of the oldest bar a slot is negative, and truncating would pull it
// one bar towards the series.
float DrawingKLine::snapToBar(float x) const {
    return std::floor((barSpacing_ * 0.5f + x - offsetX_) / barSpacing_) * barSpacing_ + offsetX_;
}

long long DrawingKLine::slotAt(float x) const {
    double slot = std::floor((barSpacing_ * 0.5 + x - offsetX_) / barSpacing_);
    // Far outside the data any slot will do; keep the conversion defined.
    if (!std::isfinite(slot)) return 0;
    return static_cast<long long>(std::clamp(slot, -1e12, 1e12));
}

long long DrawingKLine::slotContaining(long long time) const {
    const size_t count = barCount();
    if (count == 0 || time <= 0) return -1;
    const KLineBarList& bars = *bars_;
    auto after = std::upper_bound(bars.begin(), bars.end(), time, [](long long t, const auto& bar) {
        return t < static_cast<long long>(bar->time);
    });
    if (after == bars.begin()) return -1;
    const KLineBar* bar = std::prev(after)->get();
    // A gap in the data (a closed market) belongs to no bar.
    if (time >= static_cast<long long>(bar->time) + static_cast<long long>(timeType_) * 60) return -1;
    return bar->index;
}

float DrawingKLine::linkedLineX() const {
    const long long slot = slotContaining(linkedTime_);
    if (slot < 0 || !isSlotOnScreen(slot)) return -1;
    return offsetX_ + static_cast<float>(slot) * barSpacing_;
}

long long DrawingKLine::timeOfSlot(long long slot) const {
    const size_t count = barCount();
    if (count == 0) return 0;
    const long long step = static_cast<long long>(timeType_) * 60;
    if (slot < 0) {
        const KLineBar* first = (*bars_)[0].get();
        return static_cast<long long>(first->time) + (slot - first->index) * step;
    }
    if (slot >= static_cast<long long>(count)) {
        const KLineBar* last = newestBar();
        return static_cast<long long>(last->time) + (slot - last->index) * step;
    }
    return static_cast<long long>((*bars_)[static_cast<size_t>(slot)]->time);
}

void DrawingKLine::zoomTo(float width) {
    width = clampWidth(width);
    targetBarWidth_ = width;
    const float snapped = snapToBar(crossPoint_.x);
    crossPoint_.x = snapped;
    scaleInfo_.duration = ZOOM_DURATION;
    scaleInfo_.fromWidth = barWidth_;
    scaleInfo_.toWidth = width;
    scaleInfo_.currentWidth = barWidth_;
    scaleInfo_.anchorX = snapped;
    scaleInfo_.anchorFromOffset = snapped - offsetX_;
    scaleInfo_.reserved = 0;
    scaleInfo_.finished = false;
    if (barCount() == 0) {
        barWidth_ = width;
        targetBarWidth_ = width;
        scaleInfo_.finished = true;
        applyZoomRelations();
        return;
    }
    if (barWidth_ != targetBarWidth_ || targetBarWidth_ != scaleInfo_.toWidth) {
        stopActionByTag(TAG_ZOOM);
        ExScaleKLine* action = ExScaleKLine::create(ZOOM_DURATION, &scaleInfo_,
                                                    [this](ScaleKLineInfo* info) { applyZoomStep(info); });
        if (action) {
            action->setTag(TAG_ZOOM);
            runAction(action);
            return;
        }
    }
    scaleInfo_.finished = true;
    applyZoomRelations();
}

void DrawingKLine::applyZoomStep(ScaleKLineInfo* info) {
    barWidth_ = clampWidth(info->currentWidth);
    applyZoomRelations();
    if (barCount() != 0) {
        if (info->fromWidth > 0)
            scrollTo(info->anchorX - (info->anchorFromOffset / info->fromWidth) * info->currentWidth, true);
        needLayout_ = true;
    }
    if (info->finished) {
        const double width = barWidth_;
        if (width < SETTLED_MIN_BAR_WIDTH || width > SETTLED_MAX_BAR_WIDTH) {
            scaleInfo_.finished = true;
            stopActionByTag(TAG_ZOOM);
            const auto settled = static_cast<float>(width < SETTLED_MIN_BAR_WIDTH ? SETTLED_MIN_BAR_WIDTH
                                                                                  : SETTLED_MAX_BAR_WIDTH);
            runAction(CCSequence::create(CCDelayTime::create(SPRING_BACK_DELAY),
                                         CCCallFunc::create([this, settled] { zoomTo(settled); }), nullptr));
        }
    }
    if (KLineBar* newest = newestBar()) {
        computeX(newest);
        lastPricePointer_->stopActionByTag(TAG_POINTER_GLIDE);
        lastPricePointer_->setPosition(newest->drawingCache[CACHE_CLOSE]);
    }
}

void DrawingKLine::stopZoom() {
    stopActionByTag(TAG_ZOOM);
    targetBarWidth_ = barWidth_;
    scaleInfo_.finished = true;
}

void DrawingKLine::onButton(int tag) {
    switch (tag) {
        case 0:
            if (scaleInfo_.finished)
                zoomTo(std::clamp(barWidth_ - BUTTON_ZOOM_STEP, MIN_BAR_WIDTH, MAX_BAR_WIDTH));
            break;
        case 1:
            moveRemaining_ = contentWidth_;
            moveSpeed_ = (contentWidth_ - offsetX_) / BUTTON_MOVE_TICKS;
            break;
        case 2:
            moveRemaining_ = contentWidth_;
            moveSpeed_ = -(contentWidth_ - offsetX_) / BUTTON_MOVE_TICKS;
            break;
        case 3:
            if (scaleInfo_.finished)
                zoomTo(std::clamp(barWidth_ + BUTTON_ZOOM_STEP, MIN_BAR_WIDTH, MAX_BAR_WIDTH));
            break;
        default:
            break;
    }
}

void DrawingKLine::startScroll(float speed) {
    moveRemaining_ = std::fabs(speed);
    moveSpeed_ = speed;
}

void DrawingKLine::tick(float dt) {
    if (moveSpeed_ != 0) {
        const float x = offsetX_ + moveSpeed_;
        const float limit = NEWEST_BAR_SHARE * getContentSize().width;
        if (moveSpeed_ > 0) {
            moveRemaining_ -= moveSpeed_;
            if (moveRemaining_ <= 0 || x > limit) moveSpeed_ = 0;
        } else {
            moveRemaining_ += moveSpeed_;
            if (moveRemaining_ <= 0 || contentWidth_ + x < limit) moveSpeed_ = 0;
        }
        scrollTo(x);
    }
    // The range first: the scale passes below read the visible bars.
    if (needLayout_) updateVisibleRange();
    if (scaleAnimating_) {
        scaleAnimTime_ += dt;
        float t = std::clamp(scaleAnimTime_ / SCALE_ANIM_DURATION, 0.0f, 1.0f);
        priceScale_ = priceScaleFrom_ + (targetPriceScale_ - priceScaleFrom_) * t;
        if (scaleAnimTime_ >= SCALE_ANIM_DURATION) {
            scaleAnimating_ = false;
            priceScale_ = targetPriceScale_;
            t = 1.0f;
        }
        scaleAnimProgress_ = t;
        updateVerticalPositions(t);
    } else if (needRescale_) {
        rescale();
    }
    // Scrolling and scale glides step with the frame: they want every frame.
    if (moveSpeed_ != 0 || scaleAnimating_) CCDirector::sharedDirector()->requestAnimationFrame();
}

// --- fling

void DrawingKLine::startFling() {
    flinging_ = true;
    schedule([this](float dt) { flingTick(dt); }, 0, FLING_KEY);
}

void DrawingKLine::stopFling() {
    flinging_ = false;
    unschedule(FLING_KEY);
}

void DrawingKLine::flingTick(float) {
    if (dragging_) return;
    flingVelocity_ *= FLING_DECAY;
    if (std::fabs(flingVelocity_) > FLING_STOP_SPEED) {
        flinging_ = true;
        scrollTo(offsetX_ + flingVelocity_);
        CCDirector::sharedDirector()->requestAnimationFrame();
    } else {
        flingVelocity_ = 0;
        stopFling();
    }
}
