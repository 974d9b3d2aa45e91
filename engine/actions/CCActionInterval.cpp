#include "CCActionInterval.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>

#include "CCNode.h"

NS_CC_BEGIN

bool CCActionInterval::initWithDuration(float duration) {
    if (!(duration >= 0) || std::isinf(duration)) return false;
    duration_ = duration;
    elapsed_ = 0;
    return true;
}

void CCActionInterval::startWithTarget(CCNode* target) {
    CCFiniteTimeAction::startWithTarget(target);
    elapsed_ = 0;
}

void CCActionInterval::step(float dt) {
    elapsed_ += std::max(0.0f, dt);
    float t = isDone() ? 1.0f : static_cast<float>(elapsed_ / duration_);
    update(t);
}

CCDelayTime* CCDelayTime::create(float duration) {
    return createAutoreleased<CCDelayTime>(&CCDelayTime::initWithDuration, duration);
}

// --- CCSequence

CCSequence* CCSequence::create(CCFiniteTimeAction* first, ...) {
    std::vector<CCFiniteTimeAction*> list;
    va_list args;
    va_start(args, first);
    for (CCFiniteTimeAction* a = first; a; a = va_arg(args, CCFiniteTimeAction*)) list.push_back(a);
    va_end(args);
    return create(list);
}

CCSequence* CCSequence::createWithTwoActions(CCFiniteTimeAction* one, CCFiniteTimeAction* two) {
    return create(std::vector<CCFiniteTimeAction*>{one, two});
}

CCSequence* CCSequence::create(const std::vector<CCFiniteTimeAction*>& actions) {
    auto* sequence = new CCSequence();
    float total = 0;
    for (CCFiniteTimeAction* a : actions) {
        if (!a) continue;
        a->retain();
        sequence->actions_.push_back(a);
        total += a->getDuration();
    }
    sequence->initWithDuration(total);
    sequence->autorelease();
    return sequence;
}

CCSequence::~CCSequence() {
    for (CCFiniteTimeAction* a : actions_) a->release();
}

void CCSequence::startWithTarget(CCNode* target) {
    CCActionInterval::startWithTarget(target);
    current_ = 0;
    currentStarted_ = false;
}

bool CCSequence::isDone() const {
    return current_ >= actions_.size();
}

void CCSequence::step(float dt) {
    elapsed_ += std::max(0.0f, dt);
    float remaining = std::max(0.0f, dt);
    // Run children in turn; time a child does not use passes on to the next one in the same frame.
    while (current_ < actions_.size()) {
        CCFiniteTimeAction* action = actions_[current_];
        if (!currentStarted_) {
            action->startWithTarget(target_);
            currentStarted_ = true;
        }
        action->step(remaining);
        if (!action->isDone()) break;
        auto* interval = dynamic_cast<CCActionInterval*>(action);
        remaining = interval ? std::max(0.0f, interval->getElapsed() - interval->getDuration()) : remaining;
        action->stop();
        ++current_;
        currentStarted_ = false;
    }
}

void CCSequence::stop() {
    if (current_ < actions_.size() && currentStarted_) actions_[current_]->stop();
    currentStarted_ = false;
    current_ = actions_.size();
    CCActionInterval::stop();
}

// --- CCRepeat

CCRepeat* CCRepeat::create(CCFiniteTimeAction* action, unsigned int times) {
    if (!action) return nullptr;
    auto* repeat = new CCRepeat();
    repeat->inner_ = action;
    action->retain();
    repeat->times_ = times;
    repeat->initWithDuration(action->getDuration() * static_cast<float>(times));
    repeat->autorelease();
    return repeat;
}

CCRepeat::~CCRepeat() {
    CC_SAFE_RELEASE(inner_);
}

void CCRepeat::startWithTarget(CCNode* target) {
    CCActionInterval::startWithTarget(target);
    done_ = 0;
    innerStarted_ = false;
}

void CCRepeat::step(float dt) {
    elapsed_ += std::max(0.0f, dt);
    float remaining = std::max(0.0f, dt);
    // At most one extra round per frame, so a zero-length inner action cannot spin.
    for (int rounds = 0; done_ < times_ && rounds < 2; ++rounds) {
        if (!innerStarted_) {
            inner_->startWithTarget(target_);
            innerStarted_ = true;
        }
        inner_->step(remaining);
        if (!inner_->isDone()) break;
        auto* interval = dynamic_cast<CCActionInterval*>(inner_);
        remaining = interval ? std::max(0.0f, interval->getElapsed() - interval->getDuration()) : 0.0f;
        inner_->stop();
        innerStarted_ = false;
        ++done_;
    }
}

