#pragma once

#include <cstdint>
#include <vector>

#include "CCAction.h"
#include "CCGeometry.h"

NS_CC_BEGIN

// An action spread over a duration. Elapsed time starts at 0 when it is added and grows by each
// frame's dt; update(t) receives elapsed / duration clamped to [0, 1]. A zero duration completes on
// the first step.
class CCActionInterval : public CCFiniteTimeAction {
public:
    // Frame steps are floats: an action ends when it is this close to its duration.
    static constexpr double TIME_EPSILON = 1e-5;

    // False when the duration is negative or not a number: such an action is refused.
    bool initWithDuration(float duration);

    void startWithTarget(CCNode* target) override;
    void step(float dt) override;
    bool isDone() const override { return elapsed_ >= duration_ - TIME_EPSILON; }
    float getElapsed() const { return static_cast<float>(elapsed_); }

protected:
    // Double: thousands of small frame steps must add up to the duration exactly enough.
    double elapsed_ = 0;
};

class CCDelayTime : public CCActionInterval {
public:
    static CCDelayTime* create(float duration);
    void update(float) override {}
};

// Runs actions one after the other. Each child's time is measured from its own start.
class CCSequence : public CCActionInterval {
public:
    // The list ends with nullptr, as in CCSequence::create(a, b, c, nullptr).
    static CCSequence* create(CCFiniteTimeAction* first, ...);
    static CCSequence* createWithTwoActions(CCFiniteTimeAction* one, CCFiniteTimeAction* two);
    static CCSequence* create(const std::vector<CCFiniteTimeAction*>& actions);
    ~CCSequence() override;

    void startWithTarget(CCNode* target) override;
    void stop() override;
    void step(float dt) override;
    bool isDone() const override;
    void update(float) override {}

private:
    std::vector<CCFiniteTimeAction*> actions_;
    size_t current_ = 0;
    bool currentStarted_ = false;
};

// Repeats an interval action a number of times.
class CCRepeat : public CCActionInterval {
public:
    static CCRepeat* create(CCFiniteTimeAction* action, unsigned int times);
    ~CCRepeat() override;
    void startWithTarget(CCNode* target) override;
    void stop() override;
    void step(float dt) override;
    bool isDone() const override { return done_ >= times_; }
    void update(float) override {}

private:
    CCFiniteTimeAction* inner_ = nullptr;
    unsigned int times_ = 0;
    unsigned int done_ = 0;
    bool innerStarted_ = false;
};

class CCMoveTo : public CCActionInterval {
public:
    static CCMoveTo* create(float duration, const CCPoint& position);
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

protected:
    CCPoint start_;
    CCPoint end_;
    CCPoint delta_;
};

class CCMoveBy : public CCMoveTo {
public:
    static CCMoveBy* create(float duration, const CCPoint& delta);
    void startWithTarget(CCNode* target) override;

private:
    CCPoint by_;
};

class CCScaleTo : public CCActionInterval {
public:
    static CCScaleTo* create(float duration, float scale);
    static CCScaleTo* create(float duration, float scaleX, float scaleY);
    bool initWithDuration(float duration, float scaleX, float scaleY);
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

protected:
    float startX_ = 1, startY_ = 1, endX_ = 1, endY_ = 1;
};

class CCRotateTo : public CCActionInterval {
public:
    // Turns the shorter way to the given angle in degrees.
    static CCRotateTo* create(float duration, float angle);
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    float dst_ = 0, start_ = 0, diff_ = 0;
};

class CCRotateBy : public CCActionInterval {
public:
    static CCRotateBy* create(float duration, float deltaAngle);
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    float delta_ = 0, start_ = 0;
};

class CCFadeTo : public CCActionInterval {
public:
    static CCFadeTo* create(float duration, uint8_t opacity);
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

protected:
    uint8_t from_ = 0, to_ = 0;
};

class CCFadeIn : public CCFadeTo {
public:
    static CCFadeIn* create(float duration);
    void startWithTarget(CCNode* target) override;
};

class CCFadeOut : public CCFadeTo {
public:
    static CCFadeOut* create(float duration);
    void startWithTarget(CCNode* target) override;
};

NS_CC_END
