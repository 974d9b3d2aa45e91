#include "WindowDecorations.h"

#include "CCSprite.h"

USING_NS_CC;

namespace {
constexpr uint8_t WORLD_MAP_OPACITY = 128;
constexpr uint8_t TOP_SHADE_OPACITY = 160;
constexpr float TOP_SHADE_SCALE_Y = 0.7f;
constexpr float SIDE_SHADE_SCALE_X = 0.35f;
}  // namespace

void WindowDecorations::addWorldMap(CCNode* window) {
    worldMap_ = CCSprite::create("res/bg/worldMap.png");
    if (!worldMap_) return;
    worldMap_->setAnchorPoint(CCPointZero);
    worldMap_->setOpacity(WORLD_MAP_OPACITY);
    window->addChild(worldMap_);
}

bool WindowDecorations::addShades(CCNode* window) {
    topShade_ = CCSprite::createWithSpriteFrameName("topDark.png");
    leftShade_ = CCSprite::createWithSpriteFrameName("leftDark.png");
    rightShade_ = CCSprite::createWithSpriteFrameName("leftDark.png");
    if (!topShade_ || !leftShade_ || !rightShade_) return false;
    topShade_->setAnchorPoint(CCPoint(0, 1));
    topShade_->setOpacity(TOP_SHADE_OPACITY);
    topShade_->setScaleY(TOP_SHADE_SCALE_Y);
    leftShade_->setAnchorPoint(CCPointZero);
    leftShade_->setScaleX(SIDE_SHADE_SCALE_X);
    rightShade_->setAnchorPoint(CCPoint(1, 0));
    rightShade_->setFlipX(true);
    rightShade_->setScaleX(SIDE_SHADE_SCALE_X);
    window->addChild(topShade_, Z_SHADES);
    window->addChild(leftShade_, Z_SHADES);
    window->addChild(rightShade_, Z_SHADES);
    return true;
}

void WindowDecorations::addClosedBackground(CCNode* window) {
    closedBackground_ = CCSprite::create("res/bg/closedBg.jpg");
    if (!closedBackground_) return;
    closedBackground_->setAnchorPoint(CCPointZero);
    closedBackground_->setVisible(false);
    window->addChild(closedBackground_, Z_CLOSED_BACKGROUND);
}

void WindowDecorations::layout(float width, float height) {
    if (closedBackground_) {
        const CCSize image = closedBackground_->getContentSize();
        if (image.width > 0 && image.height > 0) {
            closedBackground_->setScaleX(width / image.width);
            closedBackground_->setScaleY(height / image.height);
        }
    }
    if (worldMap_ && worldMap_->getContentSize().height > 0)
        worldMap_->setScale(height / worldMap_->getContentSize().height);

    const CCSize topSize = topShade_->getContentSize();
    if (topSize.width > 0) topShade_->setScaleX(width / topSize.width);
    topShade_->setPosition(0, height);
    const CCSize sideSize = leftShade_->getContentSize();
    if (sideSize.height > 0) {
        leftShade_->setScaleY(height / sideSize.height);
        rightShade_->setScaleY(height / sideSize.height);
    }
    leftShade_->setPosition(0, 0);
    rightShade_->setPosition(width, 0);
}

void WindowDecorations::setWorldMapVisible(bool visible) {
    if (worldMap_) worldMap_->setVisible(visible);
}