void CCRepeat::stop() {
    if (innerStarted_) inner_->stop();
    innerStarted_ = false;
    done_ = times_;
    CCActionInterval::stop();
}

// --- movement, scale, rotation, fades

CCMoveTo* CCMoveTo::create(float duration, const CCPoint& position) {
    auto* action = createAutoreleased<CCMoveTo>(&CCMoveTo::initWithDuration, duration);
    if (action) action->end_ = position;
    return action;
}

void CCMoveTo::startWithTarget(CCNode* target) {
    CCActionInterval::startWithTarget(target);
    start_ = target->getPosition();
    delta_ = end_ - start_;
}

void CCMoveTo::update(float t) {
    if (target_) target_->setPosition(start_ + delta_ * t);
}

CCMoveBy* CCMoveBy::create(float duration, const CCPoint& delta) {
    auto* action = createAutoreleased<CCMoveBy>(&CCMoveBy::initWithDuration, duration);
    if (action) action->by_ = delta;
    return action;
}

void CCMoveBy::startWithTarget(CCNode* target) {
    CCActionInterval::startWithTarget(target);
    start_ = target->getPosition();
    delta_ = by_;
    end_ = start_ + by_;
}

CCScaleTo* CCScaleTo::create(float duration, float scale) {
    return create(duration, scale, scale);
}

CCScaleTo* CCScaleTo::create(float duration, float scaleX, float scaleY) {
    return createAutoreleased<CCScaleTo>(&CCScaleTo::initWithDuration, duration, scaleX, scaleY);
}

bool CCScaleTo::initWithDuration(float duration, float scaleX, float scaleY) {
    if (!CCActionInterval::initWithDuration(duration)) return false;
    endX_ = scaleX;
    endY_ = scaleY;
    return true;
}

void CCScaleTo::startWithTarget(CCNode* target) {
    CCActionInterval::startWithTarget(target);
    startX_ = target->getScaleX();
    startY_ = target->getScaleY();
}

void CCScaleTo::update(float t) {
    if (!target_) return;
    target_->setScaleX(startX_ + (endX_ - startX_) * t);
    target_->setScaleY(startY_ + (endY_ - startY_) * t);
}

CCRotateTo* CCRotateTo::create(float duration, float angle) {
    auto* action = createAutoreleased<CCRotateTo>(&CCRotateTo::initWithDuration, duration);
    if (action) action->dst_ = angle;
    return action;
}

void CCRotateTo::startWithTarget(CCNode* target) {
    CCActionInterval::startWithTarget(target);
    start_ = std::fmod(target->getRotation(), 360.0f);
    diff_ = dst_ - start_;
    if (diff_ > 180) diff_ -= 360;
    if (diff_ < -180) diff_ += 360;
}

void CCRotateTo::update(float t) {
    if (target_) target_->setRotation(start_ + diff_ * t);
}

CCRotateBy* CCRotateBy::create(float duration, float deltaAngle) {
    auto* action = createAutoreleased<CCRotateBy>(&CCRotateBy::initWithDuration, duration);
    if (action) action->delta_ = deltaAngle;
    return action;
}

void CCRotateBy::startWithTarget(CCNode* target) {
    CCActionInterval::startWithTarget(target);
    start_ = target->getRotation();
}

void CCRotateBy::update(float t) {
    if (target_) target_->setRotation(start_ + delta_ * t);
}

CCFadeTo* CCFadeTo::create(float duration, uint8_t opacity) {
    auto* action = createAutoreleased<CCFadeTo>(&CCFadeTo::initWithDuration, duration);
    if (action) action->to_ = opacity;
    return action;
}

void CCFadeTo::startWithTarget(CCNode* target) {
    CCActionInterval::startWithTarget(target);
    from_ = target->getOpacity();
}

void CCFadeTo::update(float t) {
    if (target_) target_->setOpacity(static_cast<uint8_t>(std::lround(from_ + (to_ - from_) * t)));
}

CCFadeIn* CCFadeIn::create(float duration) {
    return createAutoreleased<CCFadeIn>(&CCFadeIn::initWithDuration, duration);
}

void CCFadeIn::startWithTarget(CCNode* target) {
    CCFadeTo::startWithTarget(target);
    from_ = 0;
    to_ = 255;
}

CCFadeOut* CCFadeOut::create(float duration) {
    return createAutoreleased<CCFadeOut>(&CCFadeOut::initWithDuration, duration);
}

void CCFadeOut::startWithTarget(CCNode* target) {
    CCFadeTo::startWithTarget(target);
    from_ = 255;
    to_ = 0;
}

NS_CC_END
