#pragma once

#include <string>
#include <vector>

#include "ChartAxis.h"
#include "DrawingView.h"

namespace cocos2d {
class CCLabelTTF;
class CCSprite;
}  // namespace cocos2d
class ChartButton;
class DrawingKLine;
class KLineBar;

// An indicator pane: a view stacked under the price chart of a chart window that shows one
// indicator of the chart's visible bars on its own value scale. It follows the chart: the chart
// calls onScaleChanged when its visible range or zoom changes and onProgress on every step of its
// base-line animation, and showInfoAt when the crosshair moves to another time. The values come
// with the bars (the series computes them); the pane only scales and draws them, writing its points
// into its own slots of each bar's drawing cache.
//
// The pane has a title (replaced by the values under the crosshair), three scale labels at its
// right edge, a close button and a value read-out while the pointer is over it; its top and bottom
// borders can be dragged to resize it against its neighbours. Subclasses add the values, their
// scale and their drawing. The chart must outlive the pane. Main thread only.
class IndicatorBase : public DrawingView {
public:
    // Indicator ids (also the order of the indicator picker).
    static constexpr int TYPE_MOVING_AVERAGE = 1;
    static constexpr int TYPE_TRADING = 2;
    static constexpr int TYPE_MACD = 3;
    static constexpr int TYPE_KDJ = 4;
    static constexpr int TYPE_BOLL = 5;

    static constexpr int SCALE_LABEL_COUNT = 3;
    static constexpr int INFO_LABEL_COUNT = 3;
    // Panes at least this tall show the time axis row.
    static constexpr float TIME_AXIS_MIN_HEIGHT = 80.0f;
    // The pointer this close to a shared border starts a resize.
    static constexpr float RESIZE_EDGE = 10.0f;
    // Two neighbours this tall together, or less, cannot be resized.
    static constexpr float RESIZE_MIN_TOTAL = 100.0f;
    // A drag never makes a view of the pair smaller than this.
    static constexpr float RESIZE_MIN_HEIGHT = 20.0f;

    ~IndicatorBase() override;

    virtual bool init(DrawingKLine* chart, float width, float height);
    // Lays the pane out; heights below 80 px drop the time axis.
    void setViewSize(float width, float height) override;
    // The chart's zoom and the indicator period; subclasses find their value range here.
    virtual void onScaleChanged(float barWidth, float halfWidth, int period);
    // One step (0..1) of the chart's base-line animation; subclasses map their values to y.
    virtual void onProgress(float /*t*/) {}
    // The read-out shows the value at this y (node space).
    virtual void setCrossValue(float y);
    // The info labels show this bar's values; null shows the title.
    virtual void showInfoAt(const KLineBar* bar);

    int getType() const { return type_; }
    float getBarWidth() const { return barWidth_; }
    void setBarWidth(float width) { barWidth_ = width; }
    float getHalfWidth() const { return halfWidth_; }
    void setHalfWidth(float width) { halfWidth_ = width; }
    int getPeriod() const { return period_; }
    void setPeriod(int period) { period_ = period; }
    const std::string& getName() const { return name_; }
    void setName(const std::string& name);
    DrawingKLine* getChart() const { return chart_; }

    float getBaseY() const { return baseY_; }
    float getValueHeight() const { return valueHeight_; }
    float getScale() const { return scale_; }
    float getTargetScale() const { return targetScale_; }
    float getTopValue() const { return topValue_; }
    float getBottomValue() const { return bottomValue_; }
    bool isTimeAxisShown() const { return timeAxisShown_; }
    int getResizeMode() const { return resizeMode_; }
    cocos2d::CCLabelTTF* getScaleLabel(int index) const;
    cocos2d::CCLabelTTF* getInfoLabel(int index) const;
    cocos2d::CCLabelTTF* getTitleLabel() const { return titleLabel_; }
    cocos2d::CCLabelTTF* getCrossValueLabel() const { return crossValueLabel_; }

    // Border lines, the chart's vertical grid and the horizontal divisions.
    virtual void drawGrid(int divisions);
    // The crosshair; subclasses call it last.
    void draw() override;
    void visit() override;

    bool ccTouchBegan(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchMoved(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchEnded(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    bool ccMouseMove(float x, float y) override;
    void OnMouseLeave() override;

protected:
    IndicatorBase(int type, const char* name, int gridDivisions);

    // The three info texts of a bar, in the order of the info labels.
    virtual void formatInfo(const KLineBar& bar, std::string texts[INFO_LABEL_COUNT]) const = 0;
    // Colours of the info labels.
    virtual cocos2d::ccColor3B infoColour(int index) const = 0;

    // Sets a scale label's text; null hides the label.
    void setScaleLabelText(int index, const char* text);
    // The common scale pattern: targetScale = valueHeight / (max - min), with a base shift from
    // the previous minimum for the base-line animation.
    void applyValueRange(float minValue, float maxValue);
    // Scale at step t of the animation.
    float scaleAt(float t) const { return scaleFrom_ + (targetScale_ - scaleFrom_) * t; }
    bool hasVisibleBars() const;
    const std::vector<KLineBar*>& visibleBars() const;
    // Open polyline, blended and smoothed, when it has at least two points.
    static void drawSmoothLine(const std::vector<cocos2d::CCPoint>& points, const cocos2d::ccColor4F& colour);
    static void beginSmoothLines();
    static void endSmoothLines();
    int gridDivisions() const { return gridDivisions_; }
    // A series colour as a label colour (components x 255).
    static cocos2d::ccColor3B labelColour(const cocos2d::ccColor4F& colour);

    int type_;
    float barWidth_ = 1.0f;
    float halfWidth_ = 1.0f;
    int period_ = 5;
    std::string name_;
    DrawingKLine* chart_ = nullptr;
    cocos2d::CCPoint crossPoint_;
    float targetScale_ = 1.0f;
    float scale_ = 1.0f;
    float scaleFrom_ = 1.0f;
    float minValue_ = 0;
    float lastMin_ = 0;
    float baseShift_ = 0;
    float valueHeight_ = 0;
    float baseY_ = 1.0f;
    float topValue_ = 0;
    float bottomValue_ = 0;
    bool timeAxisShown_ = false;

private:
    void placeScaleLabels();
    void placeInfoLabels();
    void syncTimeLabels();
    void showReadout(bool shown);
    void setResizeMode(int mode);
    DrawingView* resizeNeighbour() const;

    int gridDivisions_;
    int resizeMode_ = 0;
    bool resizeDragging_ = false;
    bool resizeMoved_ = false;
    float resizeStartY_ = 0;
    float resizeTotal_ = 0;
    float resizeOwnHeight_ = 0;
    float resizeOwnY_ = 0;
    float resizeNeighbourHeight_ = 0;
    float resizeNeighbourY_ = 0;
    bool closePressed_ = false;
    long long infoTime_ = -1;
    unsigned int timeAxisVersion_ = 0;
    cocos2d::CCSize timeAxisSize_;

    std::vector<cocos2d::CCLabelTTF*> scaleLabels_;
    std::vector<cocos2d::CCLabelTTF*> timeLabels_;
    cocos2d::CCLabelTTF* titleLabel_ = nullptr;
    cocos2d::CCSprite* borderLine_ = nullptr;
    ChartButton* closeButton_ = nullptr;
    cocos2d::CCLabelTTF* crossValueLabel_ = nullptr;
    cocos2d::CCLabelTTF* infoLabels_[INFO_LABEL_COUNT] = {};
};
