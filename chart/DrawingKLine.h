#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ChartAlertLines.h"
#include "ChartAxis.h"
#include "ChartGrid.h"
#include "DrawingView.h"
#include "ExScaleKLine.h"
#include "KLineChartView.h"

namespace cocos2d {
class CCLabelTTF;
class CCSprite;
class CCTouch;
}  // namespace cocos2d
class ChartButton;
class ChartViewOwner;
class ClippingRipple;
class DrawingBase;
class DrawingSync;
class DrawingToolbar;
class IndicatorBase;
class KLineBar;

// The K-line price chart of one chart window: candlesticks, line, area or OHLC bars of the visible
// part of a series, with a grid and its time and price labels, three moving-average lines, the
// blinking last-price pointer and line, a crosshair with time and price labels, the user's drawing
// tools and four zoom/move buttons that appear while the pointer hovers. Drag with inertia, the
// wheel (batched), pinch and the buttons scroll and zoom it; zooms are animated and keep the bar
// under the crosshair in place.
//
// The view owns no bars: it reads the owner's bar list and writes each visible bar's screen
// geometry into the bar's drawing cache. Geometry is rebuilt lazily: scrolls, zooms and resizes set
// a flag, and the next frame recomputes the visible range (x), then the price scale and the
// vertical positions (y), which the indicator panes of the owner's list follow. The owner, the bar
// list and the indicator list must outlive the view; the owner may be null (decorative chart). The
// window's series and history loader reach the view through KLineChartView.
// Main thread only.
class DrawingKLine : public DrawingView, public KLineChartView {
public:
    // Slots of a bar's drawing cache written by the price chart.
    static constexpr int CACHE_BODY = 0;   // 4 corners: left-open, right-open, right-close, left-close
    static constexpr int CACHE_HIGH = 4;   // wick top
    static constexpr int CACHE_LOW = 5;    // wick bottom
    static constexpr int CACHE_CLOSE = 6;  // close point (bar centre)
    static constexpr int CACHE_MA = 9;     // MA1, MA2, MA3

    static constexpr int TAG_POINTER_GLIDE = 14345;
    static constexpr int TAG_ZOOM = 84373;
    static constexpr int TAG_WHEEL = 943583;

    static constexpr float MIN_BAR_WIDTH = 1.0f;
    static constexpr float MAX_BAR_WIDTH = 30.0f;
    // A gesture may leave the width anywhere in MIN..MAX; it then springs back into this band.
    static constexpr double SETTLED_MIN_BAR_WIDTH = 1.1;
    static constexpr double SETTLED_MAX_BAR_WIDTH = 26.0;
    static constexpr float NEWEST_BAR_SHARE = 0.8f;
    static constexpr int BUTTON_COUNT = 4;
    static constexpr int MA_COUNT = 3;

    // Null when init fails.
    static DrawingKLine* createChart(ChartViewOwner* owner, const KLineBarList* bars,
                                     std::vector<IndicatorBase*>* indicators);
    ~DrawingKLine() override;

