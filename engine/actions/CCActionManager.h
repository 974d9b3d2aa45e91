#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "CCObject.h"

NS_CC_BEGIN

class CCAction;
class CCNode;

// Runs actions on their targets once per frame. Targets and actions are retained while they run.
// An action added during a frame starts counting on the next frame. Removing an action that has
// not finished calls its stop() (once); a finished action is stopped once and removed.
// Main thread only.
class CCActionManager : public CCObject {
public:
    CCActionManager() = default;
    ~CCActionManager() override;

    void addAction(CCAction* action, CCNode* target, bool paused);
    void removeAction(CCAction* action);
    void removeActionByTag(int tag, CCNode* target);
    void removeAllActionsFromTarget(CCNode* target);
    void removeAllActions();
    CCAction* getActionByTag(int tag, CCNode* target) const;
    unsigned int numberOfRunningActionsInTarget(CCNode* target) const;
    // True while any action of a target that is not paused is still running; ambient ones count only
    // when countAmbient.
    bool hasRunningActions(bool countAmbient = true) const;

    void pauseTarget(CCNode* target);
    void resumeTarget(CCNode* target);

    void update(float dt) override;

private:
    struct Entry {
        CCAction* action;
        CCNode* target;
        uint64_t addedFrame;
        bool removed;
    };
    void removeAt(size_t index, bool callStop);
    bool isPaused(CCNode* target) const;
    void collectGarbage();

    std::vector<Entry> entries_;
    std::vector<CCNode*> pausedTargets_;
    uint64_t frame_ = 0;
    bool updating_ = false;
};

NS_CC_END
