#include "CCIMEDispatcher.h"

NS_CC_BEGIN

CCIMEDispatcher* CCIMEDispatcher::sharedDispatcher() {
    static CCIMEDispatcher dispatcher;
    return &dispatcher;
}

void CCIMEDispatcher::attach(CCIMEDelegate* delegate) {
    if (delegate == focus_) return;
    CCIMEDelegate* previous = focus_;
    focus_ = delegate;
    if (previous) previous->didDetachWithIME();
    if (hook_) hook_(focus_ != nullptr);
}

void CCIMEDispatcher::detach(CCIMEDelegate* delegate) {
    if (!delegate || delegate != focus_) return;
    focus_ = nullptr;
    delegate->didDetachWithIME();
    if (hook_) hook_(false);
}

void CCIMEDispatcher::dispatchInsertText(const std::string& utf8) {
    if (focus_ && !utf8.empty()) focus_->insertText(utf8);
}

bool CCIMEDispatcher::dispatchKey(CCKeyCode key) {
    if (!focus_ || !focus_->takesEditingKeys()) return false;
    switch (key) {
        case kCCKeyBackspace:
            focus_->deleteBackward();
            return true;
        case kCCKeyDelete:
            focus_->deleteForward();
            return true;
        case kCCKeyLeft:
            focus_->moveCursor(-1);
            return true;
        case kCCKeyRight:
            focus_->moveCursor(1);
            return true;
        case kCCKeyHome:
            focus_->moveCursorToStart();
            return true;
        case kCCKeyEnd:
            focus_->moveCursorToEnd();
            return true;
        case kCCKeyEnter:
            focus_->enterPressed();
            return true;
        default:
            return false;
    }
}

NS_CC_END
