#pragma once

#include "CCActionInterval.h"

// Delayed calls: actions that do nothing while they run and call back once when they stop,
// whether the duration elapsed or the action was removed early. Callers rely on exactly one call.
// Each factory returns null when the member function is missing or the duration is refused.
// Main thread only.

typedef void (cocos2d::CCObject::*SEL_CallFuncI)(int);
typedef void (cocos2d::CCObject::*SEL_CallFuncB)(bool);
typedef void (cocos2d::CCObject::*SEL_CallFuncV)(void*);
typedef void (cocos2d::CCObject::*SEL_CallFuncF)(float);

#define callfuncI_selector(_SELECTOR) static_cast<SEL_CallFuncI>(&_SELECTOR)
#define callfuncB_selector(_SELECTOR) static_cast<SEL_CallFuncB>(&_SELECTOR)
#define callfuncV_selector(_SELECTOR) static_cast<SEL_CallFuncV>(&_SELECTOR)
#define callfuncF_selector(_SELECTOR) static_cast<SEL_CallFuncF>(&_SELECTOR)

// Shared part: the once-only call at stop time.
class EXDelayFuncBase : public cocos2d::CCActionInterval {
public:
    void startWithTarget(cocos2d::CCNode* target) override;
    void update(float) override {}
    void stop() override;

protected:
    // Calls the stored function on the given target.
    virtual void fire(cocos2d::CCObject* target) = 0;
    // The object whose member is called; by default the node running the action.
    virtual cocos2d::CCObject* callbackTarget(cocos2d::CCNode* runningNode) const;

private:
    bool fired_ = false;
};

// Calls function() on the node running the action.
class EXDelayFunc : public EXDelayFuncBase {
public:
    static EXDelayFunc* create(cocos2d::SEL_CallFunc function, float duration);

protected:
    void fire(cocos2d::CCObject* target) override { (target->*function_)(); }

private:
    cocos2d::SEL_CallFunc function_ = nullptr;
};

// Calls function(value) on the given object, which the action retains until it is destroyed.
class EXDelayFuncI : public EXDelayFuncBase {
public:
    static EXDelayFuncI* create(cocos2d::CCObject* object, SEL_CallFuncI function, int value, float duration);
    ~EXDelayFuncI() override;

protected:
    void fire(cocos2d::CCObject* target) override { (target->*function_)(value_); }
    cocos2d::CCObject* callbackTarget(cocos2d::CCNode*) const override { return object_; }

private:
    cocos2d::CCObject* object_ = nullptr;
    SEL_CallFuncI function_ = nullptr;
    int value_ = 0;
};

// Calls function(flag) on the node running the action; the flag is false unless set.
class EXDelayFuncB : public EXDelayFuncBase {
public:
    static EXDelayFuncB* create(SEL_CallFuncB function, float duration);
    void setFlag(bool flag) { flag_ = flag; }
    bool getFlag() const { return flag_; }

protected:
    void fire(cocos2d::CCObject* target) override { (target->*function_)(flag_); }

private:
    SEL_CallFuncB function_ = nullptr;
    bool flag_ = false;
};

// Calls function(pointer) on the node running the action. The pointer is not owned.
class EXDelayFuncVoid : public EXDelayFuncBase {
public:
    static EXDelayFuncVoid* create(SEL_CallFuncV function, void* pointer, float duration);

protected:
    void fire(cocos2d::CCObject* target) override { (target->*function_)(pointer_); }

private:
    SEL_CallFuncV function_ = nullptr;
    void* pointer_ = nullptr;
};

// Calls function(value) on the node running the action.
class EXDelayFuncF : public EXDelayFuncBase {
public:
    static EXDelayFuncF* create(SEL_CallFuncF function, float value, float duration);

protected:
    void fire(cocos2d::CCObject* target) override { (target->*function_)(value_); }

private:
    SEL_CallFuncF function_ = nullptr;
    float value_ = 0;
};
