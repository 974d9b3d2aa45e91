#pragma once

#include <cstdarg>
#include <functional>
#include <string>

#include "CCPlatformMacros.h"

NS_CC_BEGIN

// Expands a printf-style format into a string of any length.
std::string CCFormatV(const char* format, va_list args);

// Writes one line to the console (stdout) with a newline. Safe from any thread; lines never interleave.
void CCLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Lets tests and the log file see every console line. The sink runs under the console lock,
// on the calling thread; pass nullptr to remove it.
void CCLogSetSink(std::function<void(const std::string&)> sink);

NS_CC_END
