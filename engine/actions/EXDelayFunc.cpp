#include "EXDelayFunc.h"

#include "CCNode.h"

USING_NS_CC;

void EXDelayFuncBase::startWithTarget(CCNode* target) {
    CCActionInterval::startWithTarget(target);
    fired_ = false;
}

CCObject* EXDelayFuncBase::callbackTarget(CCNode* runningNode) const {
    return runningNode;
}

void EXDelayFuncBase::stop() {
    CCNode* runningNode = target_;
    CCActionInterval::stop();
    CCObject* target = callbackTarget(runningNode);
    if (fired_ || !target) return;
    fired_ = true;
    // The call may remove the node from the scene; keep it alive until the call returns.
    target->retain();
    fire(target);
    target->release();
}

namespace {
// Initialises a freshly made delayed call, or frees it when the engine refuses the duration.
template <typename T>
T* finish(T* action, bool hasFunction, float duration) {
    if (!hasFunction || !action->initWithDuration(duration)) {
        delete action;
        return nullptr;
    }
    action->autorelease();
    return action;
}
}  // namespace

EXDelayFunc* EXDelayFunc::create(SEL_CallFunc function, float duration) {
    auto* action = new EXDelayFunc();
    action->function_ = function;
    return finish(action, function != nullptr, duration);
}

EXDelayFuncI* EXDelayFuncI::create(CCObject* object, SEL_CallFuncI function, int value, float duration) {
    auto* action = new EXDelayFuncI();
    action->function_ = function;
    action->value_ = value;
    action = finish(action, function != nullptr, duration);
    if (action && object) {
        object->retain();
        action->object_ = object;
    }
    return action;
}

EXDelayFuncI::~EXDelayFuncI() {
    CC_SAFE_RELEASE(object_);
}

EXDelayFuncB* EXDelayFuncB::create(SEL_CallFuncB function, float duration) {
    auto* action = new EXDelayFuncB();
    action->function_ = function;
    return finish(action, function != nullptr, duration);
}

EXDelayFuncVoid* EXDelayFuncVoid::create(SEL_CallFuncV function, void* pointer, float duration) {
    auto* action = new EXDelayFuncVoid();
    action->function_ = function;
    action->pointer_ = pointer;
    return finish(action, function != nullptr, duration);
}

EXDelayFuncF* EXDelayFuncF::create(SEL_CallFuncF function, float value, float duration) {
    auto* action = new EXDelayFuncF();
    action->function_ = function;
    action->value_ = value;
    return finish(action, function != nullptr, duration);
}
