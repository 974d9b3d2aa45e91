#include "ExScaleKLine.h"

USING_NS_CC;

ExScaleKLine* ExScaleKLine::create(float duration, ScaleKLineInfo* info, Callback callback) {
    if (!info || !callback) return nullptr;
    auto* action = createAutoreleased<ExScaleKLine>(&ExScaleKLine::initWithDuration, duration, 1.0f, 1.0f);
    if (action) {
        action->info_ = info;
        action->callback_ = std::move(callback);
    }
    return action;
}

void ExScaleKLine::startWithTarget(CCNode* target) {
    CCActionInterval::startWithTarget(target);
}

void ExScaleKLine::update(float t) {
    if (!target_ || !info_) return;
    info_->currentWidth = info_->fromWidth + (info_->toWidth - info_->fromWidth) * t;
    info_->finished = t >= 1.0f;
    callback_(info_);
}
