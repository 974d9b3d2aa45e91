#include "ExScaleWindows.h"

USING_NS_CC;

ExScaleWindows* ExScaleWindows::create(float duration, const CCRect& from, const CCRect& to,
                                       Callback callback) {
    if (!callback) return nullptr;
    auto* action =
        createAutoreleased<ExScaleWindows>(&ExScaleWindows::initWithDuration, duration, 1.0f, 1.0f);
    if (action) {
        action->fromPosition_ = from.origin;
        action->toPosition_ = to.origin;
        action->fromSize_ = from.size;
        action->toSize_ = to.size;
        action->callback_ = std::move(callback);
    }
    return action;
}

void ExScaleWindows::startWithTarget(CCNode* target) {
    // The node's own scale is not animated: only the callback sees the steps.
    CCActionInterval::startWithTarget(target);
}

void ExScaleWindows::update(float t) {
    if (!target_) return;
    CCPoint position(fromPosition_.x + (toPosition_.x - fromPosition_.x) * t,
                     fromPosition_.y + (toPosition_.y - fromPosition_.y) * t);
    CCSize size(fromSize_.width + (toSize_.width - fromSize_.width) * t,
                fromSize_.height + (toSize_.height - fromSize_.height) * t);
    callback_(position, size);
}
