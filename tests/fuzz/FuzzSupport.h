#pragma once

#include "CDebugModule.h"

// What every fuzz target does: stop at a broken property, and keep the parsers' log off the console.

// A trap, not an assert: it holds in every build, and libFuzzer keeps the input that broke it.
inline void check(bool condition) {
    if (!condition) __builtin_trap();
}

// Rejected inputs are logged, millions of times in a run.
inline void quietLog() {
    CDebugModule::getInstance()->setConsoleOutput(false);
    CDebugModule::getInstance()->setInfoEnabled(false);
}
