#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "CCDirector.h"

// Runs frames, each stepping the clock by the real time since the previous one, until done() holds;
// false when the real-time deadline passes first. Real time matters: heartbeats and a peer's
// time-outs run on the same clock.
inline bool pumpUntil(const std::function<bool()>& done, double seconds = 15) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    auto last = Clock::now();
    while (!done()) {
        const auto now = Clock::now();
        if (now > deadline) return false;
        cocos2d::CCDirector::sharedDirector()->stepFrame(std::chrono::duration<float>(now - last).count());
        last = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Runs frames for the given real time.
inline void pumpFor(double seconds) {
    pumpUntil([] { return false; }, seconds);
}
