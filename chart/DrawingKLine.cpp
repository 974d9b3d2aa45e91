#include "DrawingKLine.h"

#include "DisplayTimeZone.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CCAction.h"
#include "CCActionInterval.h"
#include "CCDevice.h"
#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCLabelTTF.h"
#include "CCSet.h"
#include "CCSprite.h"
#include "CCSpriteFrameCache.h"
#include "CCTouch.h"
#include "ChartButton.h"
#include "ChartColours.h"
#include "ChartGrid.h"
#include "ChartViewOwner.h"
#include "ClippingRipple.h"
#include "DrawingBase.h"
#include "DrawingKLineShared.h"
#include "DrawingSync.h"
#include "DrawingToolbar.h"
#include "DrawingTools.h"
#include "IndicatorBase.h"
#include "KLineBar.h"
#include "Resources.h"
#include "RiseFallColours.h"
#include "ToolLabelLayer.h"

USING_NS_CC;
using namespace drawing_kline;

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

    toolFactory_ = createDrawingTool;
    sync_ = std::make_unique<DrawingSync>(*this);
    addChild(ToolLabelLayer::create(), Z_TOOL_TEXTS);
    alertLines_ = ChartAlertLines::create([this](double price) { return yOfPrice(price); },
                                          [this](float y) { return static_cast<double>(priceAtY(y)); });
    if (!alertLines_) return false;
    alertLines_->setCallbacks({[this](double price) {
                                   if (owner_) owner_->alertPlaced(price);
                               },
                               [this](int id, double price) {
                                   if (owner_) owner_->alertMoved(id, price);
                               },
                               [this](int id) {
                                   if (owner_) owner_->alertRemoved(id);
                               }});
    addChild(alertLines_, Z_ALERTS);
    toolbar_ = DrawingToolbar::create();
    if (!toolbar_) return false;
    addChild(toolbar_, Z_TOOLBAR);

    grid_ = std::make_unique<ChartGrid>(this, Z_LABELS);
    resetView();
    setMouseEnabled(true);
    // Axis and crosshair texts are in the display zone: a new zone redraws them.
    DisplayTimeZone::shared().bind(this, [this] {
        clearLabelDictionary();
        markForRedraw();
    });
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
    toolbar_->place(getContentSize());
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
    // The planners' target and stop boxes take the rise and fall colours.
    for (auto& drawing : drawings_) drawing->setInverseColors(riseGreen_);
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
    textEditTool_ = nullptr;
    textClickTool_ = nullptr;
    drawings_.clear();
    ++seriesRevision_;
    sync_->seriesCleared();
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
    ++seriesRevision_;
    sync_->barsArrived();
}

void DrawingKLine::keepVisibleBars(int newCount) {
    stopFling();
    updateContentWidth();
    scrollTo(offsetX_ - static_cast<float>(newCount) * barSpacing_);
    ++seriesRevision_;
    sync_->olderBarsInFront(newCount);
    sync_->barsArrived();
}

void DrawingKLine::barChanged(KLineBar*, bool isNew) {
    needLayout_ = true;
    ++seriesRevision_;
    sync_->barsArrived();
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

// --- price alerts

void DrawingKLine::setAlertLevels(std::vector<AlertLevel> levels) {
    alertLines_->setLevels(std::move(levels));
}

const std::vector<DrawingKLine::AlertLevel>& DrawingKLine::getAlertLevels() const {
    return alertLines_->getLevels();
}

void DrawingKLine::startAlertPlacement(bool start) {
    // Placing an alert and placing a tool would both want the next click.
    if (start) startTool(0);
    alertLines_->setPlacing(start);
}

bool DrawingKLine::isPlacingAlert() const {
    return alertLines_->isPlacing();
}
