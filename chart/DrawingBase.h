#pragma once

#include <string>
#include <vector>

#include "CCGeometry.h"
#include "ccTypes.h"

class KLineBar;
class DrawingKLine;

// One control point of a drawing tool, anchored to a bar and a price; x and y are re-projected from
// the anchor whenever the chart scrolls, zooms or rescales.
struct DrawingControlPoint {
    float x = 0;
    float y = 0;
    KLineBar* bar = nullptr;
    float price = 0;
    // Bars beyond the anchor bar when the point lies left of the first or right of the last bar.
    int barOffset = 0;
    int reserved = 0;
};

// The part of a user drawing tool that the chart view relies on: projection of the control points,
// placement by clicks, hit testing and selection. The tools themselves (lines, shapes, texts, ...)
// derive from it and draw in draw(). Owned by the chart's drawing list; never an engine object.
// Main thread only.
class DrawingBase {
public:
    // A handle is hit within this distance, px.
    static constexpr float HANDLE_HIT_RADIUS = 20.0f;

    DrawingBase(int type, int requiredPoints);
    virtual ~DrawingBase();
    DrawingBase(const DrawingBase&) = delete;
    DrawingBase& operator=(const DrawingBase&) = delete;

    virtual bool isValid() const { return true; }
    // Draws the tool in the chart's node space.
    virtual void draw() = 0;
    // The nearest handle within HANDLE_HIT_RADIUS becomes the active one.
    virtual bool hitTest(const cocos2d::CCPoint& point);
    // Re-anchors the active handle unless the tool is locked. True when it moved.
    virtual bool moveActiveHandle(KLineBar* bar, float price, int barOffset);
    virtual void updateX(float offsetX, float barSpacing);
    virtual void updateY(float priceScale, float baseY, float priceMin);
    // Counts a click; the tool stores the point. True once the tool is complete.
    virtual bool addPoint(KLineBar* bar, float price, int barOffset, bool isClick);
    virtual bool isComplete() const { return placedPoints_ >= requiredPoints_; }
    // Derived geometry after a re-projection.
    virtual void refreshGeometry(bool /*xChanged*/) {}
    virtual void onPointsChanged(DrawingControlPoint* /*handle*/) {}
    virtual void onHandleHit() {}
    virtual void onViewResize(const cocos2d::CCSize& /*size*/) {}
    virtual void setSelected(bool selected, bool flag = false);
    virtual void setInverseColors(bool /*inverse*/) {}
    virtual bool hasText() const { return false; }
    virtual std::string getText() const { return std::string(); }
    virtual void setText(const std::string& /*text*/) {}
    bool setColorIndex(int index);
    bool setWidthIndex(int index);
    const cocos2d::ccColor4F& getColour() const { return colour_; }

    bool isSelected() const { return selected_; }
    bool isHovered() const { return hovered_; }
    void setHovered(bool hovered) { hovered_ = hovered; }
    bool isVisible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }
    bool isLocked() const { return locked_; }
    void setLocked(bool locked) { locked_ = locked; }
    DrawingKLine* getChart() const { return chart_; }
    void setChart(DrawingKLine* chart) { chart_ = chart; }
    int getColorIndex() const { return colourIndex_; }
    int getWidthIndex() const { return widthIndex_; }
    int getType() const { return type_; }
    int getPlacedPoints() const { return placedPoints_; }
    int getRequiredPoints() const { return requiredPoints_; }
    const std::vector<DrawingControlPoint>& getPoints() const { return points_; }
    DrawingControlPoint* getActiveHandle() const { return activeHandle_; }

protected:
    bool selected_ = false;
    bool hovered_ = false;
    bool visible_ = true;
    bool locked_ = false;
    float lineWidth_ = 1.3f;
    cocos2d::ccColor4F colour_{1, 1, 1, 0.8f};
    DrawingKLine* chart_ = nullptr;
    int colourIndex_ = 7;
    int widthIndex_ = 0;
    int type_;
    int placedPoints_ = 0;
    int requiredPoints_;
    std::vector<DrawingControlPoint> points_;
    DrawingControlPoint* activeHandle_ = nullptr;
};
