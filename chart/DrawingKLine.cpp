#include "DrawingKLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CCAction.h"
#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CCDevice.h"
#include "CCDirector.h"
#include "CCDrawingPrimitives.h"
#include "CCEGLView.h"
#include "CCLabelTTF.h"
#include "CCSet.h"
#include "CCSprite.h"
#include "CCSpriteFrameCache.h"
#include "CCTouch.h"
#include "ChartButton.h"
#include "ChartColours.h"
#include "ChartGrid.h"
#include "ChartType.h"
#include "ChartViewOwner.h"
#include "ClippingRipple.h"
#include "DrawingBase.h"
#include "IndicatorBase.h"
#include "KLineBar.h"
#include "Resources.h"
#include "RiseFallColours.h"

USING_NS_CC;

namespace {
constexpr float PRICE_AREA_SHARE = 0.6f;
constexpr float PRICE_BASE_SHARE = 0.2f;
constexpr float FLAT_PRICE_RANGE = 2.0f;
constexpr float MIN_BODY_HEIGHT = 2.0f;
constexpr float BAR_SPACING_FACTOR = 1.4f;
constexpr float BODY_HALF_FACTOR = 0.5f;
constexpr float MIN_BAR_SPACING = 1.0f;
constexpr float MIN_BODY_HALF_WIDTH = 0.5f;
constexpr float WICK_MIN_BAR_WIDTH = 3.0f;
constexpr float SCALE_ANIM_DURATION = 0.2f;
constexpr float SCALE_ANIM_START = 0.02f;
constexpr float POINTER_GLIDE_TIME = 0.1f;
constexpr float POINTER_BLINK_TIME = 0.8f;
constexpr uint8_t POINTER_BLINK_OPACITY = 180;
constexpr float OFF_SCREEN = -100.0f;
constexpr float CLEARED_OFFSET = 100.0f;
constexpr float RESET_BAR_SPACING = 35.0f;
constexpr float RESET_TARGET_BAR_WIDTH = 10.0f;
constexpr float ZOOM_DURATION = 0.25f;
constexpr float SPRING_BACK_DELAY = 0.12f;
constexpr float WHEEL_BATCH_TIME = 0.06f;
constexpr float DOUBLE_CLICK_TIME = 0.3f;
constexpr float FLING_DECAY = 0.85f;
constexpr float FLING_STOP_SPEED = 1.0f;
// Release speed (inches per frame) above which a drag keeps gliding.
constexpr float FLING_THRESHOLD = 0.04375f;
constexpr float BUTTON_MOVE_TICKS = 18.0f;
constexpr float BUTTON_FADE_TIME = 0.5f;
constexpr float BUTTON_SPACING = 35.0f;
constexpr float BUTTON_ROW_WIDTH = 140.0f;
constexpr float BUTTON_Y = 35.0f;
constexpr float BUTTON_ZOOM_STEP = 2.0f;
constexpr float LAST_PRICE_LABEL_MARGIN = 20.0f;
constexpr float SHADE_SCALE_MIN = 0.2f;
constexpr float SHADE_SCALE_MAX = 0.35f;
constexpr float SHADE_WIDTH_UNIT = 128.0f;
constexpr float COMPACT_MIN_WIDTH = 215.0f;
constexpr float COMPACT_MIN_PANE = 100.0f;
constexpr float COMPACT_PANE_SHARE = 0.3f;
constexpr float CROSS_TIME_BACKGROUND_WIDTH = 140.0f;
constexpr int INDICATOR_PERIODS[3] = {5, 10, 20};
constexpr int MA_LINE_START[DrawingKLine::MA_COUNT] = {5, 10, 20};
static_assert(DrawingKLine::MA_COUNT == MA_LINE_COUNT);
constexpr ccColor4F CROSSHAIR_COLOUR{0.27f, 0.32f, 0.38f, 1.0f};
constexpr ccColor4F LAST_PRICE_LINE_COLOUR{0.85f, 0.88f, 0.98f, 0.55f};
constexpr ccColor3B CROSS_TIME_TEXT{220, 220, 220};
constexpr ccColor3B CROSS_TIME_BACKGROUND{120, 120, 125};
constexpr uint8_t CROSS_TIME_BACKGROUND_OPACITY = 160;
constexpr ccColor3B LAST_PRICE_TEXT{20, 20, 20};
constexpr const char* LOADING_FILE = "res/bg/loadingLeft.png";
constexpr const char* TICK_KEY = "chartTick";
constexpr const char* FLING_KEY = "chartFling";
constexpr const char* CLICK_KEY = "chartDoubleClick";
const char* const BUTTON_FRAMES[DrawingKLine::BUTTON_COUNT][2] = {{"zoomIn.png", "zoomIn_sel.png"},
                                                                  {"moveLeft.png", "moveLeft_sel.png"},
                                                                  {"moveRight.png", "moveRight_sel.png"},
                                                                  {"zoomOut.png", "zoomOut_sel.png"}};

// Children are drawn in these layers. The sheet sprites that are always shown lie under the series
// and the labels above it, so that a chart costs two draw calls (sheet, then font with everything
// untextured between). The last-price pointer sits on the newest candle, so it comes right after the
// series: still the sheet's batch, since untextured shapes join whatever texture the batch has. What
// only shows under the mouse pointer goes on top.
enum ChildLayer {
    Z_LINE_CHART = -20,
    Z_SHADES = -12,
    Z_LAST_PRICE_LINE = -11,
    Z_POINTER = 1,
    Z_LABELS = 5,
    Z_LOADING = 12,
    Z_CROSSHAIR = 25,
    Z_BUTTONS = 30,
    Z_TOOLBAR = 40,
};

float clampWidth(float width) {
    if (!std::isfinite(width)) return DrawingKLine::MIN_BAR_WIDTH;
    return std::clamp(width, DrawingKLine::MIN_BAR_WIDTH, DrawingKLine::MAX_BAR_WIDTH);
}

CCLabelTTF* makeLabel(const ccColor3B& colour) {
    CCLabelTTF* label = CCLabelTTF::create("", ChartAxis::LABEL_FONT, ChartAxis::LABEL_FONT_SIZE);
    label->setColor(colour);
    return label;
}

void drawColour(const float* rgba) {
    ccDrawColor4F(rgba[0], rgba[1], rgba[2], rgba[3]);
}
}  // namespace

