#include "CCKeypadDispatcher.h"

#include <algorithm>

NS_CC_BEGIN

void CCKeypadDispatcher::addDelegate(CCKeypadDelegate* delegate) {
    if (delegate && !hasDelegate(delegate)) delegates_.push_back(delegate);
}

void CCKeypadDispatcher::removeDelegate(CCKeypadDelegate* delegate) {
    delegates_.erase(std::remove(delegates_.begin(), delegates_.end(), delegate), delegates_.end());
}

bool CCKeypadDispatcher::hasDelegate(const CCKeypadDelegate* delegate) const {
    return std::find(delegates_.begin(), delegates_.end(), delegate) != delegates_.end();
}

void CCKeypadDispatcher::dispatchKeyDown(CCKeyCode key) {
    std::vector<CCKeypadDelegate*> list = delegates_;
    for (CCKeypadDelegate* d : list) {
        if (!hasDelegate(d)) continue;
        d->keyDown(key);
        if (key == kCCKeyEscape && hasDelegate(d)) d->keyBackClicked();
    }
}

void CCKeypadDispatcher::dispatchKeyUp(CCKeyCode key) {
    std::vector<CCKeypadDelegate*> list = delegates_;
    for (CCKeypadDelegate* d : list)
        if (hasDelegate(d)) d->keyUp(key);
}

NS_CC_END
