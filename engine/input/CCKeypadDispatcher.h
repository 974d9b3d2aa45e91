#pragma once

#include <vector>

#include "CCKeypadDelegate.h"
#include "CCObject.h"

NS_CC_BEGIN

// Delivers key events to every registered delegate, in the order they registered. Delegates may
// register or unregister from inside a callback. Does not retain. Main thread only.
class CCKeypadDispatcher : public CCObject {
public:
    void addDelegate(CCKeypadDelegate* delegate);
    void removeDelegate(CCKeypadDelegate* delegate);
    bool hasDelegate(const CCKeypadDelegate* delegate) const;

    void dispatchKeyDown(CCKeyCode key);
    void dispatchKeyUp(CCKeyCode key);

private:
    std::vector<CCKeypadDelegate*> delegates_;
};

NS_CC_END