DrawingKLine* DrawingKLine::createChart(ChartViewOwner* owner, const KLineBarList* bars,
                                        std::vector<IndicatorBase*>* indicators) {
    return createAutoreleased<DrawingKLine>(&DrawingKLine::init, owner, bars, indicators);
}

DrawingKLine::~DrawingKLine() {
    releaseTouches();
}

bool DrawingKLine::init(ChartViewOwner* owner, const KLineBarList* bars,
                        std::vector<IndicatorBase*>* indicators) {
    owner_ = owner;
    bars_ = bars;
    indicators_ = indicators;
    setAnchorPoint(CCPointZero);

    lineChart_ = ClippingRipple::create();
    if (!lineChart_) return false;
    lineChart_->setVisible(false);
    addChild(lineChart_, Z_LINE_CHART);

    leftShade_ = CCSprite::createWithSpriteFrameName("leftDark.png");
    leftShade_->setAnchorPoint(CCPointZero);
    addChild(leftShade_, Z_SHADES);
    rightShade_ = CCSprite::createWithSpriteFrameName("leftDark.png");
    rightShade_->setFlipX(true);
    rightShade_->setAnchorPoint(CCPoint(1, 0));
    addChild(rightShade_, Z_SHADES);

    loadingSprite_ = CCSprite::create(LOADING_FILE);
    loadingSprite_->setAnchorPoint(CCPoint(1, 0.5f));
    loadingSprite_->setVisible(false);
    addChild(loadingSprite_, Z_LOADING);

    lastPriceLine_ = CCSprite::createWithSpriteFrameName("line_gray_level2.png");
    lastPriceLine_->setAnchorPoint(CCPoint(1, 0.5f));
    addChild(lastPriceLine_, Z_LAST_PRICE_LINE);
    // It rides on the line 20 px left of the line's right end, drawn with the other labels.
    lastPriceLabel_ = makeLabel(LAST_PRICE_TEXT);
    lastPriceLabel_->setAnchorPoint(CCPoint(1, 0.5f));
    lastPriceLabel_->setPosition(-LAST_PRICE_LABEL_MARGIN, OFF_SCREEN);
    addChild(lastPriceLabel_, Z_LABELS);

    lastPricePointer_ = CCSprite::createWithSpriteFrameName("pointer_red.png");
    lastPricePointer_->setPosition(OFF_SCREEN, OFF_SCREEN);
    addChild(lastPricePointer_, Z_POINTER);
    lastPricePointerGlow_ = CCSprite::createWithSpriteFrameName("pointer_red2.png");
    const CCSize& pointerSize = lastPricePointer_->getContentSize();
    lastPricePointerGlow_->setPosition(pointerSize.width / 2, pointerSize.height / 2);
    lastPricePointer_->addChild(lastPricePointerGlow_);
    CCAction* blink = CCRepeatForever::create(
        CCSequence::create(CCFadeTo::create(POINTER_BLINK_TIME, 0),
                           CCFadeTo::create(POINTER_BLINK_TIME, POINTER_BLINK_OPACITY), nullptr));
    blink->setAmbient(true);
    lastPricePointer_->runAction(blink);

    crossPriceLine_ = CCSprite::createWithSpriteFrameName("line_gray_level.png");
    crossPriceLine_->setAnchorPoint(CCPoint(1, 0.5f));
    crossPriceLine_->setVisible(false);
    addChild(crossPriceLine_, Z_CROSSHAIR);
    crossPriceLabel_ = makeLabel(CROSS_TIME_TEXT);
    crossPriceLabel_->setAnchorPoint(CCPoint(1, 0.5f));
    const CCSize& markerSize = crossPriceLine_->getContentSize();
    crossPriceLabel_->setPosition(markerSize.width - LAST_PRICE_LABEL_MARGIN, markerSize.height / 2);
    crossPriceLine_->addChild(crossPriceLabel_);

    crossTimeBackground_ = CCSprite::create();
    crossTimeBackground_->setTextureRect(
        CCRect(0, 0, CROSS_TIME_BACKGROUND_WIDTH, ChartAxis::TIME_AXIS_HEIGHT));
    crossTimeBackground_->setColor(CROSS_TIME_BACKGROUND);
    crossTimeBackground_->setOpacity(CROSS_TIME_BACKGROUND_OPACITY);
    crossTimeBackground_->setVisible(false);
    addChild(crossTimeBackground_, Z_CROSSHAIR);
    crossTimeLabel_ = makeLabel(CROSS_TIME_TEXT);
    crossTimeLabel_->setPosition(CROSS_TIME_BACKGROUND_WIDTH / 2, ChartAxis::TIME_AXIS_HEIGHT / 2);
    crossTimeBackground_->addChild(crossTimeLabel_);

    for (int i = 0; i < BUTTON_COUNT; ++i) {
        buttons_[i] = ChartButton::create(BUTTON_FRAMES[i][0], BUTTON_FRAMES[i][1], i);
        buttons_[i]->setVisible(false);
        addChild(buttons_[i], Z_BUTTONS);
    }

    // The editing toolbar of the drawing tools and its two pop-ups; the tools fill them.
    toolToolbar_ = CCNode::create();
    colourPanel_ = CCNode::create();
    widthPanel_ = CCNode::create();
    for (CCNode* node : {toolToolbar_, colourPanel_, widthPanel_}) {
        node->setVisible(false);
        addChild(node, Z_TOOLBAR);
    }

    grid_ = std::make_unique<ChartGrid>(this, Z_LABELS);
    resetView();
    setMouseEnabled(true);
    return true;
}

