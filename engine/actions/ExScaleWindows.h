#pragma once

#include <functional>

#include "CCActionInterval.h"

// Glides a rectangle (position and size) from one value to another and hands each step to a
// callback; used for maximising and restoring chart windows and for sliding panels.
// Main thread only.
class ExScaleWindows : public cocos2d::CCScaleTo {
public:
    using Callback = std::function<void(const cocos2d::CCPoint& position, const cocos2d::CCSize& size)>;

    // Null when the engine refuses the duration or the callback is empty.
    static ExScaleWindows* create(float duration, const cocos2d::CCRect& from, const cocos2d::CCRect& to,
                                  Callback callback);

    void startWithTarget(cocos2d::CCNode* target) override;
    void update(float t) override;

private:
    cocos2d::CCPoint fromPosition_;
    cocos2d::CCPoint toPosition_;
    cocos2d::CCSize fromSize_;
    cocos2d::CCSize toSize_;
    Callback callback_;
};
