#include "ChartButton.h"

#include "CCSpriteFrameCache.h"

USING_NS_CC;

ChartButton* ChartButton::create(const char* normalFrame, const char* pressedFrame, int tag) {
    auto* button = new ChartButton();
    button->normalFrame_ = normalFrame;
    button->pressedFrame_ = pressedFrame;
    button->initWithSpriteFrameName(normalFrame);
    button->setTag(tag);
    button->autorelease();
    return button;
}

void ChartButton::setPressed(bool pressed) {
    if (pressed == pressed_) return;
    pressed_ = pressed;
    const std::string& name = pressed ? pressedFrame_ : normalFrame_;
    if (CCSpriteFrame* frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name))
        setDisplayFrame(frame);
}

void ChartButton::setFrames(const char* normalFrame, const char* pressedFrame) {
    normalFrame_ = normalFrame;
    pressedFrame_ = pressedFrame;
    const std::string& name = pressed_ ? pressedFrame_ : normalFrame_;
    if (CCSpriteFrame* frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name))
        setDisplayFrame(frame);
}

bool ChartButton::isHit(float x, float y) {
    return enabled_ && IsPointOnMe(x, y);
}