// --- series access

size_t DrawingKLine::barCount() const {
    return bars_ ? bars_->size() : 0;
}

KLineBar* DrawingKLine::barAt(size_t position) const {
    return bars_ && position < bars_->size() ? (*bars_)[position].get() : nullptr;
}

KLineBar* DrawingKLine::newestBar() const {
    return barCount() ? bars_->back().get() : nullptr;
}

// --- configuration

void DrawingKLine::setViewSize(float width, float height) {
    const CCSize& old = getContentSize();
    if (old.width == width && old.height == height) return;
    const bool newestOnScreen = barCount() != 0 && isSlotOnScreen(newestBar()->index);
    setContentSize(CCSize(width, height));
    priceAreaSize_ = CCSize(width, PRICE_AREA_SHARE * height);
    priceBaseY_ = PRICE_BASE_SHARE * height;

    const CCSize& shade = leftShade_->getContentSize();
    float shadeScaleX = std::clamp(std::floor(width / SHADE_WIDTH_UNIT), SHADE_SCALE_MIN, SHADE_SCALE_MAX);
    float shadeScaleY = shade.height > 0 ? height / shade.height : height;
    for (CCSprite* s : {leftShade_, rightShade_}) {
        s->setScaleX(shadeScaleX);
        s->setScaleY(shadeScaleY);
    }
    rightShade_->setPosition(width, 0);
    loadingSprite_->setPositionY(height / 2);
    lineChart_->setViewSize(CCSize(width, height));
    for (int i = 0; i < BUTTON_COUNT; ++i)
        buttons_[i]->setPosition(
            ((width - BUTTON_ROW_WIDTH) + BUTTON_SPACING) / 2 + static_cast<float>(i) * BUTTON_SPACING,
            BUTTON_Y);
    placeLastPriceLine(lastPriceLine_->getPositionY());
    crossPriceLine_->setPositionX(width);
    compactOK_ = width >= COMPACT_MIN_WIDTH && COMPACT_PANE_SHARE * height > COMPACT_MIN_PANE;
    needLayout_ = true;
    needRescale_ = true;
    for (auto& drawing : drawings_) drawing->onViewResize(getContentSize());
    if (newestOnScreen) {
        updateContentWidth();
        scrollTo(NEWEST_BAR_SHARE * width - contentWidth_, true);
    }
}

void DrawingKLine::setChartType(int type) {
    if (type == chartType_) return;
    chartType_ = type;
    lineChart_->setVisible(type == 1 || type == 2);
    lineChart_->setChartType(type);
    lineChart_->rebuild(visibleBars_, barWidth_);
}

void DrawingKLine::setAuxOption(int option) {
    if (option == auxOption_) return;
    auxOption_ = option;
    needRescale_ = true;
}

void DrawingKLine::setIndicatorPeriodIndex(int index) {
    indicatorPeriodIndex_ = index;
    needRescale_ = true;
}

void DrawingKLine::setShowMA(bool show) {
    showMA_ = show;
    if (show) rebuildMALines();
}

void DrawingKLine::setTimeType(int minutes) {
    if (minutes == timeType_) return;
    timeType_ = minutes;
    clearLabelDictionary();
    needLayout_ = true;
}

void DrawingKLine::setBarWidthAndScale(const CCPoint& widthAndScale) {
    barWidth_ = clampWidth(widthAndScale.x);
    if (std::isfinite(widthAndScale.y)) priceScale_ = widthAndScale.y;
    applyZoomRelations();
}

