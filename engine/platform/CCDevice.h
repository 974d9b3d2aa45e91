#pragma once

#include "CCPlatformMacros.h"

NS_CC_BEGIN

class CCDevice {
public:
    // Dots per inch of the first display; 96 when unknown (no window yet, headless, or a driver
    // that reports nothing), so callers can divide by it.
    static int getDPI();
};

NS_CC_END
