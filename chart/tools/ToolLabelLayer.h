#pragma once

#include "CCNode.h"

// A child of the chart view, above its own labels, that draws the texts its drawing tools deferred
// (ToolLabel::deferTexts), so that they join one batch instead of breaking the shapes' batch once per
// tool. Main thread only.
class ToolLabelLayer : public cocos2d::CCNode {
public:
    static ToolLabelLayer* create();
    void draw() override;

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    ToolLabelLayer() = default;
};
