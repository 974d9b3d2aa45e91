#include "CCScheduler.h"

#include <algorithm>
#include <atomic>
#include <limits>

NS_CC_BEGIN

namespace {
// Frame steps are floats: a timer is due when it is this close to its time.
constexpr double TIME_EPSILON = 1e-5;
std::atomic<void (*)()> wakeHook{nullptr};
}  // namespace

void CCScheduler::setWakeHook(void (*hook)()) {
    wakeHook.store(hook);
}

void CCScheduler::wakeMainThread() {
    if (auto hook = wakeHook.load()) hook();
}

CCScheduler::CCScheduler() = default;

CCScheduler::~CCScheduler() {
    unscheduleAll();
}

void CCScheduler::performFunctionInMainThread(std::function<void()> fn) {
    if (!fn) return;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queued_.push_back(std::move(fn));
    }
    wakeMainThread();
}

double CCScheduler::secondsUntilNextTimer() const {
    double soonest = std::numeric_limits<double>::infinity();
    for (const Timer& t : timers_) {
        if (t.removed || isTargetPaused(t.target)) continue;
        const double due = t.useDelay ? t.delay : t.interval;
        if (!t.useDelay && due <= 0 && t.repeat == kCCRepeatForever) continue;
        // A timer added this frame starts counting on the next one.
        const double left = t.addedFrame >= frame_ ? due : due - t.elapsed;
        soonest = std::min(soonest, std::max(0.0, left));
    }
    return timeScale_ > 0 ? soonest / timeScale_ : std::numeric_limits<double>::infinity();
}

size_t CCScheduler::pendingFunctionCount() const {
    std::lock_guard<std::mutex> lock(queueMutex_);
    return queued_.size();
}

bool CCScheduler::isTargetPaused(CCObject* target) const {
    return std::find(pausedTargets_.begin(), pausedTargets_.end(), target) != pausedTargets_.end();
}

void CCScheduler::pauseTarget(CCObject* target) {
    if (target && !isTargetPaused(target)) pausedTargets_.push_back(target);
}

void CCScheduler::resumeTarget(CCObject* target) {
    pausedTargets_.erase(std::remove(pausedTargets_.begin(), pausedTargets_.end(), target),
                         pausedTargets_.end());
}

void CCScheduler::addTimer(Timer timer) {
    timer.target->retain();
    timer.addedFrame = frame_;
    timer.useDelay = timer.delay > 0;
    timers_.push_back(std::move(timer));
}

void CCScheduler::scheduleSelector(SEL_SCHEDULE selector, CCObject* target, float interval,
                                   unsigned int repeat, float delay, bool paused) {
    if (!selector || !target) return;
    paused ? pauseTarget(target) : resumeTarget(target);
    for (Timer& t : timers_) {
        if (!t.removed && t.target == target && t.selector == selector) {
            t.interval = std::max(0.0f, interval);
            return;
        }
    }
    Timer timer;
    timer.target = target;
    timer.selector = selector;
    timer.interval = std::max(0.0f, interval);
    timer.repeat = repeat;
    timer.delay = std::max(0.0f, delay);
    addTimer(std::move(timer));
}

void CCScheduler::scheduleSelector(SEL_SCHEDULE selector, CCObject* target, float interval, bool paused) {
    scheduleSelector(selector, target, interval, kCCRepeatForever, 0.0f, paused);
}

void CCScheduler::schedule(std::function<void(float)> callback, CCObject* target, const std::string& key,
                           float interval, unsigned int repeat, float delay, bool paused) {
    if (!callback || !target) return;
    paused ? pauseTarget(target) : resumeTarget(target);
    for (Timer& t : timers_) {
        if (!t.removed && t.target == target && !t.selector && t.key == key) {
            t.interval = std::max(0.0f, interval);
            t.callback = std::move(callback);
            return;
        }
    }
    Timer timer;
    timer.target = target;
    timer.callback = std::move(callback);
    timer.key = key;
    timer.interval = std::max(0.0f, interval);
    timer.repeat = repeat;
    timer.delay = std::max(0.0f, delay);
    addTimer(std::move(timer));
}

void CCScheduler::removeTimerAt(size_t index) {
    Timer& t = timers_[index];
    if (t.removed) return;
    t.removed = true;
    t.callback = nullptr;
    // While timers run, the entry (and its target) must outlive the call in progress.
    if (!updating_) {
        CCObject* target = t.target;
        timers_.erase(timers_.begin() + static_cast<long>(index));
        target->release();
    }
}

void CCScheduler::unscheduleSelector(SEL_SCHEDULE selector, CCObject* target) {
    for (size_t i = timers_.size(); i-- > 0;)
        if (timers_[i].target == target && timers_[i].selector == selector) removeTimerAt(i);
}

void CCScheduler::unschedule(const std::string& key, CCObject* target) {
    for (size_t i = timers_.size(); i-- > 0;)
        if (timers_[i].target == target && !timers_[i].selector && timers_[i].key == key) removeTimerAt(i);
}

