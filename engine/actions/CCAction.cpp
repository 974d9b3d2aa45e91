#include "CCAction.h"

#include "CCActionInterval.h"
#include "CCNode.h"

NS_CC_BEGIN

void CCAction::startWithTarget(CCNode* target) {
    target_ = target;
    originalTarget_ = target;
}

void CCAction::stop() {
    target_ = nullptr;
}

void CCAction::step(float) {}

void CCAction::update(float) {}

CCRepeatForever* CCRepeatForever::create(CCActionInterval* action) {
    if (!action) return nullptr;
    auto* repeat = new CCRepeatForever();
    repeat->inner_ = action;
    action->retain();
    repeat->autorelease();
    return repeat;
}

CCRepeatForever::~CCRepeatForever() {
    CC_SAFE_RELEASE(inner_);
}

void CCRepeatForever::startWithTarget(CCNode* target) {
    CCAction::startWithTarget(target);
    inner_->startWithTarget(target);
}

void CCRepeatForever::stop() {
    if (!inner_->isDone()) inner_->stop();
    CCAction::stop();
}

void CCRepeatForever::step(float dt) {
    CCNode* target = target_;
    inner_->step(dt);
    if (inner_->isDone()) {
        // Carry the overshoot into the next round so the rhythm does not drift.
        float overshoot = inner_->getElapsed() - inner_->getDuration();
        inner_->stop();
        inner_->startWithTarget(target);
        if (overshoot > 0 && inner_->getDuration() > 0) inner_->step(overshoot);
    }
}

NS_CC_END
