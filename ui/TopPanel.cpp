#include "TopPanel.h"

#include <algorithm>

#include "CDebugModule.h"
#include "StockButtonPanel.h"

USING_NS_CC;

TopPanel* TopPanel::create(float width, StockButtonPanelDelegate* stripDelegate) {
    return createAutoreleased<TopPanel>(&TopPanel::initTop, width, stripDelegate);
}

bool TopPanel::initTop(float width, StockButtonPanelDelegate* stripDelegate) {
    if (!initPanel(CCSize(width, HEIGHT))) return false;
    addButton(PanelButton::create("logomini.png", "logomini.png", LOGO_TAG, buttonCallback()), nullptr);
    strip_ = StockButtonPanel::create(CCSize(std::max(0.0f, width - STRIP_RIGHT_MARGIN), HEIGHT));
    if (strip_) {
        strip_->setDelegate(stripDelegate);
        addChild(strip_, 1);
    }
    layoutButtons();
    return true;
}

void TopPanel::onButton(int tag) {
    logInfo("top panel callback:%d", tag);
}

void TopPanel::layoutButtons() {
    const CCSize size = getContentSize();
    if (PanelButton* logo = getButtonByTag(LOGO_TAG))
        logo->setPosition(CCPoint(size.width - LOGO_RIGHT_INSET, size.height / 2));
    if (strip_) {
        strip_->setContentSize(CCSize(std::max(0.0f, size.width - STRIP_RIGHT_MARGIN), size.height));
        strip_->setPosition(CCPointZero);
        strip_->relayout(false);
    }
}
