#pragma once

#include "PanelButton.h"

namespace cocos2d {
class CCNode;
}  // namespace cocos2d

// The chart window's toolbar: six toggle buttons (tags CHART_TYPE to PRICE_ALERT, left to right)
// side by side in a clipping node of their size, each with its caption as hover tip; CHART_IMAGE saves
// the window's picture and does not stay pressed; PRICE_ALERT stays pressed while an alert is placed. The
// node is a child of the window, which owns it; this class builds, places and resets it. Main thread only.
class WindowToolbar {
public:
    static constexpr int CHART_TYPE = 1;
    static constexpr int DRAWING_TOOLS = 2;
    static constexpr int INDICATORS = 3;
    static constexpr int TIME_TYPE = 4;
    static constexpr int CHART_IMAGE = 5;
    static constexpr int PRICE_ALERT = 6;
    static constexpr int BUTTON_COUNT = 6;

    // Adds the node to the window at this z-order; every button click goes to onButton. False when a
    // button image is missing.
    bool build(cocos2d::CCNode* window, int z, PanelButton::Callback onButton);
    // Null before build.
    cocos2d::CCNode* getNode() const { return node_; }
    // At the chart's top right, 5 in from its corner; a row lower when it would cover the title.
    void place(float chartRight, float windowHeight, float titleRight, float titleRowHeight);
    // Null for tags outside CHART_TYPE to PRICE_ALERT, and before build.
    PanelToggleButton* getButton(int tag) const;
    // No button selected.
    void reset();

private:
    cocos2d::CCNode* node_ = nullptr;
    PanelToggleButton* buttons_[BUTTON_COUNT] = {};
};
