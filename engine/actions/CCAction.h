#pragma once

#include "CCObject.h"

NS_CC_BEGIN

class CCNode;

inline constexpr int kCCActionTagInvalid = -1;

// Base of every action. The action manager calls startWithTarget when the action is added,
// step(dt) once per frame while it runs, and stop() exactly once: when it is done, or when it
// is removed before that. Main thread only.
class CCAction : public CCObject {
public:
    CCAction() = default;

    virtual void startWithTarget(CCNode* target);
    // Called once when the action ends or is removed early; clears the target.
    virtual void stop();
    virtual bool isDone() const { return true; }
    virtual void step(float dt);
    // t runs from 0 to 1 over the action's duration.
    virtual void update(float t) override;

    CCNode* getTarget() const { return target_; }
    CCNode* getOriginalTarget() const { return originalTarget_; }
    int getTag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    // An endless decoration (a blinking marker): while only such actions run, frames step at the
    // director's ambient rate instead of the full animation rate.
    void setAmbient(bool ambient) { ambient_ = ambient; }
    bool isAmbient() const { return ambient_; }

protected:
    CCNode* target_ = nullptr;
    CCNode* originalTarget_ = nullptr;
    int tag_ = kCCActionTagInvalid;
    bool ambient_ = false;
};

// An action with a duration.
class CCFiniteTimeAction : public CCAction {
public:
    float getDuration() const { return duration_; }
    void setDuration(float duration) { duration_ = duration; }

protected:
    float duration_ = 0;
};

// Repeats its inner interval action until it is stopped.
class CCActionInterval;
class CCRepeatForever : public CCAction {
public:
    static CCRepeatForever* create(CCActionInterval* action);
    ~CCRepeatForever() override;

    void startWithTarget(CCNode* target) override;
    void stop() override;
    void step(float dt) override;
    bool isDone() const override { return false; }
    CCActionInterval* getInnerAction() const { return inner_; }

private:
    CCActionInterval* inner_ = nullptr;
};

NS_CC_END
