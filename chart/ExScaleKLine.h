#pragma once

#include <functional>

#include "CCActionInterval.h"

// Parameters of one animated zoom of the K-line chart, owned by the chart view and updated by ExScaleKLine.
struct ScaleKLineInfo {
    float duration = 0.25f;
    float fromWidth = 0;
    float toWidth = 0;
    // True while no zoom animation runs; set on the last step (t = 1), cleared when a zoom starts.
    bool finished = true;
    float currentWidth = 0;
    float anchorX = 0;
    float anchorFromOffset = 0;
    float reserved = 0;
};

// Steps a ScaleKLineInfo from fromWidth to toWidth and hands it to the callback on every frame.
// The info must outlive the action (the chart view stops the action before it goes). Main thread only.
class ExScaleKLine : public cocos2d::CCScaleTo {
public:
    using Callback = std::function<void(ScaleKLineInfo* info)>;

    // Null when the engine refuses the duration, or the info or callback is missing.
    static ExScaleKLine* create(float duration, ScaleKLineInfo* info, Callback callback);

    void startWithTarget(cocos2d::CCNode* target) override;
    void update(float t) override;

private:
    ScaleKLineInfo* info_ = nullptr;
    Callback callback_;
};
