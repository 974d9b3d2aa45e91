#include "CCActionManager.h"

#include <algorithm>

#include "CCAction.h"
#include "CCNode.h"

NS_CC_BEGIN

CCActionManager::~CCActionManager() {
    removeAllActions();
}

bool CCActionManager::isPaused(CCNode* target) const {
    return std::find(pausedTargets_.begin(), pausedTargets_.end(), target) != pausedTargets_.end();
}

void CCActionManager::pauseTarget(CCNode* target) {
    if (target && !isPaused(target)) pausedTargets_.push_back(target);
}

void CCActionManager::resumeTarget(CCNode* target) {
    pausedTargets_.erase(std::remove(pausedTargets_.begin(), pausedTargets_.end(), target),
                         pausedTargets_.end());
}

void CCActionManager::addAction(CCAction* action, CCNode* target, bool paused) {
    if (!action || !target) return;
    action->retain();
    target->retain();
    bool known = std::any_of(entries_.begin(), entries_.end(),
                             [&](const Entry& e) { return !e.removed && e.target == target; });
    if (!known) paused ? pauseTarget(target) : resumeTarget(target);
    entries_.push_back({action, target, frame_, false});
    action->startWithTarget(target);
}

void CCActionManager::removeAt(size_t index, bool callStop) {
    Entry& e = entries_[index];
    if (e.removed) return;
    e.removed = true;
    CCAction* action = e.action;
    CCNode* target = e.target;
    // stop() may remove more actions; the entry stays marked, so it is never stopped twice.
    if (callStop) action->stop();
    if (!updating_) collectGarbage();
    (void)target;
}

void CCActionManager::removeAction(CCAction* action) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].action == action && !entries_[i].removed) {
            removeAt(i, true);
            return;
        }
    }
}

void CCActionManager::removeActionByTag(int tag, CCNode* target) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (!entries_[i].removed && entries_[i].target == target && entries_[i].action->getTag() == tag) {
            removeAt(i, true);
            return;
        }
    }
}

void CCActionManager::removeAllActionsFromTarget(CCNode* target) {
    if (!target) return;
    target->retain();
    bool wasUpdating = updating_;
    updating_ = true;  // defer frees until every stop() has run
    for (size_t i = 0; i < entries_.size(); ++i)
        if (!entries_[i].removed && entries_[i].target == target) removeAt(i, true);
    updating_ = wasUpdating;
    if (!updating_) collectGarbage();
    resumeTarget(target);
    target->release();
}

void CCActionManager::removeAllActions() {
    bool wasUpdating = updating_;
    updating_ = true;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (!entries_[i].removed) removeAt(i, true);
    updating_ = wasUpdating;
    if (!updating_) collectGarbage();
}

CCAction* CCActionManager::getActionByTag(int tag, CCNode* target) const {
    for (const Entry& e : entries_)
        if (!e.removed && e.target == target && e.action->getTag() == tag) return e.action;
    return nullptr;
}

unsigned int CCActionManager::numberOfRunningActionsInTarget(CCNode* target) const {
    return static_cast<unsigned int>(std::count_if(
        entries_.begin(), entries_.end(), [&](const Entry& e) { return !e.removed && e.target == target; }));
}

void CCActionManager::collectGarbage() {
    std::vector<Entry> dropped;
    auto keep =
        std::stable_partition(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.removed; });
    dropped.assign(keep, entries_.end());
    entries_.erase(keep, entries_.end());
    for (Entry& e : dropped) {
        e.action->release();
        e.target->release();
    }
}

void CCActionManager::update(float dt) {
    ++frame_;
    bool wasUpdating = updating_;
    updating_ = true;
    // Index loop: actions added during the frame are appended and wait for the next frame.
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].removed || entries_[i].addedFrame >= frame_ || isPaused(entries_[i].target)) continue;
        CCAction* action = entries_[i].action;
        action->step(dt);
        if (!entries_[i].removed && action->isDone()) {
            entries_[i].removed = true;
            action->stop();
        }
    }
    updating_ = wasUpdating;
    if (!updating_) collectGarbage();
}

NS_CC_END

NS_CC_BEGIN

bool CCActionManager::hasRunningActions(bool countAmbient) const {
    for (const Entry& e : entries_)
        if (!e.removed && !isPaused(e.target) && (countAmbient || !e.action->isAmbient())) return true;
    return false;
}

NS_CC_END
