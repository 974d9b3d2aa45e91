#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "CCCommon.h"

// Collects the engine log's lines while it lives (the terminal's log reaches the engine log too).
class CapturedLog {
public:
    CapturedLog() {
        cocos2d::CCLogSetSink([this](const std::string& line) { lines_.push_back(line); });
    }
    ~CapturedLog() { cocos2d::CCLogSetSink(nullptr); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    // Lines that end with message.
    size_t count(const std::string& message) const {
        return static_cast<size_t>(
            std::count_if(lines_.begin(), lines_.end(), [&message](const std::string& line) {
                return line.size() >= message.size() &&
                       line.compare(line.size() - message.size(), message.size(), message) == 0;
            }));
    }
    void clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
};