void DrawingKLine::setButtonsDisabled(bool disabled) {
    buttonsDisabled_ = disabled;
    if (disabled) hideButtons();
}

void DrawingKLine::setShowLastPriceLine(bool show) {
    showLastPriceLine_ = show;
    lastPriceLine_->setVisible(show && !displayOnly_);
    lastPriceLabel_->setVisible(show && !displayOnly_);
}

void DrawingKLine::placeLastPriceLine(float y) {
    const float width = getContentSize().width;
    lastPriceLine_->setPosition(width, y);
    lastPriceLabel_->setPosition(width - LAST_PRICE_LABEL_MARGIN, y);
}

void DrawingKLine::setDisplayOnly(bool displayOnly) {
    displayOnly_ = displayOnly;
    grid_->setLabelsShown(!displayOnly);
    setShowGrid(!displayOnly);
    setShowLastPriceLine(!displayOnly);
    setButtonsDisabled(displayOnly);
    showCrosshair_ = showCrosshair_ && !displayOnly;
    lastPricePointer_->setVisible(!displayOnly);
    crossPriceLine_->setVisible(false);
    crossTimeBackground_->setVisible(false);
    setMouseEnabled(!displayOnly);
    if (displayOnly) setTouchEnabled(false);
    needLayout_ = true;
}

void DrawingKLine::setLastBarRising(bool rising) {
    if (rising == lastRising_) return;
    lastRising_ = rising;
    showPointerColour();
}

void DrawingKLine::setRiseGreen(bool riseGreen) {
    if (riseGreen == riseGreen_) return;
    riseGreen_ = riseGreen;
    showPointerColour();
}

void DrawingKLine::showPointerColour() {
    const bool green = showsGreen(lastRising_, riseGreen_);
    CCSpriteFrameCache* cache = CCSpriteFrameCache::sharedSpriteFrameCache();
    if (CCSpriteFrame* frame = cache->spriteFrameByName(green ? "pointer_green.png" : "pointer_red.png"))
        lastPricePointer_->setDisplayFrame(frame);
    if (CCSpriteFrame* frame = cache->spriteFrameByName(green ? "pointer_green2.png" : "pointer_red2.png"))
        lastPricePointerGlow_->setDisplayFrame(frame);
}

void DrawingKLine::setLastPrice(float price, bool rising) {
    char text[32];
    std::snprintf(text, sizeof(text), "%g", static_cast<double>(price));
    lastPriceLabel_->setString(text);
    setLastBarRising(rising);
}

void DrawingKLine::relayout() {
    needLayout_ = true;
}

void DrawingKLine::markForRedraw() {
    needLayout_ = true;
    needRescale_ = true;
}

void DrawingKLine::resetView() {
    barSpacing_ = RESET_BAR_SPACING;
    priceMax_ = 1.0f;
    targetBarWidth_ = RESET_TARGET_BAR_WIDTH;
    targetPriceScale_ = 1.0f;
    bodyHalfWidth_ = 5.0f;
    dragging_ = false;
    flingVelocity_ = 0;
    stopFling();
    needRescale_ = false;
    priceBaseYFrom_ = 0;
    wheelNotches_ = 0;
    scaleAnimating_ = false;
    scaleAnimTime_ = 0;
    moveSpeed_ = 0;
    priceScaleFrom_ = 0;
    needLayout_ = true;
    candleLineWidth_ = 2;
    scaleAnimProgress_ = 1.0f;
    placeLastPriceLine(OFF_SCREEN);
}

void DrawingKLine::clearSeries() {
    lastPricePointer_->stopActionByTag(TAG_POINTER_GLIDE);
    lastPricePointer_->setPositionY(OFF_SCREEN);
    priceMin_ = 0;
    priceMax_ = 1.0f;
    visibleBars_.clear();
    lineChart_->clear();
    touchActive_ = false;
    selectTool(nullptr);
    creatingTool_ = nullptr;
    offsetX_ = CLEARED_OFFSET;
    selectedDrawing_ = nullptr;
    drawings_.clear();
    for (auto& line : maLines_) line.clear();
    releaseTouches();
    needLayout_ = true;
}

void DrawingKLine::setShown(bool shown) {
    shown_ = shown;
    setVisible(shown);
    if (shown) {
        if (!displayOnly_ && !isTouchEnabled()) setTouchEnabled(true);
        schedule([this](float dt) { tick(dt); }, 0, TICK_KEY);
        for (ChartButton* b : buttons_) b->setEnabled(!displayOnly_ && !buttonsDisabled_);
    } else {
        setTouchEnabled(false);
        unschedule(TICK_KEY);
        for (ChartButton* b : buttons_) b->setEnabled(false);
    }
}

// --- series host

void DrawingKLine::setLoadingTint(unsigned char red, unsigned char green, unsigned char blue) {
    loadingSprite_->setColor(ccc3(red, green, blue));
}

void DrawingKLine::clearLabelDictionary() {
    grid_->forgetLabelTexts();
    crossLabelTime_ = -1;
}

