#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "CCObject.h"

NS_CC_BEGIN

inline constexpr unsigned int kCCRepeatForever = UINT_MAX - 1;
inline constexpr int kCCPrioritySystem = INT_MIN;

// Runs timers and per-frame updates on the main thread, and the functions that workers hand over.
//
// Each frame update(dt) first runs every function queued by performFunctionInMainThread (in the
// order they were queued), then the per-frame updates (lowest priority value first), then the
// interval timers. A timer or update added during a frame starts counting on the next frame, so it
// never consumes time from before it existed. Targets are retained while anything is scheduled on them.
//
// Thread rules: performFunctionInMainThread may be called from any thread; everything else is
// main thread only.
class CCScheduler : public CCObject {
public:
    CCScheduler();
    ~CCScheduler() override;

    void update(float dt) override;

    // Calls target->*selector(elapsed) every interval seconds (every frame when interval is 0),
    // first after delay seconds, then repeat more times (kCCRepeatForever: until unscheduled).
    // Scheduling the same selector again updates its interval instead of adding a second timer.
    void scheduleSelector(SEL_SCHEDULE selector, CCObject* target, float interval, unsigned int repeat,
                          float delay, bool paused);
    void scheduleSelector(SEL_SCHEDULE selector, CCObject* target, float interval, bool paused);
    void unscheduleSelector(SEL_SCHEDULE selector, CCObject* target);

    // The same with a function; key names it for unscheduling (one timer per target and key).
    void schedule(std::function<void(float)> callback, CCObject* target, const std::string& key,
                  float interval, unsigned int repeat, float delay, bool paused);
    void unschedule(const std::string& key, CCObject* target);

    // Calls target->update(dt) every frame.
    void scheduleUpdateForTarget(CCObject* target, int priority, bool paused);
    void unscheduleUpdateForTarget(CCObject* target);

    void unscheduleAllForTarget(CCObject* target);
    void unscheduleAll();

    void pauseTarget(CCObject* target);
    void resumeTarget(CCObject* target);
    bool isTargetPaused(CCObject* target) const;
    bool isScheduled(SEL_SCHEDULE selector, CCObject* target) const;
    bool isScheduled(const std::string& key, CCObject* target) const;

    // Scales every dt handed to timers (1 = real time).
    void setTimeScale(float scale) { timeScale_ = scale; }
    float getTimeScale() const { return timeScale_; }

    // Queues fn to run on the main thread at the start of the next frame. Any thread.
    // Functions queued by one thread run in the order that thread queued them.
    void performFunctionInMainThread(std::function<void()> fn);
    // Number of functions waiting; for tests and diagnostics.
    size_t pendingFunctionCount() const;
    // Called (on the queuing thread) after a function is queued, so a sleeping loop wakes up. Set it
    // before any worker runs; null: nobody sleeps.
    static void setWakeHook(void (*hook)());
    // Wakes a sleeping loop without handing anything over (a worker whose result the main thread polls).
    static void wakeMainThread();

    // Scheduler seconds until the earliest interval timer or delayed call is due (0: due now), or
    // infinity when there is none. Per-frame updates and every-frame timers are left out: they run
    // whenever a frame runs and never ask for one.
    double secondsUntilNextTimer() const;

private:
    struct Timer {
        CCObject* target = nullptr;
        SEL_SCHEDULE selector = nullptr;
        std::function<void(float)> callback;
        std::string key;
        float interval = 0;
        float delay = 0;
        double elapsed = 0;
        unsigned int repeat = kCCRepeatForever;
        unsigned int timesExecuted = 0;
        bool useDelay = false;
        bool paused = false;
        bool removed = false;
        uint64_t addedFrame = 0;
    };
    struct UpdateEntry {
        CCObject* target = nullptr;
        int priority = 0;
        bool paused = false;
        bool removed = false;
        uint64_t addedFrame = 0;
    };

    void addTimer(Timer timer);
    void removeTimerAt(size_t index);
    void collectGarbage();
    void runTimerAt(size_t index, float dt);

    std::vector<Timer> timers_;
    std::vector<UpdateEntry> updates_;
    std::vector<CCObject*> pausedTargets_;
    float timeScale_ = 1.0f;
    uint64_t frame_ = 0;
    bool updating_ = false;

    mutable std::mutex queueMutex_;
    std::vector<std::function<void()>> queued_;
};

NS_CC_END
