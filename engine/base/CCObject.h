#pragma once

#include <utility>

#include "CCPlatformMacros.h"

NS_CC_BEGIN

class CCNode;
class CCEvent;

// Reference-counted base of every engine object. A new object holds one reference;
// autorelease() hands that reference to the pool, which drops it at the end of the frame.
// Main thread only: the count is not atomic.
class CCObject {
public:
    CCObject();
    virtual ~CCObject();
    CCObject(const CCObject&) = delete;
    CCObject& operator=(const CCObject&) = delete;

    void retain();
    // Deletes the object when the last reference goes.
    void release();
    CCObject* autorelease();
    unsigned int retainCount() const { return refCount_; }
    bool isSingleReference() const { return refCount_ == 1; }
    // A process-unique id, handy as a map key and in log lines.
    unsigned int getID() const { return id_; }

    // Per-frame hook used by scheduleUpdate.
    virtual void update(float /*dt*/) {}

private:
    unsigned int refCount_ = 1;
    unsigned int id_;
};

// The usual two-step construction: makes a T, runs its init member with args and hands the object to the
// autorelease pool. When init returns false the object is deleted and null returned. A class whose
// constructor is not public lets the helper in with
//     template <typename T, typename Init, typename... Args>
//     friend T* cocos2d::createAutoreleased(Init, Args&&...);
template <typename T, typename Init, typename... Args>
T* createAutoreleased(Init init, Args&&... args) {
    T* object = new T();
    if (!(object->*init)(std::forward<Args>(args)...)) {
        delete object;
        return nullptr;
    }
    object->autorelease();
    return object;
}

// Member-function callbacks on engine objects.
typedef void (CCObject::*SEL_SCHEDULE)(float);
typedef void (CCObject::*SEL_CallFunc)();
typedef void (CCObject::*SEL_CallFuncN)(CCNode*);
typedef void (CCObject::*SEL_CallFuncND)(CCNode*, void*);
typedef void (CCObject::*SEL_CallFuncO)(CCObject*);
typedef void (CCObject::*SEL_MenuHandler)(CCObject*);

#define schedule_selector(_SELECTOR) static_cast<cocos2d::SEL_SCHEDULE>(&_SELECTOR)
#define callfunc_selector(_SELECTOR) static_cast<cocos2d::SEL_CallFunc>(&_SELECTOR)
#define callfuncN_selector(_SELECTOR) static_cast<cocos2d::SEL_CallFuncN>(&_SELECTOR)
#define callfuncND_selector(_SELECTOR) static_cast<cocos2d::SEL_CallFuncND>(&_SELECTOR)
#define callfuncO_selector(_SELECTOR) static_cast<cocos2d::SEL_CallFuncO>(&_SELECTOR)
#define menu_selector(_SELECTOR) static_cast<cocos2d::SEL_MenuHandler>(&_SELECTOR)

NS_CC_END
