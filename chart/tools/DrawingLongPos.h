#pragma once

#include <string>

#include "ChartGrid.h"
#include "DrawingBase.h"
#include "ToolLabel.h"

// The long position planner (id 25). One click at (bar, price) makes four points: P0 the entry,
// P1 the entry price ENTRY_BARS bars later, P2 the target and P3 the stop, each TARGET_SHARE of
// the chart's price range from the entry on the side of the trade. The boxes P1-P2 and P1-P3 show
// target and stop; the trade is simulated over the bars from P0 to P1 and, once opened, drawn with
// its profit and the risk/reward ratio. Prices and results show while the tool is selected or
// hovered; the upper box's text is listed first.
class DrawingLongPos : public DrawingBase {
public:
    static constexpr int TYPE = 25;
    static constexpr int POINT_COUNT = 4;
    static constexpr int ENTRY_BARS = 25;
    static constexpr float TARGET_SHARE = 0.3f;
    // Price range assumed for a flat chart (or one without prices).
    static constexpr float FLAT_RANGE = 2.0f;
    static constexpr cocos2d::ccColor4F TARGET_FILL{0.7f, 0.1f, 0.1f, 0.2f};
    static constexpr cocos2d::ccColor4F STOP_FILL{0.0f, 0.7f, 0.1f, 0.2f};
    static constexpr float LABEL_GAP = 3.0f;

    // How the simulated trade went.
    struct Outcome {
        enum class Result { NotOpened, Target, Stop, LastClose };
        Result result = Result::NotOpened;
        long long openSlot = 0;
        long long closeSlot = 0;
        float exitPrice = 0;
    };
    // Over the bars at slots from..to (clamped to the series; nothing when from lies beyond the data
    // or to before from): the first bar whose range holds the entry opens the trade, then the first
    // bar reaching the target or the stop closes it there, else the last bar's close does.
    static Outcome simulate(const KLineBarList& bars, long long from, long long to, float entry, float target,
                            float stop, int direction);

    DrawingLongPos() : DrawingLongPos(TYPE, 1) {}
    ~DrawingLongPos() override;
    void draw() override;
    bool addPoint(KLineBar* bar, float price, int barOffset, bool isClick) override;
    void updateX(float offsetX, float barSpacing) override;
    void updateY(float priceScale, float baseY, float priceMin) override;
    void refreshGeometry(bool xChanged) override;
    void onPointsChanged(DrawingControlPoint* handle) override;
    void setInverseColors(bool inverse) override { inverse_ = inverse; }

    int getDirection() const { return direction_; }
    const Outcome& getOutcome() const { return outcome_; }
    // "Closed P&L:..." and "Risk/Reward Ratio:..." on two lines.
    const std::string& getResultText() const { return result_.getText(); }
    const std::string& getTargetText() const { return targetText_.getText(); }
    const std::string& getStopText() const { return stopText_.getText(); }
    const cocos2d::ccColor4F& targetFill() const { return inverse_ ? STOP_FILL : TARGET_FILL; }
    const cocos2d::ccColor4F& stopFill() const { return inverse_ ? TARGET_FILL : STOP_FILL; }

protected:
    DrawingLongPos(int type, int direction);
    bool isRestorableCount(size_t count) const override { return count == POINT_COUNT; }

private:
    // Anchor of the bar slot (extrapolated beyond either end of the series).
    void anchorSlot(long long slot, DrawingControlPoint& point) const;
    long long slotOf(const DrawingControlPoint& point) const;
    cocos2d::CCPoint projectSlot(long long slot, float price) const;
    void updateTexts();
    void placeTexts();

    int direction_;
    bool inverse_ = false;
    Outcome outcome_;
    bool simulated_ = false;
    uint64_t simulatedAnchors_ = 0;
    unsigned int simulatedSeries_ = 0;
    float offsetX_ = 0;
    float barSpacing_ = 0;
    float priceScale_ = 0;
    float baseY_ = 0;
    float priceMin_ = 0;
    ToolLabel targetPrice_{false};
    ToolLabel entryPrice_{false};
    ToolLabel stopPrice_{false};
    ToolLabel targetText_{false};
    ToolLabel stopText_{false};
    ToolLabel result_{false};
};

// The short position planner (id 26): the target lies below the entry and the stop above.
class DrawingShortPos : public DrawingLongPos {
public:
    static constexpr int TYPE = 26;
    DrawingShortPos() : DrawingLongPos(TYPE, -1) {}
};