void DrawingKLine::showNewestBars() {
    stopFling();
    applyZoomRelations();
    if (barCount() == 0) return;
    updateContentWidth();
    scrollTo(NEWEST_BAR_SHARE * getContentSize().width - contentWidth_);
}

void DrawingKLine::keepVisibleBars(int newCount) {
    stopFling();
    updateContentWidth();
    scrollTo(offsetX_ - static_cast<float>(newCount) * barSpacing_);
}

void DrawingKLine::barChanged(KLineBar*, bool isNew) {
    needLayout_ = true;
    if (!isNew) return;
    // The bar that was the newest before this one came (wherever the new one was inserted).
    const size_t count = barCount();
    const bool follow = count >= 2 && isSlotOnScreen(static_cast<long long>(count) - 2);
    updateContentWidth();
    if (follow) scrollTo(offsetX_ - barSpacing_);
}

bool DrawingKLine::isSlotOnScreen(long long slot) const {
    const float x = static_cast<float>(slot) * barSpacing_ + offsetX_;
    return x >= 0 && x <= getContentSize().width;
}

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

float DrawingKLine::priceAtY(float y) const {
    if (priceAreaSize_.height <= 0) return priceMin_;
    return ((y - priceBaseY_) / priceAreaSize_.height) * (priceMax_ - priceMin_) + priceMin_;
}

// --- drawing

void DrawingKLine::visit() {
    if (!isVisible()) return;
    // Labels and markers are placed before the children are ordered and drawn.
    updateGeometry();
    DrawingView::visit();
}

void DrawingKLine::draw() {
    if (barCount() == 0) {
        if (showGrid_) drawGrid();
    } else {
        updateGeometry();
        if (showGrid_) drawGrid();
        if (!visibleBars_.empty()) {
            if (chartType_ == CHART_CANDLES)
                drawCandles();
            else if (chartType_ == CHART_BARS)
                drawOHLCBars();
            else
                lineChart_->render();
            if (showMA_) drawMALines();
        }
    }
    for (auto& drawing : drawings_)
        if (drawing->isVisible()) drawing->draw();

    const CCSize& size = getContentSize();
    ccLineWidth(1);
    if (showCrosshair_) {
        ccDrawColor4F(CROSSHAIR_COLOUR.r, CROSSHAIR_COLOUR.g, CROSSHAIR_COLOUR.b, CROSSHAIR_COLOUR.a);
        ccDrawLine(CCPoint(crossPoint_.x, 0), CCPoint(crossPoint_.x, size.height));
        if (isMouseOver()) ccDrawLine(CCPoint(0, crossPoint_.y), CCPoint(size.width, crossPoint_.y));
    }
    if (showLastPriceLine_) {
        const float y = lastPricePointer_->getPositionY();
        ccDrawColor4F(LAST_PRICE_LINE_COLOUR.r, LAST_PRICE_LINE_COLOUR.g, LAST_PRICE_LINE_COLOUR.b,
                      LAST_PRICE_LINE_COLOUR.a);
        ccDrawLine(CCPoint(0, y), CCPoint(size.width, y));
    }
    ccGLResetState();
}

void DrawingKLine::drawGrid() {
    const CCSize& size = getContentSize();
    grid_->draw(std::max(offsetX_, 0.0f), size.width, size.height);
}

void DrawingKLine::drawCandles() {
    ccLineWidth(static_cast<float>(candleLineWidth_));
    const bool wicks = barWidth_ >= WICK_MIN_BAR_WIDTH;
    for (KLineBar* bar : visibleBars_) {
        const CCPoint* c = bar->drawingCache;
        drawColour(bar->color);
        if (wicks) ccDrawLine(c[CACHE_HIGH], c[CACHE_LOW]);
        const ccColor4F colour{bar->color[0], bar->color[1], bar->color[2], bar->color[3]};
        ccDrawSolidPoly(c + CACHE_BODY, 4, colour);
        ccDrawPoly(c + CACHE_BODY, 4, true);
    }
}

void DrawingKLine::drawOHLCBars() {
    ccLineWidth(bodyHalfWidth_ * 0.5f);
    for (KLineBar* bar : visibleBars_) {
        const CCPoint* c = bar->drawingCache;
        const float x = c[CACHE_CLOSE].x;
        const float openY = c[CACHE_BODY].y;
        const float closeY = c[CACHE_CLOSE].y;
        const CCPoint points[6] = {{x - bodyHalfWidth_, openY}, {x, openY},  {x, c[CACHE_HIGH].y},
                                   {x, c[CACHE_LOW].y},         {x, closeY}, {x + bodyHalfWidth_, closeY}};
        drawColour(bar->color);
        ccDrawPoly(points, 6, false);
    }
}

