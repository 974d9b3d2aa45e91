#include "StockButton.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CCAction.h"
#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CCDrawingPrimitives.h"
#include "CCLabelTTF.h"
#include "CCSpriteFrameCache.h"
#include "ChartType.h"
#include "KLineHistoryLoader.h"
#include "KLineSeries.h"
#include "PanelButton.h"
#include "Resources.h"
#include "RiseFallColours.h"
#include "StockWindow.h"

USING_NS_CC;

namespace {

constexpr int CLOSE_FADE_TAG = 41;
constexpr int SMALL_CHART_GROUP = KLineBar::DRAWING_GROUP_COUNT - 1;
constexpr ccColor3B NAME_GREY_COLOUR{StockButton::NAME_GREY, StockButton::NAME_GREY, StockButton::NAME_GREY};
constexpr ccColor3B RED_TEXT{200, 66, 66};
constexpr ccColor3B GREEN_TEXT{44, 170, 66};
// The small chart lies under the texts: drawn faint, so the name and numbers stay legible on it.
constexpr uint8_t SMALL_CHART_OPACITY = 80;

CCSpriteFrame* frameNamed(const char* name) {
    return CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name);
}

}  // namespace

StockButton* StockButton::create() {
    return createAutoreleased<StockButton>(&StockButton::initButton);
}

bool StockButton::initButton() {
    for (const char* name : {"stockFrameNor.png", "stockFrameSel.png", "stockFrameRect.png",
                             "stockFrameNor2.png", "stockFrameSel2.png", "stockFrameRect2.png"}) {
        if (!frameNamed(name)) return false;
    }
    if (!initWithSpriteFrameName("stockFrameNor.png")) return false;
    setAnchorPoint(CCPoint(0, 0.5f));

    frameRect_ = CCSprite::createWithSpriteFrameName("stockFrameRect.png");
    selection_ = CCSprite::createWithSpriteFrameName("stockFrameSel.png");
    closeButton_ = PanelButton::create("close_small.png", "close_small_sel.png", 0, [this](PanelButton*) {
        if (closeAllowed_ && closeHandler_) closeHandler_(this);
    });
    if (!frameRect_ || !selection_ || !closeButton_) return false;
    frameRect_->setAnchorPoint(CCPointZero);
    addChild(frameRect_, -1);
    selection_->setAnchorPoint(CCPointZero);
    selection_->setOpacity(100);
    selection_->setVisible(false);
    addChild(selection_, 1);
    closeButton_->setVisible(false);
    addChild(closeButton_, 3);

    nameLabel_ = CCLabelTTF::create("", FONT_FILE, 13);
    nameLabel_->setAnchorPoint(CCPoint(0, 0.5f));
    nameLabel_->setColor(NAME_GREY_COLOUR);
    addChild(nameLabel_, 2);
    priceLabel_ = CCLabelTTF::create("--.--", FONT_FILE, 12);
    priceLabel_->setAnchorPoint(CCPoint(0, 0.5f));
    addChild(priceLabel_, 2);
    changeLabel_ = CCLabelTTF::create("", FONT_FILE, 12);
    changeLabel_->setAnchorPoint(CCPoint(0, 0.5f));
    addChild(changeLabel_, 2);

    // The pointer is decoration: a sheet without it still gives a working button.
    pointer_ = CCSprite::createWithSpriteFrameName("pointer_red.png");
    if (pointer_) {
        pointer_->setScale(0.7f);
        pointer_->setVisible(false);
        addChild(pointer_, 2);
    }
    placeChildren();
    colourLabels();
    return true;
}

void StockButton::placeChildren() {
    const CCSize size = getContentSize();
    closeButton_->setPosition(CCPoint(14, size.height - 12));
    nameLabel_->setPosition(CCPoint(24, 0.74f * size.height));
    priceLabel_->setPosition(CCPoint(24, 0.42f * size.height));
    changeLabel_->setPosition(CCPoint(24, 0.16f * size.height));
}

void StockButton::applyFrames() {
    setDisplayFrame(frameNamed(narrow_ ? "stockFrameNor2.png" : "stockFrameNor.png"));
    frameRect_->setDisplayFrame(frameNamed(narrow_ ? "stockFrameRect2.png" : "stockFrameRect.png"));
    selection_->setDisplayFrame(frameNamed(narrow_ ? "stockFrameSel2.png" : "stockFrameSel.png"));
    placeChildren();
}

void StockButton::link(StockWindow* window, const std::string& displayName) {
    window_ = window;
    setDisplayName(displayName);
    redrawChart();
}

void StockButton::setNarrow(bool narrow) {
    if (narrow_ == narrow) return;
    narrow_ = narrow;
    applyFrames();
    redrawChart();
}

void StockButton::setActive(bool active) {
    active_ = active;
    selection_->setVisible(active);
    nameLabel_->setColor(active ? ccWHITE : NAME_GREY_COLOUR);
}

void StockButton::setCloseAllowed(bool allowed) {
    closeAllowed_ = allowed;
    closeButton_->setEnabled(allowed);
    if (!allowed) {
        closeButton_->stopActionByTag(CLOSE_FADE_TAG);
        closeButton_->setVisible(false);
    }
}

