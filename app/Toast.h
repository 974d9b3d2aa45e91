#pragma once

#include <string>

#include "CCGeometry.h"
#include "ccTypes.h"

namespace cocos2d {
class CCNode;
}  // namespace cocos2d

// A short message that pops up in the lower middle of the window, stays for a while, fades and removes
// itself. Main thread only.
class Toast {
public:
    static constexpr int Z_TOAST = 99999;

    // Shows text over the running scene (over fallbackParent when no scene runs) for seconds; nothing
    // shows when its frame image is missing.
    static void show(cocos2d::CCNode* fallbackParent, const cocos2d::CCSize& windowSize,
                     const std::string& text, const cocos2d::ccColor3B& colour, float seconds);
};
