#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ChartAxis.h"

namespace cocos2d {
class CCLabelTTF;
class CCNode;
}  // namespace cocos2d
class KLineBar;

// The bars of a series, oldest first (what KLineSeries::bars() hands out).
using KLineBarList = std::vector<std::unique_ptr<KLineBar>>;

// The grid of the price chart: vertical lines with time labels along the time axis, horizontal lines
// with price labels, both spaced by the zoom level's row of the step table. The labels are pooled
// child nodes of the chart, re-rendered only when their text changes; the record sequences are
// cleared and refilled, never freed. The parent node must outlive the grid. Main thread only.
class ChartGrid {
public:
    // A labelled vertical line.
    struct TimeLabel {
        // Centre of the text: the line's x, moved just inside the view where the text would be cut.
        float x;
        std::string text;
    };

    ChartGrid(cocos2d::CCNode* parent, int labelZOrder);

    // Vertical lines from the first visible bar whose time is a multiple of the alignment period
    // (the first visible bar when none is), every minor step of bars across the width; every
    // major line gets a time label, centred on it but kept whole inside the width. Times beyond the
    // newest bar run on by the time type.
    void rebuildVertical(const std::vector<KLineBar*>& visibleBars, const KLineBarList& bars, float barWidth,
                         float barSpacing, float width, int timeType);
    // Horizontal lines every minor step of barSpacing x 1.25 px from y = 0, each with the price at its
    // height ("%g", bottom-right corner at (width - 10, y)); the lowest one's label is never shown.
    void rebuildHorizontal(float barWidth, float barSpacing, float width, float height,
                           const std::function<float(float y)>& priceAt);
    // Vertical lines from the time axis up, horizontal ones from left (the data's left end), then the
    // time axis' base line.
    void draw(float left, float width, float height) const;
    // Labels render their texts again on the next rebuild.
    void forgetLabelTexts();
    // Hidden labels stay hidden whatever the rebuilds do.
    void setLabelsShown(bool shown);

    const std::vector<GridRecord>& vertical() const { return vertical_; }
    const std::vector<GridRecord>& horizontal() const { return horizontal_; }
    const std::vector<TimeLabel>& timeLabels() const { return timeLabels_; }
    // Bumped by every vertical rebuild (the indicator panes copy the time labels when it changes).
    unsigned int timeLabelVersion() const { return timeLabelVersion_; }

private:
    cocos2d::CCLabelTTF* poolLabel(std::vector<cocos2d::CCLabelTTF*>& pool, size_t index, float anchorX,
                                   float anchorY);
    static void hideFrom(std::vector<cocos2d::CCLabelTTF*>& pool, size_t index);
    // Centre x for a label centred at x whose text must not run past either edge of the view.
    static float insideView(float x, const cocos2d::CCLabelTTF* label, float width);

    cocos2d::CCNode* parent_;
    int labelZOrder_;
    bool labelsShown_ = true;
    std::vector<GridRecord> vertical_;
    std::vector<GridRecord> horizontal_;
    std::vector<TimeLabel> timeLabels_;
    unsigned int timeLabelVersion_ = 0;
    std::vector<cocos2d::CCLabelTTF*> timeLabelPool_;
    // The time each pooled time label shows, -1 for none.
    std::vector<long long> timeLabelTimes_;
    std::vector<cocos2d::CCLabelTTF*> priceLabelPool_;
};
