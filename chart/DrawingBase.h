#pragma once

#include <cstddef>
#include <cstdint>
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
// placement by clicks, hit testing and selection, colour and width, and the common drawing state.
// The tools themselves (lines, shapes, texts, ...) derive from it and draw in draw(), in the chart's
// node space. Owned by the chart's drawing list; never an engine object. Engine nodes a tool keeps
// (labels, icons) are retained by the tool and released with it. Main thread only.
class DrawingBase {
public:
    // A handle is hit within this distance, px.
    static constexpr float HANDLE_HIT_RADIUS = 20.0f;
    static constexpr int COLOUR_COUNT = 8;
    static constexpr cocos2d::ccColor4F COLOUR_TABLE[COLOUR_COUNT] = {
        {0.85f, 0.29f, 0.19f, 1.0f}, {1.0f, 0.47f, 0.0f, 1.0f},  {1.0f, 0.94f, 0.25f, 1.0f},
        {0.37f, 0.95f, 0.28f, 1.0f}, {0.09f, 0.85f, 0.9f, 1.0f}, {0.25f, 0.48f, 1.0f, 1.0f},
        {0.61f, 0.27f, 1.0f, 1.0f},  {1.0f, 1.0f, 1.0f, 1.0f}};
    static constexpr int WIDTH_COUNT = 3;
    static constexpr float WIDTH_TABLE[WIDTH_COUNT] = {1.0f, 2.0f, 3.0f};
    static constexpr int DEFAULT_COLOUR_INDEX = 7;
    static constexpr float DEFAULT_LINE_WIDTH = 1.3f;
    static constexpr cocos2d::ccColor4F DEFAULT_COLOUR{1, 1, 1, 0.8f};
    // Longest text a text tool keeps, bytes.
    static constexpr size_t MAX_TEXT_BYTES = 256;
    static constexpr const char* HANDLE_FRAME = "drawingToolCtrlPoint.png";
    static constexpr const char* HOVER_FRAME = "drawingToolMouseClose.png";

    DrawingBase(int type, int requiredPoints);
    virtual ~DrawingBase();
    DrawingBase(const DrawingBase&) = delete;
    DrawingBase& operator=(const DrawingBase&) = delete;

    virtual bool isValid() const { return true; }
    // Draws the tool in the chart's node space. Safe on an incomplete tool.
    virtual void draw() = 0;
    // The nearest handle within HANDLE_HIT_RADIUS becomes the active one. Hidden tools are hit too.
    virtual bool hitTest(const cocos2d::CCPoint& point);
    // Re-anchors the active handle unless the tool is locked. True when it moved.
    virtual bool moveActiveHandle(KLineBar* bar, float price, int barOffset);
    // Project the points; the derived geometry (labels, outlines) follows in ensureGeometry, so that a
    // scroll costs only the points and a tool that is not drawn costs nothing more.
    virtual void updateX(float offsetX, float barSpacing);
    virtual void updateY(float priceScale, float baseY, float priceMin);
    // Brings the derived geometry up to the projected points (before drawing or reading it).
    void ensureGeometry();
    // A move (isClick false) appends the rubber-band point once a click is placed and then moves it;
    // a click fixes the current point (appending one when there is no rubber-band point). True once
    // the tool is complete.
    virtual bool addPoint(KLineBar* bar, float price, int barOffset, bool isClick);
    virtual bool isComplete() const { return placedPoints_ >= requiredPoints_; }
    // Derived geometry after a re-projection.
    virtual void refreshGeometry(bool /*xChanged*/) {}
    virtual void onPointsChanged(DrawingControlPoint* /*handle*/) {}
    virtual void onHandleHit() {}
    virtual void onViewResize(const cocos2d::CCSize& size) { viewSize_ = size; }
    virtual void setSelected(bool selected, bool flag = false);

    // A saved tool comes back complete with these anchored points (x and y follow with updateX and
    // updateY, in that order). False, and nothing changes, when the count does not suit the tool or
    // a point has no bar.
    bool restorePoints(std::vector<DrawingControlPoint> points);

    // Text tools (ids 20 to 24) hold a text, cut to MAX_TEXT_BYTES on a UTF-8 character boundary.
    virtual bool hasText() const { return false; }
    virtual std::string getText() const { return {}; }
    virtual void setText(const std::string& /*text*/) {}
    // Position planners swap their box colours; other tools ignore it.
    virtual void setInverseColors(bool /*inverse*/) {}

    // Out-of-range indices are refused: false, and nothing changes.
    bool setColorIndex(int index);
    bool setWidthIndex(int index);
    int getColorIndex() const { return colourIndex_; }
    int getWidthIndex() const { return widthIndex_; }
    const cocos2d::ccColor4F& getColour() const { return colour_; }
    void setColour(const cocos2d::ccColor4F& colour) { colour_ = colour; }
    float getLineWidth() const { return lineWidth_; }
    void setLineWidth(float width) { lineWidth_ = width; }

    bool isSelected() const { return selected_; }
    bool isHovered() const { return hovered_; }
    void setHovered(bool hovered) { hovered_ = hovered; }
    bool isVisible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }
    bool isLocked() const { return locked_; }
    void setLocked(bool locked) { locked_ = locked; }
    DrawingKLine* getChart() const { return chart_; }
    void setChart(DrawingKLine* chart) { chart_ = chart; }
    int getType() const { return type_; }
    int getPlacedPoints() const { return placedPoints_; }
    int getRequiredPoints() const { return requiredPoints_; }
    const std::vector<DrawingControlPoint>& getPoints() const { return points_; }
    DrawingControlPoint* getActiveHandle() const { return activeHandle_; }

protected:
    virtual bool isRestorableCount(size_t count) const {
        return count == static_cast<size_t>(requiredPoints_);
    }
    // After restorePoints replaced the points.
    virtual void onRestored() {}

    cocos2d::CCPoint at(size_t i) const { return {points_[i].x, points_[i].y}; }
    bool hasPoints(size_t count) const { return points_.size() >= count; }
    // Where the chart would project the anchor now (the stored x, y without a chart).
    cocos2d::CCPoint projected(const DrawingControlPoint& point) const;
    // Blending, smoothing, the tool's colour and width. False when a point is not finite (nothing
    // may be drawn from it).
    bool beginDraw() const;
    void strokeColour() const;
    // The handles of a selected tool, the hover markers of a hovered one.
    void drawHandles() const;
    // Changes whenever a point's anchor (bar, bar offset, price) changes, whatever changed it: texts
    // that follow the anchors, not the projection, are made again only then.
    uint64_t anchorSignature() const;
    // Drops the active handle when it points at a point that is gone.
    void forgetHandleBeyond(size_t count);

    bool geometryStale_ = true;
    bool selected_ = false;
    bool hovered_ = false;
    bool visible_ = true;
    bool locked_ = false;
    float lineWidth_ = DEFAULT_LINE_WIDTH;
    cocos2d::ccColor4F colour_ = DEFAULT_COLOUR;
    DrawingKLine* chart_ = nullptr;
    int colourIndex_ = DEFAULT_COLOUR_INDEX;
    int widthIndex_ = 0;
    int type_;
    int placedPoints_ = 0;
    int requiredPoints_;
    std::vector<DrawingControlPoint> points_;
    DrawingControlPoint* activeHandle_ = nullptr;
    cocos2d::CCSize viewSize_;
};
