#pragma once

#include "CCPlatformMacros.h"

NS_CC_BEGIN

class CCTouch;
class CCEvent;
class CCSet;

// Receives touches from CCTouchDispatcher. A targeted delegate gets one touch at a time:
// ccTouchBegan returns true to claim it, and only claimed touches come back as moved, ended or
// cancelled. A standard delegate gets the set of touches of each phase (here: the one mouse pointer).
// Registering with the dispatcher retains the delegate when it is an engine object.
class CCTouchDelegate {
public:
    virtual ~CCTouchDelegate() = default;

    virtual bool ccTouchBegan(CCTouch*, CCEvent*) { return false; }
    virtual void ccTouchMoved(CCTouch*, CCEvent*) {}
    virtual void ccTouchEnded(CCTouch*, CCEvent*) {}
    virtual void ccTouchCancelled(CCTouch*, CCEvent*) {}

    virtual void ccTouchesBegan(CCSet*, CCEvent*) {}
    virtual void ccTouchesMoved(CCSet*, CCEvent*) {}
    virtual void ccTouchesEnded(CCSet*, CCEvent*) {}
    virtual void ccTouchesCancelled(CCSet*, CCEvent*) {}
};

NS_CC_END
