#include "LeftPaneMaster.h"

#include <algorithm>
#include <cmath>

#include "AlertListPage.h"
#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CDebugModule.h"
#include "CStockPanel.h"
#include "NewsPanel.h"

USING_NS_CC;

namespace {
constexpr int SLIDE_TAG = 49;
}

LeftPaneMaster* LeftPaneMaster::create(float height) {
    return createAutoreleased<LeftPaneMaster>(&LeftPaneMaster::initPane, height);
}

bool LeftPaneMaster::initPane(float height) {
    if (!init()) return false;
    slider_ = CCNode::create();
    news_ = NewsPanel::create(CCSize(PANE_WIDTH, height));
    stock_ = CStockPanel::create(CCSize(PANE_WIDTH, height));
    alerts_ = AlertListPage::create(CCSize(PANE_WIDTH, height));
    if (!slider_ || !news_ || !stock_ || !alerts_) return false;
    setAnchorPoint(CCPointZero);
    slider_->setPosition(CCPoint(-PANE_WIDTH, 0));
    slider_->addChild(news_);
    slider_->addChild(stock_);
    slider_->addChild(alerts_);
    addChild(slider_);
    for (int index = 0; index < PAGE_COUNT; ++index)
        page(index)->setCloseCallback([this, index] { setPageShown(index, false, true); });
    setPaneHeight(height);
    return true;
}

LeftPanePage* LeftPaneMaster::page(int index) const {
    if (index == NEWS_PAGE) return news_;
    if (index == STOCK_PAGE) return stock_;
    if (index == ALERT_PAGE) return alerts_;
    return nullptr;
}

bool LeftPaneMaster::isPageShown(int index) const {
    const LeftPanePage* p = page(index);
    return p && p->isShown();
}

bool LeftPaneMaster::isPaneShown() const {
    return news_->isShown() || stock_->isShown() || alerts_->isShown();
}

float LeftPaneMaster::getPaneWidth() const {
    return isPaneShown() ? PANE_WIDTH : 0;
}

void LeftPaneMaster::setPageShown(int index, bool shown, bool animated) {
    LeftPanePage* p = page(index);
    if (!p) {
        logWarn("LeftPaneMaster: no page %d", index);
        return;
    }
    if (p->isShown() == shown) return;
    const bool paneWasShown = isPaneShown();
    p->setShown(shown);
    const bool paneShown = isPaneShown();
    if (paneShown) layoutPages();
    if (paneShown != paneWasShown) {
        slide(paneShown, animated, paneShown ? nullptr : p);
        if (widthChanged_) widthChanged_();
    }
    if (pageChanged_) pageChanged_();
}

void LeftPaneMaster::setPaneHeight(float height) {
    setContentSize(CCSize(PANE_WIDTH, std::max(0.0f, height)));
    layoutPages();
}

void LeftPaneMaster::layoutPages() {
    const float height = getContentSize().height;
    int shown = 0;
    for (int index = 0; index < PAGE_COUNT; ++index) shown += page(index)->isShown() ? 1 : 0;
    if (shown == 0) {
        // The page sliding out with the pane keeps filling it.
        for (int index = 0; index < PAGE_COUNT; ++index) {
            page(index)->setPanelSize(CCSize(PANE_WIDTH, height));
            page(index)->setPosition(CCPointZero);
        }
        return;
    }
    // Shown pages split the height in page order, top to bottom, in whole pixels: the bottom one
    // takes what is left.
    const float gaps = PAGE_GAP * static_cast<float>(shown - 1);
    const float each = std::max(0.0f, std::floor((height - gaps) / static_cast<float>(shown)));
    float top = height;
    for (int index = 0; index < PAGE_COUNT; ++index) {
        LeftPanePage* p = page(index);
        if (!p->isShown()) continue;
        const bool bottom = --shown == 0;
        const float pageHeight = bottom ? std::max(0.0f, top) : each;
        p->setPanelSize(CCSize(PANE_WIDTH, pageHeight));
        p->setPosition(CCPoint(0, top - pageHeight));
        top -= pageHeight + PAGE_GAP;
    }
}

void LeftPaneMaster::slide(bool in, bool animated, LeftPanePage* leaving) {
    slider_->stopActionByTag(SLIDE_TAG);
    const CCPoint to(in ? 0 : -PANE_WIDTH, 0);
    if (in) showOnlyShownPages();
    if (!animated) {
        slider_->setPosition(to);
        showOnlyShownPages();
        return;
    }
    // The page that closed the pane stays visible while it slides away.
    if (leaving) leaving->setVisible(true);
    const float distance = std::abs(to.x - slider_->getPositionX());
    CCAction* move = CCSequence::create(CCMoveTo::create(SLIDE_SECONDS * distance / PANE_WIDTH, to),
                                        CCCallFunc::create([this]() { showOnlyShownPages(); }), nullptr);
    move->setTag(SLIDE_TAG);
    slider_->runAction(move);
}

void LeftPaneMaster::showOnlyShownPages() {
    for (int index = 0; index < PAGE_COUNT; ++index) page(index)->setVisible(page(index)->isShown());
}
