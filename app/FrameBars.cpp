#include "FrameBars.h"

#include <algorithm>

#include "AppGlobals.h"
#include "CCLayerColor.h"
#include "CCSprite.h"
#include "StatsOverlay.h"
#include "StockButtonPanel.h"
#include "Theme.h"

USING_NS_CC;

void FrameBars::build(CCNode* parent, StockButtonPanelDelegate* stripDelegate, float width) {
    topBar_ = CCLayerColor::create(FRAME_BAR_BACKGROUND);
    leftBar_ = CCLayerColor::create(FRAME_BAR_BACKGROUND);
    bottomBar_ = CCLayerColor::create(FRAME_BAR_BACKGROUND);
    parent->addChild(topBar_, Z_TOP_BAR);
    parent->addChild(leftBar_, Z_FRAME_BARS);
    parent->addChild(bottomBar_, Z_FRAME_BARS);
    if (AppGlobals::showStats) {
        StatsOverlay* stats = StatsOverlay::create();
        stats->setPosition(CCPoint(LEFT_BAR_WIDTH + 8, BOTTOM_BAR_HEIGHT / 2));
        bottomBar_->addChild(stats);
    }
    if (CCSprite* logo = CCSprite::createWithSpriteFrameName("logomini.png")) {
        logo_ = logo;
        parent->addChild(logo, Z_TOP_BAR + 1);
    }
    strip_ = StockButtonPanel::create(CCSize(width, TOP_BAR_HEIGHT));
    if (strip_) {
        strip_->setDelegate(stripDelegate);
        parent->addChild(strip_, Z_TOP_BAR + 1);
    }
}

void FrameBars::layout(float width, float height) {
    topBar_->setContentSize(CCSize(width, TOP_BAR_HEIGHT));
    topBar_->setPosition(CCPoint(0, height - TOP_BAR_HEIGHT));
    bottomBar_->setContentSize(CCSize(width, BOTTOM_BAR_HEIGHT));
    bottomBar_->setPosition(CCPointZero);
    leftBar_->setContentSize(
        CCSize(LEFT_BAR_WIDTH, std::max(0.0f, height - TOP_BAR_HEIGHT - BOTTOM_BAR_HEIGHT)));
    leftBar_->setPosition(CCPoint(0, BOTTOM_BAR_HEIGHT));
    if (logo_) logo_->setPosition(CCPoint(width - 60, height - TOP_BAR_HEIGHT / 2));
    if (strip_) {
        // The strip leaves room for the logo at the right.
        strip_->setContentSize(CCSize(std::max(0.0f, width - 120), TOP_BAR_HEIGHT));
        strip_->setPosition(CCPoint(0, height - TOP_BAR_HEIGHT));
        strip_->relayout(false);
    }
}
