#include "ExChangeLabelString.h"

#include <cstdio>

#include "CCNode.h"

USING_NS_CC;

ExChangeLabelString* ExChangeLabelString::create(float duration, float from, float to) {
    auto* action = createAutoreleased<ExChangeLabelString>(&ExChangeLabelString::initWithDuration, duration);
    if (action) {
        action->from_ = from;
        action->to_ = to;
    }
    return action;
}

void ExChangeLabelString::update(float t) {
    show(target_, from_ + (to_ - from_) * t);
}

void ExChangeLabelString::stop() {
    CCNode* target = target_;
    CCActionInterval::stop();
    show(target, to_);
}

void ExChangeLabelString::show(CCNode* target, float value) const {
    auto* label = dynamic_cast<NumberLabel*>(target);
    if (!label) return;
    char text[64];
    // The format comes from our own callers; snprintf still cuts anything too long for a label.
    std::snprintf(text, sizeof(text), format_.c_str(), static_cast<double>(value));
    label->setNumberText(text);
    label->setNumberValue(value);
}