    // --- configuration
    void setViewSize(float width, float height) override;
    int getChartType() const { return chartType_; }
    void setChartType(int type);
    int getAuxOption() const { return auxOption_; }
    void setAuxOption(int option);
    int getIndicatorPeriodIndex() const { return indicatorPeriodIndex_; }
    void setIndicatorPeriodIndex(int index) override;
    bool isShowMA() const { return showMA_; }
    void setShowMA(bool show);
    int getTimeType() const { return timeType_; }
    void setTimeType(int minutes) override;
    float getBodyHalfWidth() const { return bodyHalfWidth_; }
    // x: barWidth, y: priceScale.
    cocos2d::CCPoint getBarWidthAndScale() const { return cocos2d::CCPoint(barWidth_, priceScale_); }
    void setBarWidthAndScale(const cocos2d::CCPoint& widthAndScale);
    bool isTouchActive() const { return touchActive_; }
    float getPriceMax() const { return priceMax_; }
    float getPriceMin() const { return priceMin_; }
    DrawingBase* getCreatingTool() const { return creatingTool_; }
    bool getOptionA() const { return optionA_; }
    void setOptionA(bool value) { optionA_ = value; }
    bool isPinnedStart() const { return pinnedStart_; }
    void setPinnedStart(bool pinned) { pinnedStart_ = pinned; }
    bool isButtonsDisabled() const { return buttonsDisabled_; }
    void setButtonsDisabled(bool disabled);
    bool isShowGrid() const { return showGrid_; }
    void setShowGrid(bool show) { showGrid_ = show; }
    bool isShowLastPriceLine() const { return showLastPriceLine_; }
    void setShowLastPriceLine(bool show);
    ChartViewOwner* getOwner() const { return owner_; }
    // The owner's series; drawing tools read bars and times from it.
    const KLineBarList* getBarList() const { return bars_; }
    // Changes whenever bars of the series change, come or go (what tools derive from bars follows it).
    unsigned int getSeriesRevision() const { return seriesRevision_; }
    bool getClickPending() const { return clickPending_; }
    void setClickPending(bool pending) { clickPending_ = pending; }
    bool getShowCrosshair() const { return showCrosshair_; }
    void setShowCrosshair(bool show) { showCrosshair_ = show; }
    bool getOptionB() const { return false; }
    // A chart that only shows its series: no grid, labels, last-price line or pointer, buttons,
    // crosshair, touches or mouse (the connecting screen's decorative chart).
    void setDisplayOnly(bool displayOnly);
    bool isDisplayOnly() const { return displayOnly_; }

    // --- what the window tells the view
    // Label "%g" of the price; the pointer shows the rise or fall in the window's colour convention.
    void setLastPrice(float price, bool rising);
    // The pointer's colour alone.
    void setLastBarRising(bool rising);
    // The colour convention (see RiseFallColours.h); false until the window sets it.
    void setRiseGreen(bool riseGreen);
    bool getRiseGreen() const { return riseGreen_; }
    // Another window's crosshair time: a thin line marks the bar containing it; 0 (or a time outside
    // the loaded bars) draws nothing.
    void setLinkedTime(long long time) { linkedTime_ = time; }
    long long getLinkedTime() const { return linkedTime_; }
    // The slot of the bar containing time (from its start to the next bar's, at most one period), or
    // -1 when no loaded bar does.
    long long slotContaining(long long time) const;
    // The x of the linked line, or a negative value when none is drawn.
    float linkedLineX() const;
    // Price alerts of this chart's instrument (see ChartAlertLines): placed, dragged and removed here,
    // kept by the owner, which answers each change with the new levels.
    using AlertLevel = ChartAlertLines::Level;
    void setAlertLevels(std::vector<AlertLevel> levels);
    const std::vector<AlertLevel>& getAlertLevels() const;
    // The next press on the chart places an alert there; false cancels.
    void startAlertPlacement(bool start);
    bool isPlacingAlert() const;
    ChartAlertLines* getAlertLines() const { return alertLines_; }
    // The height of a price in the view (outside the view for prices off the scale).
    float yOfPrice(double price) const;
    // The time under the pointer while it is over the chart, else 0.
    long long getHoverTime() const { return hoverTime_; }
    // The visible range must be rebuilt before the next frame.
    void relayout();
    // Both geometry passes run again on the next frame.
    void markForRedraw();
    void resetView();
    // The series was emptied: forget everything drawn of it, destroy the drawing tools.
    void clearSeries() override;
    // Shows the view and runs its tick (shown windows), or hides it and stops everything.
    void setShown(bool shown);
    bool isShown() const { return shown_; }

    // --- KLineChartView (with setTimeType, setIndicatorPeriodIndex and clearSeries above)
    float getScrollOffset() const override { return offsetX_; }
    void setLoadingTint(unsigned char red, unsigned char green, unsigned char blue) override;
    void dropCachedPositions() override { relayout(); }
    void clearLabelDictionary() override;
    // Stops the inertia, re-applies the bar width and puts the newest bar at 80 % of the width.
    void showNewestBars() override;
    // Keeps the bars on screen in place after newCount bars were put in front of the series.
    void keepVisibleBars(int newCount) override;
    // A new bar (isNew) moves the series one bar to the left when the newest bar was on screen, so a
    // live chart keeps its newest bar in place; a chart the user scrolled back stays where it is.
    void barChanged(KLineBar* bar, bool isNew) override;

