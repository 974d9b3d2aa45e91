#pragma once

#include <vector>

#include "CCNode.h"

namespace cocos2d {
class CCClippingNode;
class CCSprite;
}  // namespace cocos2d
class KLineBar;
class RippleArea;

// The renderer of the line (type 1) and area (type 2) charts: a polyline through the close points of
// the visible bars and, for the area chart, the background image "res/bg/lineTypeBg.png" cut to the
// area under that polyline. The chart view draws it in its own draw() (between the grid and the
// moving averages) through render(); the scene graph's own visit draws nothing. Main thread only.
class ClippingRipple : public cocos2d::CCNode {
public:
    static constexpr const char* BACKGROUND_FILE = "res/bg/lineTypeBg.png";
    static constexpr float LINE_WIDTH = 1.3f;

    static ClippingRipple* create();

    // 1 line, 2 area; the filled area shows only for 2.
    void setChartType(int type);
    int getChartType() const { return chartType_; }
    // Size of the chart view: the background is stretched over it.
    void setViewSize(const cocos2d::CCSize& size);
    // Rebuilds the polyline from the close points of the visible bars (their drawing cache).
    void rebuild(const std::vector<KLineBar*>& visibleBars, float barWidth);
    void clear();
    const std::vector<cocos2d::CCPoint>& getPolyline() const { return polyline_; }

    void visit() override {}
    void draw() override;
    // Draws the node as visit would (only while it is visible).
    void render();

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    ClippingRipple() = default;
    bool init() override;

    int chartType_ = 1;
    std::vector<cocos2d::CCPoint> polyline_;
    cocos2d::CCClippingNode* clipper_ = nullptr;
    RippleArea* area_ = nullptr;
    cocos2d::CCSprite* background_ = nullptr;
};
