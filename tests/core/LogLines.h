#pragma once

#include <string>

#include "TestSupport.h"

// True when a captured console line ends with message (log lines carry a time stamp and a level tag
// in front of the message).
inline bool logged(const ConsoleCapture& console, const std::string& message) {
    for (const std::string& line : console.lines()) {
        if (line.size() >= message.size() &&
            line.compare(line.size() - message.size(), message.size(), message) == 0) {
            return true;
        }
    }
    return false;
}
