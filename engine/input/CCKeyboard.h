#pragma once

#include "CCPlatformMacros.h"

NS_CC_BEGIN

// Keys the terminal asks about.
enum CCKeyCode {
    kCCKeyUnknown = 0,
    kCCKeyLeft,
    kCCKeyRight,
    kCCKeyUp,
    kCCKeyDown,
    kCCKey0,
    kCCKey1,
    kCCKey2,
    kCCKey3,
    kCCKey4,
    kCCKey5,
    kCCKey6,
    kCCKey7,
    kCCKey8,
    kCCKey9,
    kCCKeyEnter,
    kCCKeyEscape,
    kCCKeyBackspace,
    kCCKeyDelete,
    kCCKeyHome,
    kCCKeyEnd,
    kCCKeyTab,
    kCCKeyShift,
    kCCKeyControl,
    // With Control: save the chart's picture.
    kCCKeyS,
    kCCKeyCount
};

// The key-state query: which keys are held now. The view updates it from window events and
// releases every key when the window loses the focus; tests may set keys directly. Main thread only.
class CCKeyboard {
public:
    static bool isKeyDown(CCKeyCode key);
    static void setKeyDown(CCKeyCode key, bool down);
    static void releaseAll();
    // kCCKey0 + digit, for 0..9; kCCKeyUnknown otherwise.
    static CCKeyCode digitKey(int digit);
};

NS_CC_END
