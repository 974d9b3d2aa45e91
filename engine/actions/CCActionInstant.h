#pragma once

#include <functional>

#include "CCAction.h"

NS_CC_BEGIN

// An action that happens at once, on its first step.
class CCActionInstant : public CCFiniteTimeAction {
public:
    void startWithTarget(CCNode* target) override;
    void step(float dt) override;
    bool isDone() const override { return done_; }

private:
    bool done_ = false;
};

class CCShow : public CCActionInstant {
public:
    static CCShow* create();
    void update(float t) override;
};

class CCHide : public CCActionInstant {
public:
    static CCHide* create();
    void update(float t) override;
};

// Removes the target from its parent (with cleanup).
class CCRemoveSelf : public CCActionInstant {
public:
    static CCRemoveSelf* create(bool cleanup = true);
    void update(float t) override;

private:
    bool cleanup_ = true;
};

// Calls a member function on a target, or a function. The target is retained while the action lives.
class CCCallFunc : public CCActionInstant {
public:
    static CCCallFunc* create(CCObject* target, SEL_CallFunc selector);
    static CCCallFunc* create(std::function<void()> function);
    ~CCCallFunc() override;

    void update(float t) override;
    virtual void execute();
    CCObject* getTargetCallback() const { return callbackTarget_; }

protected:
    void setCallbackTarget(CCObject* target);

    CCObject* callbackTarget_ = nullptr;
    SEL_CallFunc selector_ = nullptr;
    std::function<void()> function_;
};

// Calls function(node) with the node running the action.
class CCCallFuncN : public CCCallFunc {
public:
    static CCCallFuncN* create(CCObject* target, SEL_CallFuncN selector);
    static CCCallFuncN* create(std::function<void(CCNode*)> function);
    void execute() override;

private:
    SEL_CallFuncN selectorN_ = nullptr;
    std::function<void(CCNode*)> functionN_;
};

// Calls function(node, data).
class CCCallFuncND : public CCCallFunc {
public:
    static CCCallFuncND* create(CCObject* target, SEL_CallFuncND selector, void* data);
    void execute() override;

private:
    SEL_CallFuncND selectorND_ = nullptr;
    void* data_ = nullptr;
};

// Calls function(object); the object is retained while the action lives.
class CCCallFuncO : public CCCallFunc {
public:
    static CCCallFuncO* create(CCObject* target, SEL_CallFuncO selector, CCObject* object);
    ~CCCallFuncO() override;
    void execute() override;

private:
    SEL_CallFuncO selectorO_ = nullptr;
    CCObject* object_ = nullptr;
};

NS_CC_END