void StockButton::showQuote(float last, float change) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", last);
    priceLabel_->setString(text);
    // A percentage; the quote card's atlas draws its "/" as "%", this plain font needs the sign itself.
    std::snprintf(text, sizeof text, "%.3f%%", change);
    changeLabel_->setString(text);
    rising_ = change >= 0;
    colourLabels();
}

void StockButton::colourLabels() {
    // Labels, pointer and small chart share one colour: the window's rise/fall convention.
    const bool green = showsGreen(rising_, window_ && window_->getRiseGreen());
    quoteColour_ = green ? GREEN_TEXT : RED_TEXT;
    priceLabel_->setColor(quoteColour_);
    changeLabel_->setColor(quoteColour_);
    if (pointer_) {
        if (CCSpriteFrame* frame = frameNamed(green ? "pointer_green.png" : "pointer_red.png"))
            pointer_->setDisplayFrame(frame);
    }
}

void StockButton::setDisplayName(const std::string& name) {
    nameLabel_->setString(name.c_str());
}

std::vector<CCPoint> StockButton::smallChartPoints(const KLineSeries& series, int chartType,
                                                   const CCSize& size) {
    std::vector<CCPoint> points;
    const size_t n = series.size();
    if (n < 1) return points;
    const auto k = static_cast<size_t>(std::floor(0.8f * 2 * size.width));
    const size_t start = n > k ? n - k : 0;

    float high = 0;
    float low = 0;
    bool haveHigh = false;
    for (size_t i = start; i < n; ++i) {
        const KLineBar* bar = series.barAt(i);
        if (bar->valid != 0 && (!haveHigh || bar->high > high)) {
            high = bar->high;
            haveHigh = true;
        }
        if (i == start || bar->low < low) low = bar->low;
    }
    float range = high - low;
    if (!(range > 0)) range = 1;
    const float scale = 0.7f * size.height / range;
    const auto y = [&](float v) { return (v - low) * scale + 8; };
    const bool fullRange = spansHighToLow(chartType);

    points.reserve((n - start) * 2);
    for (size_t i = start; i < n; ++i) {
        KLineBar* bar = series.barAt(i);
        const float x = (static_cast<float>(i - start) + 10) * 0.5f;
        float from = fullRange ? y(bar->high) : y(bar->close);
        float to = fullRange ? y(bar->low) : y(bar->open);
        // A flat bar still shows as a dot.
        if (from == to) to = from + 2;
        CCPoint* group = bar->drawingGroup(SMALL_CHART_GROUP);
        group[0] = CCPoint(x, from);
        group[1] = CCPoint(x, to);
        points.push_back(group[0]);
        points.push_back(group[1]);
    }
    return points;
}

void StockButton::redrawChart() {
    chartDirty_ = true;
}

void StockButton::visit() {
    if (chartDirty_ && isVisible()) rebuildChart();
    CCSprite::visit();
}

void StockButton::rebuildChart() {
    chartDirty_ = false;
    chartPoints_.clear();
    if (window_ && window_->getLoader())
        chartPoints_ =
            smallChartPoints(window_->getLoader()->series(), window_->getChartType(), getContentSize());
    if (pointer_) {
        pointer_->setVisible(!chartPoints_.empty());
        if (!chartPoints_.empty()) pointer_->setPosition(chartPoints_.back());
    }
    colourLabels();
}

void StockButton::onEnter() {
    CCSprite::onEnter();
    setMouseEnabled(true);
    if (pointer_) {
        CCAction* blink = CCRepeatForever::create(
            CCSequence::createWithTwoActions(CCFadeTo::create(0.8f, 0), CCFadeTo::create(0.8f, 150)));
        blink->setAmbient(true);
        pointer_->runAction(blink);
    }
}

void StockButton::onExit() {
    setMouseEnabled(false);
    if (pointer_) pointer_->stopAllActions();
    CCSprite::onExit();
}

void StockButton::OnMouseHover() {
    if (!closeAllowed_) return;
    closeButton_->stopActionByTag(CLOSE_FADE_TAG);
    closeButton_->setVisible(true);
    closeButton_->setOpacity(0);
    CCAction* fade = CCFadeIn::create(CLOSE_FADE_SECONDS);
    fade->setTag(CLOSE_FADE_TAG);
    closeButton_->runAction(fade);
}

void StockButton::OnMouseLeave() {
    closeButton_->stopActionByTag(CLOSE_FADE_TAG);
    if (!closeButton_->isVisible()) return;
    CCAction* fade =
        CCSequence::createWithTwoActions(CCFadeOut::create(CLOSE_FADE_SECONDS), CCHide::create());
    fade->setTag(CLOSE_FADE_TAG);
    closeButton_->runAction(fade);
}

void StockButton::draw() {
    CCSprite::draw();
    if (!chartShown_ || chartPoints_.empty()) return;
    ccDrawColor4B(quoteColour_.r, quoteColour_.g, quoteColour_.b, SMALL_CHART_OPACITY);
    ccDrawLines(chartPoints_.data(), static_cast<unsigned int>(chartPoints_.size()));
}
