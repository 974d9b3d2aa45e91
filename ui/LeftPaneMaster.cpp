#include "LeftPaneMaster.h"

#include <algorithm>
#include <cmath>

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
    if (!slider_ || !news_ || !stock_) return false;
    setAnchorPoint(CCPointZero);
    slider_->setPosition(CCPoint(-PANE_WIDTH, 0));
    slider_->addChild(news_);
    slider_->addChild(stock_);
    addChild(slider_);
    news_->setCloseCallback([this] { setPageShown(NEWS_PAGE, false, true); });
    stock_->setCloseCallback([this] { setPageShown(STOCK_PAGE, false, true); });
    setPaneHeight(height);
    return true;
}

LeftPanePage* LeftPaneMaster::page(int index) const {
    if (index == NEWS_PAGE) return news_;
    if (index == STOCK_PAGE) return stock_;
    return nullptr;
}

bool LeftPaneMaster::isPageShown(int index) const {
    const LeftPanePage* p = page(index);
    return p && p->isShown();
}

bool LeftPaneMaster::isPaneShown() const {
    return news_->isShown() || stock_->isShown();
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
    if (news_->isShown() && stock_->isShown()) {
        const float half = std::max(0.0f, (height - PAGE_GAP) / 2);
        news_->setPanelSize(CCSize(PANE_WIDTH, half));
        news_->setPosition(CCPoint(0, height - half));
        stock_->setPanelSize(CCSize(PANE_WIDTH, half));
        stock_->setPosition(CCPointZero);
        return;
    }
    // A single page, or the page sliding out with the pane, fills the pane.
    for (LeftPanePage* p : {static_cast<LeftPanePage*>(news_), static_cast<LeftPanePage*>(stock_)}) {
        if (!p->isShown() && isPaneShown()) continue;
        p->setPanelSize(CCSize(PANE_WIDTH, height));
        p->setPosition(CCPointZero);
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
    news_->setVisible(news_->isShown());
    stock_->setVisible(stock_->isShown());
}