void DrawingKLine::drawMALines() {
    ccLineWidth(1);
    ccGLEnableBlend(true);
    ccGLBlendFunc(CC_BLEND_SRC_ALPHA, CC_BLEND_ONE_MINUS_SRC_ALPHA);
    ccGLEnableLineSmooth(true);
    ccGLEnablePointSmooth(true);
    for (int k = 0; k < MA_COUNT; ++k) {
        if (maLines_[k].empty()) continue;
        ccDrawColor4F(MA_COLOURS[k].r, MA_COLOURS[k].g, MA_COLOURS[k].b, MA_COLOURS[k].a);
        ccDrawPoly(maLines_[k].data(), static_cast<unsigned int>(maLines_[k].size()), false);
    }
    ccGLResetState();
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

// --- touches

bool DrawingKLine::ccTouchBegan(CCTouch* touch, CCEvent*) {
    const CCPoint location = touch->getLocation();
    touchActive_ = IsPointOnMe(location.x, location.y);
    if (!touchActive_) return false;
    for (ChartButton* button : buttons_)
        if (button->isHit(location.x, location.y)) {
            pressedButton_ = button;
            button->setPressed(true);
            touchActive_ = false;
            return true;
        }
    const CCPoint point = convertToNodeSpace(location);
    if (creatingTool_) {
        placePoint(point, true);
        return true;
    }
    if (DrawingBase* hit = hitTool(point)) {
        selectTool(hit);
    } else {
        selectTool(nullptr);
    }
    if (getActionByTag(TAG_ZOOM)) stopZoom();
    if (owner_) owner_->activateWindow();
    return true;
}

void DrawingKLine::ccTouchMoved(CCTouch* touch, CCEvent*) {
    if (!touchActive_) return;
    const CCPoint location = touch->getLocation();
    const CCPoint delta = location - touch->getPreviousLocation();
    if (!selectedDrawing_ && moveSpeed_ == 0) {
        if (!dragging_) stopFling();
        dragging_ = true;
        flingVelocity_ = delta.x;
        scrollTo(offsetX_ + delta.x);
    } else if (selectedDrawing_ && IsPointOnMe(location.x, location.y)) {
        moveSelected(convertToNodeSpace(location));
    }
}

void DrawingKLine::ccTouchEnded(CCTouch* touch, CCEvent*) {
    const CCPoint location = touch->getLocation();
    if (pressedButton_) {
        ChartButton* button = pressedButton_;
        pressedButton_ = nullptr;
        button->setPressed(false);
        if (button->isHit(location.x, location.y)) pressButton(button);
        return;
    }
    touchActive_ = false;
    const CCPoint point = convertToNodeSpace(location);
    DrawingBase* hit = hitTool(point);
    if (hit && hit == selectedDrawing_) {
        hit->setSelected(true);
    } else if (selectedDrawing_) {
        selectTool(nullptr);
    } else if (!dragging_) {
        if (!clickPending_) {
            clickPending_ = true;
            unschedule(CLICK_KEY);
            scheduleOnce([this](float) { clickPending_ = false; }, DOUBLE_CLICK_TIME, CLICK_KEY);
        } else {
            unschedule(CLICK_KEY);
            clickPending_ = false;
            if (owner_)
                owner_->setCrosshairInAllWindows(!showCrosshair_);
            else
                showCrosshair_ = !showCrosshair_;
        }
    }
    if (dragging_) {
        dragging_ = false;
        float scale = 1.0f;
        if (CCEGLView* view = CCDirector::sharedDirector()->getOpenGLView())
            scale = (view->getScaleX() + view->getScaleY()) / 2;
        const int dpi = CCDevice::getDPI();
        const float speed = scale * flingVelocity_ / static_cast<float>(dpi > 0 ? dpi : 96);
        if (std::fabs(speed) > FLING_THRESHOLD) startFling();
    }
}

void DrawingKLine::ccTouchCancelled(CCTouch*, CCEvent*) {
    touchActive_ = false;
    dragging_ = false;
    if (pressedButton_) pressedButton_->setPressed(false);
    pressedButton_ = nullptr;
}

void DrawingKLine::pressButton(ChartButton* button) {
    playHoverSound();
    onButton(button->getTag());
    if (owner_ && !owner_->isActiveWindow()) owner_->activateWindow();
}

void DrawingKLine::releaseTouches() {
    for (auto& entry : touches_) entry.second->release();
    touches_.clear();
    pinchDistance_ = 0;
    pinching_ = false;
}

void DrawingKLine::ccTouchesBegan(CCSet* touches, CCEvent*) {
    for (CCObject* object : *touches) {
        auto* touch = static_cast<CCTouch*>(object);
        const CCPoint location = touch->getLocation();
        if (!IsPointOnMe(location.x, location.y)) continue;
        char key[16];
        std::snprintf(key, sizeof(key), "%d", touch->getID());
        auto found = touches_.find(key);
        if (found != touches_.end()) found->second->release();
        touch->retain();
        touches_[key] = touch;
    }
    pinchDistance_ = 0;
}

void DrawingKLine::ccTouchesMoved(CCSet* touches, CCEvent* event) {
    if (touches_.size() == 2 && !pinnedStart_) {
        const CCPoint a = touches_.begin()->second->getLocation();
        const CCPoint b = std::next(touches_.begin())->second->getLocation();
        const CCPoint span = b - a;
        if (std::fabs(span.x) > std::fabs(span.y)) {
            const float distance = span.getLength();
            // The first move of a pinch only measures it: there is no previous distance to divide by.
            if (pinchDistance_ > 0 && distance > 0) {
                ScaleKLineInfo info;
                info.fromWidth = barWidth_;
                info.toWidth = clampWidth(distance / pinchDistance_ * barWidth_);
                info.currentWidth = info.toWidth;
                info.anchorX = snapToBar(crossPoint_.x);
                info.anchorFromOffset = info.anchorX - offsetX_;
                info.finished = false;
                targetBarWidth_ = info.toWidth;
                applyZoomStep(&info);
                pinching_ = true;
            }
            pinchDistance_ = distance;
        }
        return;
    }
    if (touches_.size() <= 1 && touches->count() == 1) {
        auto* touch = static_cast<CCTouch*>(touches->anyObject());
        ccTouchMoved(touch, event);
        const CCPoint location = touch->getLocation();
        ccMouseMove(location.x, location.y);
    }
}

void DrawingKLine::ccTouchesEnded(CCSet* touches, CCEvent*) {
    for (CCObject* object : *touches) {
        auto* touch = static_cast<CCTouch*>(object);
        char key[16];
        std::snprintf(key, sizeof(key), "%d", touch->getID());
        auto found = touches_.find(key);
        if (found == touches_.end()) continue;
        found->second->release();
        touches_.erase(found);
    }
    if (touches_.size() < 2) {
        pinchDistance_ = 0;
        if (pinching_) {
            // The gesture's last step: a width left outside the settled band springs back.
            pinching_ = false;
            ScaleKLineInfo info;
            info.fromWidth = barWidth_;
            info.toWidth = barWidth_;
            info.currentWidth = barWidth_;
            info.anchorX = snapToBar(crossPoint_.x);
            info.anchorFromOffset = info.anchorX - offsetX_;
            info.finished = true;
            applyZoomStep(&info);
        }
    }
}

// --- mouse

void DrawingKLine::updateCrosshairAt(float x) {
    crossPoint_.x = x;
    const long long slot = slotAt(x);
    const long long time = timeOfSlot(slot);
    if (barCount() != 0 && time > 0 && time != crossLabelTime_) {
        crossLabelTime_ = time;
        crossTimeLabel_->setString(ChartAxis::crosshairTimeText(time).c_str());
        KLineBar* bar = slot >= 0 ? barAt(static_cast<size_t>(slot)) : nullptr;
        if (owner_) owner_->showBarInfo(bar);
        if (indicators_)
            for (IndicatorBase* pane : *indicators_) pane->showInfoAt(bar);
    }
    crossTimeBackground_->setPosition(std::trunc(x), ChartAxis::TIME_LABEL_Y);
    crossTimeBackground_->setVisible(time > 0 && !displayOnly_);
}

void DrawingKLine::showCrossPrice() {
    char text[32];
    std::snprintf(text, sizeof(text), "%.4f", static_cast<double>(priceAtY(crossPoint_.y)));
    crossPriceLabel_->setString(text);
}

void DrawingKLine::refreshCrosshairLabels() {
    if (crossTimeBackground_->isVisible()) updateCrosshairAt(snapToBar(crossPoint_.x));
    if (crossPriceLine_->isVisible()) showCrossPrice();
}

bool DrawingKLine::ccMouseMove(float x, float y) {
    if (!isMouseInMe(x, y)) {
        crossPriceLine_->setVisible(false);
        // Over one of the panes the time label stays: the pane moves it.
        bool overPane = false;
        if (indicators_)
            for (IndicatorBase* pane : *indicators_) overPane = overPane || pane->isMouseInMe(x, y);
        if (!overPane) crossTimeBackground_->setVisible(false);
        return true;
    }
    const CCPoint point = convertToNodeSpace(CCPoint(x, y));
    crossPoint_ = point;
    updateCrosshairAt(snapToBar(point.x));
    crossPriceLine_->setPosition(getContentSize().width, crossPoint_.y);
    crossPriceLine_->setVisible(true);
    showCrossPrice();
    if (creatingTool_ && creatingTool_->getPlacedPoints() >= 1)
        placePoint(point, false);
    else if (!drawings_.empty())
        hitTool(point);
    if (!buttonsDisabled_) showButtons();
    return true;
}

bool DrawingKLine::ccMouseWheel(int, float delta, float x, float y) {
    if (!IsPointOnMe(x, y)) return false;
    if (wheelNotches_ == 0 || (wheelNotches_ > 0 && delta < 0) || (wheelNotches_ < 0 && delta > 0)) {
        wheelNotches_ = 0;
        stopActionByTag(TAG_WHEEL);
        CCAction* timer = CCSequence::create(CCDelayTime::create(WHEEL_BATCH_TIME),
                                             CCCallFunc::create([this] { onWheelTimer(); }), nullptr);
        timer->setTag(TAG_WHEEL);
        runAction(timer);
    }
    wheelNotches_ += delta > 0 ? 1 : -1;
    return true;
}

void DrawingKLine::onWheelTimer() {
    const int n = wheelNotches_;
    wheelNotches_ = 0;
    // A button glide owns the view: the notches of this batch are dropped.
    if (moveSpeed_ != 0 || n == 0) return;
    stopFling();
    const int sign = n > 0 ? 1 : -1;
    float width = barWidth_ + static_cast<float>(n + 2 * (n - sign));
    width = std::clamp(width, MIN_BAR_WIDTH, MAX_BAR_WIDTH);
    if (width != targetBarWidth_) zoomTo(width);
}

void DrawingKLine::OnMouseLeave() {
    hideButtons();
}

void DrawingKLine::showButtons() {
    if (buttons_[0]->isVisible()) return;
    for (ChartButton* button : buttons_) {
        button->stopAllActions();
        button->setVisible(true);
        button->setEnabled(true);
        button->setOpacity(0);
        button->runAction(CCFadeTo::create(BUTTON_FADE_TIME, 255));
    }
}

void DrawingKLine::hideButtons() {
    for (ChartButton* button : buttons_) {
        button->setEnabled(false);
        if (!button->isVisible()) continue;
        button->stopAllActions();
        button->runAction(
            CCSequence::create(CCFadeTo::create(BUTTON_FADE_TIME, 0), CCHide::create(), nullptr));
    }
}

ChartButton* DrawingKLine::getButton(int tag) const {
    return tag >= 0 && tag < BUTTON_COUNT ? buttons_[tag] : nullptr;
}

// --- drawing tools

void DrawingKLine::startTool(int id) {
    if (id == 0) {
        creatingTool_ = nullptr;
        selectedDrawing_ = nullptr;
        return;
    }
    std::unique_ptr<DrawingBase> tool = toolFactory_ ? toolFactory_(id) : nullptr;
    if (!tool) return;
    selectTool(nullptr);
    tool->setChart(this);
    tool->onViewResize(getContentSize());
    creatingTool_ = tool.get();
    drawings_.push_back(std::move(tool));
}

bool DrawingKLine::anchorAt(float x, KLineBar*& bar, int& barOffset) const {
    const size_t count = barCount();
    if (count == 0) return false;
    // Points beyond the data keep their distance in bars from the first or last bar.
    constexpr long long MAX_OFFSET = 1000000000LL;
    const long long slot = slotAt(x);
    barOffset = 0;
    if (slot < 0) {
        bar = barAt(0);
        barOffset = static_cast<int>(std::max(slot - bar->index, -MAX_OFFSET));
    } else if (slot >= static_cast<long long>(count)) {
        bar = newestBar();
        barOffset = static_cast<int>(std::min(slot - bar->index, MAX_OFFSET));
    } else {
        bar = barAt(static_cast<size_t>(slot));
    }
    return true;
}

void DrawingKLine::placePoint(const CCPoint& point, bool isClick) {
    KLineBar* bar = nullptr;
    int barOffset = 0;
    // Anchors need a bar: on an empty series there is nothing to place against.
    if (!creatingTool_ || !anchorAt(point.x, bar, barOffset)) return;
    DrawingBase* tool = creatingTool_;
    const bool complete = tool->addPoint(bar, priceAtY(point.y), barOffset, isClick);
    tool->updateX(offsetX_, barSpacing_);
    tool->updateY(priceScale_, currentBaseY_, priceMin_);
    if (complete) {
        selectTool(tool);
        creatingTool_ = nullptr;
        if (owner_) owner_->drawingToolPlaced();
    }
}

void DrawingKLine::selectTool(DrawingBase* tool, bool flag) {
    if (!tool) {
        if (selectedDrawing_) {
            selectedDrawing_->setSelected(false, flag);
            selectedDrawing_->setHovered(false);
        }
        selectedDrawing_ = nullptr;
        hideToolbar();
        return;
    }
    if (selectedDrawing_ && selectedDrawing_ != tool) selectedDrawing_->setSelected(false, flag);
    selectedDrawing_ = tool;
    tool->setSelected(true, flag);
    toolToolbar_->setVisible(true);
}

void DrawingKLine::hideToolbar() {
    toolToolbar_->setVisible(false);
    colourPanel_->setVisible(false);
    widthPanel_->setVisible(false);
}

DrawingBase* DrawingKLine::hitTool(const CCPoint& point) {
    for (auto& drawing : drawings_)
        if (drawing->hitTest(point)) return drawing.get();
    return nullptr;
}

void DrawingKLine::moveSelected(const CCPoint& point) {
    KLineBar* bar = nullptr;
    int barOffset = 0;
    if (!selectedDrawing_ || !anchorAt(point.x, bar, barOffset)) return;
    if (selectedDrawing_->moveActiveHandle(bar, priceAtY(point.y), barOffset)) {
        selectedDrawing_->updateX(offsetX_, barSpacing_);
        selectedDrawing_->updateY(priceScale_, currentBaseY_, priceMin_);
    }
}

void DrawingKLine::removeSelected() {
    DrawingBase* selected = selectedDrawing_;
    if (!selected) return;
    selectTool(nullptr);
    if (creatingTool_ == selected) creatingTool_ = nullptr;
    drawings_.erase(
        std::remove_if(drawings_.begin(), drawings_.end(),
                       [selected](const std::unique_ptr<DrawingBase>& d) { return d.get() == selected; }),
        drawings_.end());
}
