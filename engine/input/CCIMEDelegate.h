#pragma once

#include <string>

#include "CCPlatformMacros.h"

NS_CC_BEGIN

// A receiver of typed text (CCTextFieldTTF). While attached to CCIMEDispatcher it gets the text
// the window's input method produces and the editing keys.
class CCIMEDelegate {
public:
    virtual ~CCIMEDelegate() = default;
    virtual void insertText(const std::string& utf8) = 0;
    virtual void deleteBackward() = 0;
    virtual void deleteForward() {}
    // Moves the cursor by whole characters (negative: left).
    virtual void moveCursor(int) {}
    virtual void moveCursorToStart() {}
    virtual void moveCursorToEnd() {}
    virtual void enterPressed() {}
    // The dispatcher gave the focus to another delegate (or none).
    virtual void didDetachWithIME() {}
    // False for a delegate that only listens for typed text: the editing keys then go on to the
    // keypad as if no one had the focus.
    virtual bool takesEditingKeys() const { return true; }
};

NS_CC_END
