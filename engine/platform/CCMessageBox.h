#pragma once

#include "CCPlatformMacros.h"

NS_CC_BEGIN

// Shows a modal message box with one button and waits until it is closed. Needs no window of the
// program's own. False when no display can show it. Main thread.
bool CCMessageBox(const char* message, const char* title);

NS_CC_END
