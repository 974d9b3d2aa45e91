#pragma once

#include "CCGeometry.h"

namespace cocos2d {
class CCLayerColor;
class CCNode;
}  // namespace cocos2d
class StockButtonPanel;
class StockButtonPanelDelegate;

// The frame of the main scene around the chart area: the top bar with the logo and the window strip,
// the left bar and the bottom bar. The nodes are children of the parent given to build, which owns
// them; this keeps plain pointers and places them for each window size. Main thread only.
class FrameBars {
public:
    static constexpr float TOP_BAR_HEIGHT = 56.0f;
    static constexpr float BOTTOM_BAR_HEIGHT = 30.0f;
    static constexpr float LEFT_BAR_WIDTH = 50.0f;
    static constexpr int Z_FRAME_BARS = 50;
    static constexpr int Z_TOP_BAR = 55;

    // Adds the bars, the logo (when its image exists) and the strip (null when it cannot be made).
    void build(cocos2d::CCNode* parent, StockButtonPanelDelegate* stripDelegate, float width);
    void layout(float width, float height);
    StockButtonPanel* strip() const { return strip_; }

private:
    cocos2d::CCLayerColor* topBar_ = nullptr;
    cocos2d::CCLayerColor* leftBar_ = nullptr;
    cocos2d::CCLayerColor* bottomBar_ = nullptr;
    cocos2d::CCNode* logo_ = nullptr;
    StockButtonPanel* strip_ = nullptr;
};