    // --- interaction
    // Returns whether the position was clamped.
    bool scrollTo(float x, bool noRelayout = false);
    void zoomTo(float width);
    // One step of speed units (positive: towards older bars), as an arrow key held for a frame gives.
    void startScroll(float speed);
    void applyZoomStep(ScaleKLineInfo* info);
    void onButton(int tag);
    void tick(float dt);
    void flingTick(float dt);
    // Centre of the bar slot nearest to x (node space).
    float snapToBar(float x) const;
    // The crosshair moved to x (node space, snapped): time label, the owner's read-out and the
    // panes' info follow. Indicator panes call it while the pointer is over them.
    void updateCrosshairAt(float x);

    bool ccTouchBegan(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchMoved(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchEnded(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchCancelled(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;
    void ccTouchesBegan(cocos2d::CCSet* touches, cocos2d::CCEvent* event) override;
    void ccTouchesMoved(cocos2d::CCSet* touches, cocos2d::CCEvent* event) override;
    void ccTouchesEnded(cocos2d::CCSet* touches, cocos2d::CCEvent* event) override;
    bool ccMouseMove(float x, float y) override;
    bool ccMouseWheel(int keys, float delta, float x, float y) override;
    void OnMouseLeave() override;

    // --- drawing tools (made by the factory; see DrawingBase)
    using ToolFactory = std::function<std::unique_ptr<DrawingBase>(int id)>;
    void setToolFactory(ToolFactory factory) { toolFactory_ = std::move(factory); }
    // id 0 cancels placement. Another id the factory makes replaces a tool still being placed; an id
    // it does not make leaves everything as it is.
    void startTool(int id);
    // Adds a point (a click, or the rubber band on a move) to the tool being placed.
    void placePoint(const cocos2d::CCPoint& point, bool isClick);
    void selectTool(DrawingBase* tool, bool flag = false);
    // The topmost (newest) tool with a handle under the point.
    DrawingBase* hitTool(const cocos2d::CCPoint& point);
    void moveSelected(const cocos2d::CCPoint& point);
    void removeSelected();
    // The colour and width pop-ups' picks for the selected tool; out-of-table indices change nothing.
    void setColor(int index);
    void setWidth(int index);
    // A press of the editing toolbar's button (DrawingToolbar::COLOUR ... DELETE).
    void onToolbarButton(int tag);
    // Saved tools come back: each is complete, anchored to this series; the view projects them.
    void adoptDrawings(std::vector<std::unique_ptr<DrawingBase>> tools);
    // The same after every placed tool is gone (a tool still being placed stays).
    void replaceDrawings(std::vector<std::unique_ptr<DrawingBase>> tools);
    // The instrument whose saved drawings this view shows and keeps (see DrawingSync).
    void setDrawingSymbol(const std::string& symbol);
    DrawingSync& getDrawingSync() { return *sync_; }
    // The text tool whose text is being typed (the owner opened the input for it), or null. Deleting
    // the tool or clearing the series ends the edit: its text then goes nowhere.
    DrawingBase* getTextEditTool() const { return textEditTool_; }
    // Ends the edit: apply gives the tool its text; a new tool left empty (or cancelled) is removed.
    void finishTextEdit(bool apply, const std::string& text);
    DrawingBase* getSelectedDrawing() const { return selectedDrawing_; }
    const std::vector<std::unique_ptr<DrawingBase>>& getDrawings() const { return drawings_; }
    DrawingToolbar* getToolToolbar() const { return toolbar_; }
    // Price under a y of the view as the tools project it (the scale may be animating).
    float toolPriceAtY(float y) const;

    // --- state read by the panes, the window and tests
    const std::vector<KLineBar*>& getVisibleBars() const { return visibleBars_; }
    const std::vector<GridRecord>& getVerticalGrid() const { return grid_->vertical(); }
    const std::vector<GridRecord>& getHorizontalGrid() const { return grid_->horizontal(); }
    const std::vector<cocos2d::CCPoint>& getMALine(int which) const { return maLines_[which]; }
    // Labelled vertical grid lines: x and text, and a version bumped when they are rebuilt.
    const std::vector<ChartGrid::TimeLabel>& getTimeAxisLabels() const { return grid_->timeLabels(); }
    unsigned int getTimeAxisVersion() const { return grid_->timeLabelVersion(); }
    const cocos2d::CCPoint& getCrossPoint() const { return crossPoint_; }
    float getBarWidth() const { return barWidth_; }
    float getBarSpacing() const { return barSpacing_; }
    int getCandleLineWidth() const { return candleLineWidth_; }
    float getContentWidth() const { return contentWidth_; }
    float getPriceScale() const { return priceScale_; }
    float getTargetPriceScale() const { return targetPriceScale_; }
    float getTargetBarWidth() const { return targetBarWidth_; }
    float getPriceBaseY() const { return priceBaseY_; }
    float getPriceAreaHeight() const { return priceAreaSize_.height; }
    // The animated base line (y of priceMin) of the last vertical pass.
    float getCurrentBaseY() const { return currentBaseY_; }
    bool isZoomReady() const { return scaleInfo_.finished; }
    bool isScaleAnimating() const { return scaleAnimating_; }
    bool isDragging() const { return dragging_; }
    bool isFlinging() const { return flinging_; }
    float getFlingVelocity() const { return flingVelocity_; }
    int getWheelNotches() const { return wheelNotches_; }
    float getMoveSpeed() const { return moveSpeed_; }
    bool isCompactOK() const { return compactOK_; }
    cocos2d::CCSprite* getLoadingSprite() const { return loadingSprite_; }
    cocos2d::CCSprite* getLastPricePointer() const { return lastPricePointer_; }
    ChartButton* getButton(int tag) const;
    // Runs the pending geometry passes now (the frame does it before drawing).
    void updateGeometry();

    void visit() override;
    void draw() override;

private:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    DrawingKLine() = default;
    bool init(ChartViewOwner* owner, const KLineBarList* bars, std::vector<IndicatorBase*>* indicators);

    size_t barCount() const;
    KLineBar* barAt(size_t position) const;
    KLineBar* newestBar() const;
    // barSpacing, bodyHalfWidth, candleLineWidth and contentWidth from barWidth.
    void applyZoomRelations();
    void updateContentWidth();
    void computeX(KLineBar* bar) const;
    void computeY(KLineBar* bar, float base) const;
    void updateVisibleRange();
    void rescale();
    void updateVerticalPositions(float progress);
    void rebuildMALines();
    void rebuildHorizontalGrid();
    void glidePointerToNewest();
    void showPointerColour();
    // Whether the centre of the bar slot lies inside the view.
    bool isSlotOnScreen(long long slot) const;
    // The crosshair's labels follow the bars and prices that a layout, scroll or rescale moved under it.
    void refreshCrosshairLabels();
    void showCrossPrice();
    // The last-price line sprite and its label at height y.
    void placeLastPriceLine(float y);
    int indicatorPeriod() const;
    // Bar slot under x (node space) and its time (extrapolated beyond either end).
    long long slotAt(float x) const;
    long long timeOfSlot(long long slot) const;
    // The anchor of a drawing-tool point at x: the bar and the bars beyond it. False without bars.
    bool anchorAt(float x, KLineBar*& bar, int& barOffset) const;
    float priceAtY(float y) const;
    void drawGrid();
    void drawCandles();
    void drawOHLCBars();
    void drawMALines();
    void startFling();
    void stopFling();
    void stopZoom();
    void onWheelTimer();
    void showButtons();
    void hideButtons();
    void pressButton(ChartButton* button);
    void hideToolbar();
    void removeDrawing(DrawingBase* tool);
    // The tool changed for good (placed, dragged, edited, deleted): the owner may save the list.
    void notifyDrawingsChanged();
    void openTextEdit(DrawingBase* tool, bool isNew);
    // Hover: the topmost tool under the point keeps its hover, every other loses it.
    void hoverTools(const cocos2d::CCPoint& point);
    bool touchToolbar(const cocos2d::CCPoint& location);
    void releaseTouches();

    // Configuration.
    int chartType_ = 0;
    int auxOption_ = 0;
    int indicatorPeriodIndex_ = 2;
    bool showMA_ = false;
    int timeType_ = 1;
    bool optionA_ = true;
    bool pinnedStart_ = false;
    bool buttonsDisabled_ = false;
    bool showGrid_ = true;
    bool showLastPriceLine_ = true;
    bool displayOnly_ = false;
    bool shown_ = false;
    ChartViewOwner* owner_ = nullptr;
    const KLineBarList* bars_ = nullptr;
    std::vector<IndicatorBase*>* indicators_ = nullptr;

    // Zoom and scroll.
    float bodyHalfWidth_ = 5.0f;
    float barWidth_ = 6.0f;
    float barSpacing_ = 35.0f;
    int candleLineWidth_ = 2;
    float offsetX_ = 0;
    float contentWidth_ = 0;
    float targetBarWidth_ = 10.0f;
    ScaleKLineInfo scaleInfo_;

    // Price scale.
    float priceScale_ = 1.0f;
    float priceMax_ = 1.0f;
    float priceMin_ = 0.0f;
    float priceBaseY_ = 0;
    cocos2d::CCSize priceAreaSize_;
    float priceBaseYFrom_ = 0;
    float currentBaseY_ = 0;
    bool needRescale_ = false;
    bool scaleAnimating_ = false;
    float targetPriceScale_ = 1.0f;
    float scaleAnimTime_ = 0;
    float priceScaleFrom_ = 0;
    float scaleAnimProgress_ = 1.0f;
    bool needLayout_ = true;
    bool compactOK_ = false;

    // Interaction.
    bool touchActive_ = false;
    bool clickPending_ = false;
    bool showCrosshair_ = false;
    cocos2d::CCPoint crossPoint_;
    long long crossLabelTime_ = -1;
    long long linkedTime_ = 0;
    long long hoverTime_ = 0;
    void setHoverTime(long long time);
    bool dragging_ = false;
    float flingVelocity_ = 0;
    bool flinging_ = false;
    int wheelNotches_ = 0;
    float moveSpeed_ = 0;
    float moveRemaining_ = 0;
    std::map<std::string, cocos2d::CCTouch*> touches_;
    float pinchDistance_ = 0;
    bool pinching_ = false;
    ChartButton* pressedButton_ = nullptr;
    bool lastRising_ = true;
    bool riseGreen_ = false;

    // Geometry of the frame.
    std::vector<KLineBar*> visibleBars_;
    std::vector<cocos2d::CCPoint> maLines_[MA_COUNT];
    std::unique_ptr<ChartGrid> grid_;

    // Drawing tools.
    std::vector<std::unique_ptr<DrawingBase>> drawings_;
    DrawingBase* creatingTool_ = nullptr;
    DrawingBase* selectedDrawing_ = nullptr;
    ToolFactory toolFactory_;
    std::unique_ptr<DrawingSync> sync_;
    unsigned int seriesRevision_ = 0;
    DrawingBase* textEditTool_ = nullptr;
    bool textEditIsNew_ = false;
    // Per touch: it placed a point (never half of a double click), it may open the text input (a
    // click on the selected text tool's handle), a handle moved.
    bool touchPlaced_ = false;
    DrawingBase* textClickTool_ = nullptr;
    bool handleMoved_ = false;
    int pressedToolbarTag_ = 0;
    bool toolbarTouch_ = false;
    bool alertTouch_ = false;

    // Child nodes (owned by the scene graph).
    ChartButton* buttons_[BUTTON_COUNT] = {};
    DrawingToolbar* toolbar_ = nullptr;
    ChartAlertLines* alertLines_ = nullptr;
    cocos2d::CCLabelTTF* crossTimeLabel_ = nullptr;
    cocos2d::CCLabelTTF* crossPriceLabel_ = nullptr;
    cocos2d::CCSprite* loadingSprite_ = nullptr;
    cocos2d::CCSprite* crossTimeBackground_ = nullptr;
    cocos2d::CCSprite* crossPriceLine_ = nullptr;
    ClippingRipple* lineChart_ = nullptr;
    cocos2d::CCSprite* leftShade_ = nullptr;
    cocos2d::CCSprite* rightShade_ = nullptr;
    cocos2d::CCSprite* lastPricePointer_ = nullptr;
    cocos2d::CCSprite* lastPricePointerGlow_ = nullptr;
    cocos2d::CCLabelTTF* lastPriceLabel_ = nullptr;
    cocos2d::CCSprite* lastPriceLine_ = nullptr;
};
