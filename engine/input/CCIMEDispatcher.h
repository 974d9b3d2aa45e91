#pragma once

#include <functional>
#include <string>

#include "CCIMEDelegate.h"
#include "CCKeyboard.h"

NS_CC_BEGIN

// Keeps the one delegate that has the keyboard focus for text, and routes text input and editing
// keys to it. The view installs a hook that starts or stops the platform's text input as the
// focus comes and goes. Main thread only.
class CCIMEDispatcher {
public:
    static CCIMEDispatcher* sharedDispatcher();

    // Gives the focus to delegate (the previous one is told it lost it).
    void attach(CCIMEDelegate* delegate);
    // Takes the focus away when delegate has it.
    void detach(CCIMEDelegate* delegate);
    CCIMEDelegate* getFocus() const { return focus_; }

    void dispatchInsertText(const std::string& utf8);
    // Editing keys: backspace, delete, left, right, home, end, enter. False for other keys or without focus.
    bool dispatchKey(CCKeyCode key);

    void setTextInputHook(std::function<void(bool active)> hook) { hook_ = std::move(hook); }

private:
    CCIMEDispatcher() = default;

    CCIMEDelegate* focus_ = nullptr;
    std::function<void(bool)> hook_;
};

NS_CC_END
