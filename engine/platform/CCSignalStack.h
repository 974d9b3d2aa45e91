#pragma once

#include <cstddef>

#include "CCPlatformMacros.h"

// A crash handler runs on the faulting thread; a thread whose own stack has overflowed has no room
// left for it. Every thread we start therefore calls installSignalStack first.

NS_CC_BEGIN

// Room for the crash handler and the unwinder it calls, plus one guard page below.
constexpr size_t SIGNAL_STACK_SIZE = 256 * 1024;

// Gives the calling thread an alternate signal stack, kept until the thread ends (then it is turned
// off and freed). A second call on the same thread does nothing. False (nothing changed) when the
// memory cannot be had. Any thread.
bool installSignalStack();

// True when the calling thread runs with an alternate signal stack.
bool hasSignalStack();

NS_CC_END
