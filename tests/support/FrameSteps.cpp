#include "FrameSteps.h"

#include <chrono>
#include <thread>

#include "CCDirector.h"

namespace {
constexpr auto YIELD_BETWEEN_FRAMES = std::chrono::milliseconds(2);
// Float sums of dt drift; a step this close to the end counts as reaching it.
constexpr float STEP_SLACK = 1e-4f;
}  // namespace

bool pumpUntil(const std::function<bool()>& condition, double deadlineSeconds, float dt) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(deadlineSeconds);
    auto last = Clock::now();
    while (!condition()) {
        const auto now = Clock::now();
        if (now > deadline) return false;
        const float step = dt > 0 ? dt : std::chrono::duration<float>(now - last).count();
        cocos2d::CCDirector::sharedDirector()->stepFrame(step);
        last = now;
        std::this_thread::sleep_for(YIELD_BETWEEN_FRAMES);
    }
    return true;
}

void stepFor(float seconds, float dt) {
    for (float done = 0; done < seconds - STEP_SLACK; done += dt) {
        cocos2d::CCDirector::sharedDirector()->stepFrame(dt);
    }
}
