#include "CCKeyboard.h"

#include <array>

NS_CC_BEGIN

namespace {
std::array<bool, kCCKeyCount>& keyStates() {
    static std::array<bool, kCCKeyCount> states{};
    return states;
}
}  // namespace

bool CCKeyboard::isKeyDown(CCKeyCode key) {
    if (key <= kCCKeyUnknown || key >= kCCKeyCount) return false;
    return keyStates()[key];
}

void CCKeyboard::setKeyDown(CCKeyCode key, bool down) {
    if (key <= kCCKeyUnknown || key >= kCCKeyCount) return;
    keyStates()[key] = down;
}

void CCKeyboard::releaseAll() {
    keyStates().fill(false);
}

CCKeyCode CCKeyboard::digitKey(int digit) {
    if (digit < 0 || digit > 9) return kCCKeyUnknown;
    return static_cast<CCKeyCode>(kCCKey0 + digit);
}

NS_CC_END
