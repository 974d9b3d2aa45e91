#pragma once

#include "CCKeyboard.h"

NS_CC_BEGIN

// Key events for layers with the keypad enabled. Escape also arrives as keyBackClicked.
class CCKeypadDelegate {
public:
    virtual ~CCKeypadDelegate() = default;
    virtual void keyBackClicked() {}
    virtual void keyMenuClicked() {}
    virtual void keyDown(CCKeyCode) {}
    virtual void keyUp(CCKeyCode) {}
};

NS_CC_END