void CCScheduler::scheduleUpdateForTarget(CCObject* target, int priority, bool paused) {
    if (!target) return;
    paused ? pauseTarget(target) : resumeTarget(target);
    for (UpdateEntry& e : updates_) {
        if (!e.removed && e.target == target) {
            e.priority = priority;
            return;
        }
    }
    target->retain();
    UpdateEntry entry{target, priority, false, false, frame_};
    // Stable by priority: equal priorities keep the order they were added in.
    auto at = std::upper_bound(updates_.begin(), updates_.end(), priority,
                               [](int p, const UpdateEntry& e) { return p < e.priority; });
    updates_.insert(at, entry);
}

void CCScheduler::unscheduleUpdateForTarget(CCObject* target) {
    for (size_t i = updates_.size(); i-- > 0;) {
        UpdateEntry& e = updates_[i];
        if (e.target != target || e.removed) continue;
        e.removed = true;
        if (!updating_) {
            updates_.erase(updates_.begin() + static_cast<long>(i));
            target->release();
        }
    }
}

void CCScheduler::unscheduleAllForTarget(CCObject* target) {
    if (!target) return;
    // Keep the target alive until its last entry is gone.
    target->retain();
    for (size_t i = timers_.size(); i-- > 0;)
        if (timers_[i].target == target) removeTimerAt(i);
    unscheduleUpdateForTarget(target);
    resumeTarget(target);
    target->release();
}

void CCScheduler::unscheduleAll() {
    for (size_t i = timers_.size(); i-- > 0;) removeTimerAt(i);
    for (size_t i = updates_.size(); i-- > 0;) {
        if (!updates_[i].removed) unscheduleUpdateForTarget(updates_[i].target);
    }
}

bool CCScheduler::isScheduled(SEL_SCHEDULE selector, CCObject* target) const {
    return std::any_of(timers_.begin(), timers_.end(), [&](const Timer& t) {
        return !t.removed && t.target == target && t.selector == selector;
    });
}

bool CCScheduler::isScheduled(const std::string& key, CCObject* target) const {
    return std::any_of(timers_.begin(), timers_.end(), [&](const Timer& t) {
        return !t.removed && t.target == target && !t.selector && t.key == key;
    });
}

void CCScheduler::runTimerAt(size_t index, float dt) {
    Timer& timer = timers_[index];
    timer.elapsed += dt;
    bool fire = false;
    if (timer.useDelay) {
        if (timer.elapsed >= timer.delay - TIME_EPSILON) {
            fire = true;
            timer.elapsed -= timer.delay;
            timer.useDelay = false;
        }
    } else if (timer.elapsed >= timer.interval - TIME_EPSILON) {
        fire = true;
        timer.elapsed -= timer.interval;
        // One call per frame at most: a long frame does not cause a burst of catch-up calls.
        if (timer.elapsed >= timer.interval || timer.elapsed < 0) timer.elapsed = 0;
    }
    if (!fire) return;
    float reported = timer.interval > 0 ? timer.interval : dt;
    ++timer.timesExecuted;
    bool last = timer.repeat != kCCRepeatForever && timer.timesExecuted > timer.repeat;
    CCObject* target = timer.target;
    SEL_SCHEDULE selector = timer.selector;
    // Copies: the call may schedule more timers (moving the vector) or unschedule this one.
    std::function<void(float)> callback = timer.callback;
    if (last) removeTimerAt(index);
    if (selector) {
        (target->*selector)(reported);
    } else if (callback) {
        callback(reported);
    }
}

void CCScheduler::collectGarbage() {
    std::vector<CCObject*> released;
    for (size_t i = timers_.size(); i-- > 0;) {
        if (timers_[i].removed) {
            released.push_back(timers_[i].target);
            timers_.erase(timers_.begin() + static_cast<long>(i));
        }
    }
    for (size_t i = updates_.size(); i-- > 0;) {
        if (updates_[i].removed) {
            released.push_back(updates_[i].target);
            updates_.erase(updates_.begin() + static_cast<long>(i));
        }
    }
    for (CCObject* target : released) target->release();
}

void CCScheduler::update(float dt) {
    std::vector<std::function<void()>> work;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        work.swap(queued_);
    }
    for (auto& fn : work) fn();

    dt *= timeScale_;
    ++frame_;
    updating_ = true;
    // Index loops: entries may be appended while we run; those wait for the next frame.
    for (size_t i = 0; i < updates_.size(); ++i) {
        UpdateEntry e = updates_[i];
        if (e.removed || e.addedFrame >= frame_ || isTargetPaused(e.target)) continue;
        e.target->update(dt);
    }
    for (size_t i = 0; i < timers_.size(); ++i) {
        if (timers_[i].removed || timers_[i].addedFrame >= frame_ || isTargetPaused(timers_[i].target))
            continue;
        runTimerAt(i, dt);
    }
    updating_ = false;
    collectGarbage();
}

NS_CC_END
