#include "CCActionInstant.h"

#include "CCNode.h"

NS_CC_BEGIN

void CCActionInstant::startWithTarget(CCNode* target) {
    CCFiniteTimeAction::startWithTarget(target);
    done_ = false;
}

void CCActionInstant::step(float) {
    if (done_) return;
    done_ = true;
    update(1.0f);
}

CCShow* CCShow::create() {
    auto* action = new CCShow();
    action->autorelease();
    return action;
}

void CCShow::update(float) {
    if (target_) target_->setVisible(true);
}

CCHide* CCHide::create() {
    auto* action = new CCHide();
    action->autorelease();
    return action;
}

void CCHide::update(float) {
    if (target_) target_->setVisible(false);
}

CCRemoveSelf* CCRemoveSelf::create(bool cleanup) {
    auto* action = new CCRemoveSelf();
    action->cleanup_ = cleanup;
    action->autorelease();
    return action;
}

void CCRemoveSelf::update(float) {
    if (target_) target_->removeFromParentAndCleanup(cleanup_);
}

CCCallFunc* CCCallFunc::create(CCObject* target, SEL_CallFunc selector) {
    auto* action = new CCCallFunc();
    action->setCallbackTarget(target);
    action->selector_ = selector;
    action->autorelease();
    return action;
}

CCCallFunc* CCCallFunc::create(std::function<void()> function) {
    auto* action = new CCCallFunc();
    action->function_ = std::move(function);
    action->autorelease();
    return action;
}

CCCallFunc::~CCCallFunc() {
    CC_SAFE_RELEASE(callbackTarget_);
}

void CCCallFunc::setCallbackTarget(CCObject* target) {
    CC_SAFE_RETAIN(target);
    CC_SAFE_RELEASE(callbackTarget_);
    callbackTarget_ = target;
}

void CCCallFunc::update(float) {
    execute();
}

// GCC's sanitizer builds misread calls through member-function pointers as uninitialised reads.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

void CCCallFunc::execute() {
    if (callbackTarget_ && selector_) {
        (callbackTarget_->*selector_)();
    } else if (function_) {
        function_();
    }
}

CCCallFuncN* CCCallFuncN::create(CCObject* target, SEL_CallFuncN selector) {
    auto* action = new CCCallFuncN();
    action->setCallbackTarget(target);
    action->selectorN_ = selector;
    action->autorelease();
    return action;
}

CCCallFuncN* CCCallFuncN::create(std::function<void(CCNode*)> function) {
    auto* action = new CCCallFuncN();
    action->functionN_ = std::move(function);
    action->autorelease();
    return action;
}

void CCCallFuncN::execute() {
    if (callbackTarget_ && selectorN_) {
        (callbackTarget_->*selectorN_)(target_);
    } else if (functionN_) {
        functionN_(target_);
    }
}

CCCallFuncND* CCCallFuncND::create(CCObject* target, SEL_CallFuncND selector, void* data) {
    auto* action = new CCCallFuncND();
    action->setCallbackTarget(target);
    action->selectorND_ = selector;
    action->data_ = data;
    action->autorelease();
    return action;
}

void CCCallFuncND::execute() {
    if (callbackTarget_ && selectorND_) (callbackTarget_->*selectorND_)(target_, data_);
}

CCCallFuncO* CCCallFuncO::create(CCObject* target, SEL_CallFuncO selector, CCObject* object) {
    auto* action = new CCCallFuncO();
    action->setCallbackTarget(target);
    action->selectorO_ = selector;
    CC_SAFE_RETAIN(object);
    action->object_ = object;
    action->autorelease();
    return action;
}

CCCallFuncO::~CCCallFuncO() {
    CC_SAFE_RELEASE(object_);
}

void CCCallFuncO::execute() {
    if (callbackTarget_ && selectorO_) (callbackTarget_->*selectorO_)(object_);
}

NS_CC_END
