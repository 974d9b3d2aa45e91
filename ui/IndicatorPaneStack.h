#pragma once

#include <vector>

#include "IndicatorPane.h"

namespace cocos2d {
class CCNode;
}  // namespace cocos2d
class DrawingKLine;
class DrawingView;
class IndicatorBase;

// The indicator panes of a chart window (types 2 to 5, each at most once), stacked under the chart
// view from the window's bottom up, each with its share of the window's height. The pane views are
// children of the window; the stack keeps the list of them that the chart view reads, so it must
// outlive the chart view. Main thread only.
class IndicatorPaneStack {
public:
    // Panes together never take more than this share of the window, so the chart keeps some room.
    static constexpr float MAX_TOTAL_SHARE = 0.8f;

    // Makes a pane of this type for the chart, its share clamped to the allowed range, and adds it to
    // the window. False when the type is not a pane type or is there already.
    bool add(int type, float heightRatio, cocos2d::CCNode* window, DrawingKLine* chart, float windowWidth,
             float windowHeight);
    // False when no pane has this type.
    bool remove(int type);
    bool empty() const { return panes_.empty(); }
    int lastType() const;
    // Places the panes from the bottom up in chartWidth x windowHeight; a pane of one line or less
    // hides. Returns the height the panes take, where the chart view begins.
    float layout(float chartWidth, float windowHeight, bool windowShown);
    // Links the chart view and the panes top to bottom, skipping panes hidden in a shown window.
    void relink(DrawingView* chart, bool windowShown);
    // After a border drag: the shares become the visible panes' heights.
    void takeHeights(float windowHeight);
    void setVisible(bool visible);
    // The panes in stacking order, as the layout store keeps them.
    void appendTo(std::vector<IndicatorPane>& panes) const;
    // The views in stacking order: what the chart view reads.
    std::vector<IndicatorBase*>* views() { return &views_; }
    const std::vector<IndicatorBase*>& getViews() const { return views_; }
    // Takes every view out of the window (the window goes, and the panes read its chart view).
    void removeAll();

private:
    struct Pane {
        int type;
        float heightRatio;
        IndicatorBase* view;
    };
    void syncViews();

    std::vector<Pane> panes_;
    std::vector<IndicatorBase*> views_;
};
