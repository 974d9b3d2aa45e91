#include <algorithm>
#include <cmath>

#include "CCLabelTTF.h"
#include "CCSet.h"
#include "CCSprite.h"
#include "CCTouch.h"
#include "ChartAxis.h"
#include "ChartTestSupport.h"
#include "DisplayTimeZone.h"
#include "DrawingBase.h"
#include "IndicatorMACD.h"

USING_NS_CC;

namespace {

// Wicks are the only independent segments drawn in a bar's colour.
int countWicks(const std::vector<CCRecordedPrimitive>& frame) {
    return static_cast<int>(std::count_if(frame.begin(), frame.end(), [](const CCRecordedPrimitive& p) {
        return p.type == CCPrimitiveType::Lines &&
               (sameColour(p.color, KLINE_RED) || sameColour(p.color, KLINE_GREEN));
    }));
}

std::vector<CCRecordedPrimitive> bodies(const std::vector<CCRecordedPrimitive>& frame) {
    std::vector<CCRecordedPrimitive> out;
    for (const auto& p : frame)
        if (p.type == CCPrimitiveType::SolidPolygon) out.push_back(p);
    return out;
}

float textWidth(const std::string& text) {
    return CCLabelTTF::create(text.c_str(), ChartAxis::LABEL_FONT, ChartAxis::LABEL_FONT_SIZE)
        ->getContentSize()
        .width;
}

bool contains(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// A drawing tool that keeps the points it is given and records its projections.
class FakeTool : public DrawingBase {
public:
    FakeTool() : DrawingBase(1, 2) {}
    void draw() override {}
    bool addPoint(KLineBar* bar, float price, int barOffset, bool isClick) override {
        if (points_.size() <= static_cast<size_t>(placedPoints_)) points_.push_back({});
        points_.back().bar = bar;
        points_.back().price = price;
        points_.back().barOffset = barOffset;
        return DrawingBase::addPoint(bar, price, barOffset, isClick);
    }
    void updateX(float offsetX, float barSpacing) override {
        ++xUpdates;
        DrawingBase::updateX(offsetX, barSpacing);
    }
    void updateY(float priceScale, float baseY, float priceMin) override {
        ++yUpdates;
        DrawingBase::updateY(priceScale, baseY, priceMin);
    }
    int xUpdates = 0;
    int yUpdates = 0;
};

}  // namespace

TEST_F(ChartTest, ZoomRelationsFollowTheBarWidth) {
    fillBars(300, 1480000000, 1, zigzag);
    makeChart();
    chart_->setBarWidthAndScale(CCPoint(6, 1));
    chart_->showNewestBars();
    step(0.5f);
    EXPECT_NEAR(chart_->getBarSpacing(), 8.4f, 1e-5);
    EXPECT_FLOAT_EQ(chart_->getBodyHalfWidth(), 3.0f);
    EXPECT_EQ(chart_->getCandleLineWidth(), 2);
    auto candles = frame();
    const int visible = static_cast<int>(chart_->getVisibleBars().size());
    EXPECT_EQ(countWicks(candles), visible);
    auto body = bodies(candles);
    ASSERT_EQ(static_cast<int>(body.size()), visible);
    EXPECT_NEAR(body[0].points[1].x - body[0].points[0].x, 6.0f, 1e-4);

    chart_->setBarWidthAndScale(CCPoint(2, 1));
    chart_->showNewestBars();
    step(0.5f);
    EXPECT_NEAR(chart_->getBarSpacing(), 2.8f, 1e-5);
    EXPECT_FLOAT_EQ(chart_->getBodyHalfWidth(), 1.0f);
    EXPECT_EQ(chart_->getCandleLineWidth(), 1);
    candles = frame();
    EXPECT_EQ(countWicks(candles), 0);
    EXPECT_EQ(bodies(candles).size(), chart_->getVisibleBars().size());

    // The other bands of the line width, and the width's own limits.
    const std::pair<float, int> widths[] = {{4.99f, 1}, {5, 2}, {10, 3}, {14.9f, 3}, {15, 4}, {30, 4}};
    for (auto [width, lineWidth] : widths) {
        chart_->setBarWidthAndScale(CCPoint(width, 1));
        EXPECT_EQ(chart_->getCandleLineWidth(), lineWidth) << width;
    }
    chart_->setBarWidthAndScale(CCPoint(40, 1));
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 30);
    chart_->setBarWidthAndScale(CCPoint(0.2f, 1));
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 1);
}

TEST_F(ChartTest, BodiesAreAtLeastTwoPixelsTallAndAFlatRangeCountsAsTwo) {
    // Open = close with a real high and low: the body is 2 px tall, the close point stays put.
    fillBars(40, 1480000000, 1, [](int i) {
        float base = 100 + static_cast<float>(i);
        return BarPrices{base, base + 5, base - 5, base};
    });
    makeChart(900, 400);
    chart_->showNewestBars();
    step(0.5f);
    KLineBar* bar = chart_->getVisibleBars().at(3);
    const CCPoint* c = bar->drawingCache;
    EXPECT_FLOAT_EQ(c[DrawingKLine::CACHE_BODY + 2].y - c[DrawingKLine::CACHE_BODY + 1].y, 2.0f);
    EXPECT_FLOAT_EQ(c[DrawingKLine::CACHE_BODY + 3].y - c[DrawingKLine::CACHE_BODY].y, 2.0f);
    EXPECT_FLOAT_EQ(c[DrawingKLine::CACHE_CLOSE].y, c[DrawingKLine::CACHE_BODY].y);
    auto body = bodies(frame());
    ASSERT_FALSE(body.empty());
    EXPECT_FLOAT_EQ(body[0].points[2].y - body[0].points[1].y, 2.0f);

    // Every visible bar at one price: the range is 2.0 and the scale 0.6 h / 2 = 0.3 h.
    fillBars(40, 1480000000, 1, [](int) { return BarPrices{1.5f, 1.5f, 1.5f, 1.5f}; });
    chart_->showNewestBars();
    step(0.5f);
    EXPECT_EQ(chart_->getPriceMax(), chart_->getPriceMin());
    EXPECT_FLOAT_EQ(chart_->getTargetPriceScale(), 0.3f * 400);
    EXPECT_FLOAT_EQ(chart_->getPriceScale(), 0.3f * 400);
    EXPECT_FLOAT_EQ(chart_->getVisibleBars().front()->drawingCache[DrawingKLine::CACHE_CLOSE].y, 0.2f * 400);
}

TEST_F(ChartTest, VisibleRangeStartsAtTheFirstBarOnScreenAndReachesTwoPastTheEdge) {
    fillBars(1000, 1480000000, 1, zigzag);
    makeChart(900, 400);
    chart_->setBarWidthAndScale(CCPoint(6, 1));
    chart_->scrollTo(-840.5f);
    step(0.1f);
    const auto& visible = chart_->getVisibleBars();
    ASSERT_EQ(visible.size(), 110u);  // 100 ... trunc(900 / 8.4 + 100 + 2)
    EXPECT_EQ(visible.front()->index, 100);
    EXPECT_EQ(visible.back()->index, 209);
    const CCPoint* c = visible.front()->drawingCache;
    EXPECT_NEAR(c[DrawingKLine::CACHE_CLOSE].x, 100 * 8.4f - 840.5f, 1e-3);
    EXPECT_NEAR(c[DrawingKLine::CACHE_BODY].x, c[DrawingKLine::CACHE_CLOSE].x - 3, 1e-4);
    EXPECT_NEAR(c[DrawingKLine::CACHE_BODY + 1].x, c[DrawingKLine::CACHE_CLOSE].x + 3, 1e-4);
    EXPECT_FLOAT_EQ(c[DrawingKLine::CACHE_HIGH].x, c[DrawingKLine::CACHE_CLOSE].x);

    // Prices span the visible bars only; priceMin sits at 0.2 h and priceMax at 0.8 h once settled.
    float high = 0, low = 1e9f;
    for (KLineBar* bar : visible) {
        high = std::max(high, bar->high);
        low = std::min(low, bar->low);
    }
    step(0.5f);
    EXPECT_EQ(chart_->getPriceMax(), high);
    EXPECT_EQ(chart_->getPriceMin(), low);
    for (KLineBar* bar : visible) {
        if (bar->high == high) {
            EXPECT_NEAR(bar->drawingCache[DrawingKLine::CACHE_HIGH].y, 320, 1e-3);
        }
        if (bar->low == low) {
            EXPECT_NEAR(bar->drawingCache[DrawingKLine::CACHE_LOW].y, 80, 1e-3);
        }
    }

    // At the newest end the range stops at the last bar; an empty series draws the grid only.
    chart_->showNewestBars();
    step(0.1f);
    EXPECT_EQ(chart_->getVisibleBars().back()->index, 999);
    bars_.clear();
    chart_->clearSeries();
    auto empty = frame();
    EXPECT_TRUE(chart_->getVisibleBars().empty());
    EXPECT_TRUE(bodies(empty).empty());
    EXPECT_FALSE(empty.empty());
}

TEST(ChartAxis, TimeLabelTextsFollowTheTimeTypeAndTheDisplayZone) {
    // The computer's own zone plays no part.
    setenv("TZ", "America/Los_Angeles", 1);
    tzset();
    DisplayTimeZone& zone = DisplayTimeZone::shared();
    zone.resetForTest(0);            // Beijing, UTC+8
    const int64_t day = 1481760000;  // 2016-12-15 00:00 UTC
    EXPECT_EQ(ChartAxis::timeLabelText(day, 1440), "16-12-15");
    EXPECT_EQ(ChartAxis::timeLabelText(day + 17 * 3600, 60), "16-01:00");
    EXPECT_EQ(ChartAxis::timeLabelText(day + 17 * 3600 + 180, 1), "01:03:00");
    EXPECT_EQ(ChartAxis::timeLabelText(day + 17 * 3600 + 180, 2880), "01:03:00");
    EXPECT_EQ(ChartAxis::crosshairTimeText(day), "2016-12-15 08:00:00");
    // New York (UTC-5 in December): a daily bar keeps its UTC date, never the day before.
    ASSERT_TRUE(zone.choose(1, false));
    EXPECT_EQ(ChartAxis::timeLabelText(day + 17 * 3600 + 180, 1), "12:03:00");
    EXPECT_EQ(ChartAxis::timeLabelText(day, 1440), "16-12-15");
    EXPECT_EQ(ChartAxis::crosshairTimeText(day, 1440), "2016-12-15");
    EXPECT_EQ(ChartAxis::crosshairTimeText(day), "2016-12-14 19:00:00");
    zone.resetForTest(0);
    unsetenv("TZ");
    tzset();
    EXPECT_EQ(ChartAxis::stepRow(30), 0);
    EXPECT_EQ(ChartAxis::stepRow(25), 0);
    EXPECT_EQ(ChartAxis::stepRow(24.5f), 1);
    EXPECT_EQ(ChartAxis::stepRow(6), 6);
    EXPECT_EQ(ChartAxis::stepRow(1), 10);
    EXPECT_EQ(ChartAxis::stepRow(0.5f), 0);
    EXPECT_EQ(ChartAxis::alignmentPeriod(1, 16), 960);
    EXPECT_EQ(ChartAxis::alignmentPeriod(1440, 2), 11520);
}

TEST_F(ChartTest, TimeAxisLinesAndLabelsForDailyHourlyAndMinuteSeries) {
    // London in December shows UTC.
    DisplayTimeZone::shared().resetForTest(2);
    struct Case {
        int timeType;
        float barWidth;
        int64_t start;
        std::vector<std::string> firstLabels;
        int minorStep;
        int majorModulus;
    };
    const Case cases[] = {
        // 25 px bars: a line per bar, a label every second bar, aligned on 2 x 1440 x 4 s.
        {1440, 25, 1481760000, {"16-12-15", "16-12-17", "16-12-19"}, 1, 2},
        // 24.5 px: a labelled line every second bar, aligned on even hours.
        {60, 24.5f, 1481760000 + 16 * 3600, {"15-16:00", "15-18:00", "15-20:00"}, 2, 1},
        // 6 px: a line every 8 bars, a label every 16, aligned on 16 minutes (17:04 is 1024 minutes).
        {1, 6, 1481760000 + 17 * 3600 + 4 * 60, {"17:04:00", "17:20:00", "17:36:00"}, 8, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.timeType);
        fillBars(400, c.start, c.timeType, zigzag);
        if (!chart_) makeChart(900, 400);
        chart_->setTimeType(c.timeType);
        chart_->setBarWidthAndScale(CCPoint(c.barWidth, 1));
        // The first bar at the left edge.
        chart_->scrollTo(0);
        step(0.1f);
        const auto& grid = chart_->getVerticalGrid();
        ASSERT_GE(grid.size(), 4u);
        const float lineStep = c.minorStep * chart_->getBarSpacing();
        for (size_t i = 1; i < grid.size(); ++i) {
            EXPECT_NEAR(grid[i].position - grid[i - 1].position, lineStep, 1.0f);
            const bool major = (i % c.majorModulus) == 0;
            EXPECT_EQ(grid[i].time != 0, major) << i;
        }
        const auto& labels = chart_->getTimeAxisLabels();
        ASSERT_GE(labels.size(), c.firstLabels.size());
        for (size_t i = 0; i < c.firstLabels.size(); ++i) EXPECT_EQ(labels[i].text, c.firstLabels[i]);
        auto texts = (frame(), recorder_->texts());
        EXPECT_TRUE(contains(texts, c.firstLabels[0]));
        // Labels are centred on their lines; the first line is at the left edge, so its label moves
        // in by half its width.
        EXPECT_FLOAT_EQ(labels.front().x, textWidth(labels.front().text) / 2);
        EXPECT_EQ(labels[1].x, static_cast<float>(grid[c.majorModulus].position));
    }
    DisplayTimeZone::shared().resetForTest(0);
}

TEST_F(ChartTest, PriceLinesFollowTheZoomAndTheirLabelsUseG) {
    // Prices 100 ... 340 on a 400 px chart: the price at height y is y + 20.
    fillBars(60, 1480000000, 1, [](int i) {
        return BarPrices{200, i == 5 ? 340.0f : 210.0f, i == 9 ? 100.0f : 190.0f, 205};
    });
    makeChart(900, 400);
    chart_->setBarWidthAndScale(CCPoint(20, 1));  // spacing 28, lines every 2 x 35 px, major every 4
    chart_->scrollTo(0);
    step(0.5f);
    const auto& grid = chart_->getHorizontalGrid();
    const int expectedY[] = {0, 70, 140, 210, 280, 350};
    ASSERT_EQ(grid.size(), 6u);
    for (size_t i = 0; i < grid.size(); ++i) {
        EXPECT_EQ(grid[i].position, expectedY[i]);
        const bool major = i % 2 == 0;
        EXPECT_EQ(grid[i].colour.r, major ? ChartAxis::MAJOR_COLOUR.r : ChartAxis::MINOR_COLOUR.r);
    }
    frame();
    auto texts = recorder_->texts();
    for (const char* text : {"90", "160", "230", "300", "370"}) EXPECT_TRUE(contains(texts, text)) << text;
    EXPECT_FALSE(contains(texts, "20"));  // the lowest line's label is never shown

    chart_->setLastPrice(1.2345f, true);
    frame();
    EXPECT_TRUE(contains(recorder_->texts(), "1.2345"));
    chart_->setLastPrice(1234.5f, false);
    frame();
    EXPECT_TRUE(contains(recorder_->texts(), "1234.5"));
}

TEST_F(ChartTest, EveryLabelLiesWholeInsideTheView) {
    // 6 px bars from an aligned minute: a labelled line every 16 bars (134.4 px) from x = 0, so the
    // fifth one runs 2 px short of the right edge; the last price sits on the line's right end.
    fillBars(400, 1481760000 + 17 * 3600 + 4 * 60, 1, zigzag);
    makeChart(540, 400);
    chart_->setBarWidthAndScale(CCPoint(6, 1));
    chart_->scrollTo(0);
    chart_->setLastPrice(bars_[60]->close, true);
    step(0.5f);
    ASSERT_GE(chart_->getTimeAxisLabels().size(), 5u);
    ASSERT_NEAR(chart_->getVerticalGrid().back().position, 537, 1);
    frame();
    int checked = 0;
    for (CCNode* child : chart_->getChildren()) {
        auto* label = dynamic_cast<CCLabelTTF*>(child);
        if (!label || !label->isVisible() || std::string(label->getString()).empty()) continue;
        const CCRect box = label->boundingBox();
        EXPECT_GE(box.getMinX(), 0) << label->getString();
        EXPECT_LE(box.getMaxX(), 540) << label->getString();
        ++checked;
    }
    EXPECT_GE(checked, 10);  // time labels, price labels and the last price
}

TEST_F(ChartTest, ALiveChartKeepsItsNewestBarInPlaceUntilTheUserScrollsBack) {
    fillBars(300, 1480000000, 1, zigzag);
    makeChart(900, 400);
    chart_->setBarWidthAndScale(CCPoint(6, 1));
    chart_->showNewestBars();
    step(0.1f);
    // Dragged a little towards the older bars, the newest still in view: a new bar takes the place
    // of the one before.
    chart_->scrollTo(chart_->getScrollOffset() + 100);
    step(0.1f);
    const float newestX = centreOf(299);
    for (int minute = 1; minute <= 30; ++minute) {
        const KLineBar& newest = *bars_.back();
        fillBarsAppend(newest.time + 60, newest.close, newest.close + 1);
        step(0.1f);
        ASSERT_NEAR(centreOf(static_cast<int>(bars_.size()) - 1), newestX, 1e-2) << minute;
    }
    EXPECT_EQ(chart_->getVisibleBars().back(), bars_.back().get());

    // Scrolled back until the newest bar left the view: new bars leave the view alone.
    chart_->scrollTo(-1000);
    step(0.1f);
    fillBarsAppend(bars_.back()->time + 60, 100, 101);
    step(0.1f);
    EXPECT_FLOAT_EQ(chart_->getScrollOffset(), -1000);
}

TEST_F(ChartTest, ThePointerIsDrawnOnTheNewestCandleInTheCandlesColour) {
    fillBars(100, 1480000000, 1, zigzag);
    makeChart(900, 400);
    chart_->setBarWidthAndScale(CCPoint(20, 1));
    chart_->showNewestBars();
    step(0.3f);  // the pointer is mid-blink, still drawn
    for (bool riseGreen : {false, true}) {
        SCOPED_TRACE(riseGreen);
        // The newest bar rises; the series colours it by the convention, the window tells the view.
        KLineBar& newest = *bars_.back();
        newest.close = newest.open + 2;
        newest.high = newest.close + 1;
        newest.updateColor(bars_[98]->close, riseGreen);
        chart_->setRiseGreen(riseGreen);
        chart_->setLastPrice(newest.close, newest.close >= newest.open);
        chart_->markForRedraw();
        const auto& drawn = frame();
        int lastCandle = -1, pointer = -1, textBetween = -1;
        for (int i = 0; i < static_cast<int>(drawn.size()); ++i) {
            const CCRecordedPrimitive& p = drawn[i];
            if (p.type == CCPrimitiveType::SolidPolygon && sameColour(p.color, newest.color)) lastCandle = i;
            if (p.type == CCPrimitiveType::TexturedQuad && p.name.rfind("pointer_", 0) == 0 && pointer < 0)
                pointer = i;
            if (p.type == CCPrimitiveType::Text && lastCandle >= 0 && pointer < 0) textBetween = i;
        }
        ASSERT_GE(pointer, 0);
        EXPECT_GT(pointer, lastCandle);
        // Nothing of the font comes between: the pointer stays in the series' batch.
        EXPECT_EQ(textBetween, -1);
        const bool greenCandle = std::equal(newest.color, newest.color + 4, KLINE_GREEN);
        EXPECT_EQ(greenCandle, riseGreen);
        EXPECT_EQ(drawn[pointer].name, greenCandle ? "pointer_green.png" : "pointer_red.png");
    }
}

TEST_F(ChartTest, AResizeKeepsTheNewestBarAtEightyPercent) {
    fillBars(500, 1480000000, 1, zigzag);
    makeChart(900, 400);
    chart_->setBarWidthAndScale(CCPoint(6, 1));
    chart_->showNewestBars();
    step(0.1f);
    EXPECT_NEAR(centreOf(499) + chart_->getBarSpacing(), 720, 1e-2);

    chart_->setViewSize(600, 300);
    EXPECT_NEAR(chart_->getScrollOffset(), 0.8f * 600 - chart_->getContentWidth(), 1e-2);
    EXPECT_NEAR(centreOf(499) + chart_->getBarSpacing(), 480, 1e-2);

    // With the newest bar scrolled out of view, a resize leaves the position alone.
    chart_->scrollTo(-1000);
    chart_->setViewSize(800, 300);
    EXPECT_FLOAT_EQ(chart_->getScrollOffset(), -1000);
}

TEST_F(ChartTest, ScrollingIsClampedAtEightyPercentAndShowsTheLoadingSprite) {
    fillBars(500, 1480000000, 1, zigzag);
    makeChart(900, 400);
    chart_->setBarWidthAndScale(CCPoint(6, 1));
    chart_->showNewestBars();
    step(0.1f);
    CCSprite* loading = chart_->getLoadingSprite();
    EXPECT_FALSE(loading->isVisible());
    EXPECT_EQ(owner_.olderHistoryRequests, 0);

    // Drag right far past the oldest bar: it stops at 80 % of the width.
    press(450, 200);
    for (int i = 0; i < 60; ++i) moveTo(450 + 100 * (i + 1), 200);
    release(6450, 200);
    EXPECT_FLOAT_EQ(chart_->getScrollOffset(), 720);
    EXPECT_TRUE(loading->isVisible());
    EXPECT_FLOAT_EQ(loading->getPositionX(), 720);
    EXPECT_GT(owner_.olderHistoryRequests, 0);
    step(2 * FRAME);
    EXPECT_FALSE(chart_->isFlinging());  // the clamp stops the glide at its first step

    // And left past the newest bar: the newest bar stops at 80 %.
    EXPECT_TRUE(chart_->scrollTo(-1e6f));
    EXPECT_FLOAT_EQ(chart_->getScrollOffset(), 720 - chart_->getContentWidth());
    EXPECT_FALSE(loading->isVisible());

    // A pinned start never leaves the left edge.
    chart_->setPinnedStart(true);
    EXPECT_TRUE(chart_->scrollTo(50));
    EXPECT_FLOAT_EQ(chart_->getScrollOffset(), 0);
    EXPECT_FALSE(loading->isVisible());
    EXPECT_FALSE(chart_->scrollTo(std::nanf("")));
    EXPECT_FLOAT_EQ(chart_->getScrollOffset(), 0);
}

TEST_F(ChartTest, DrawingToolsFollowTheViewAndNeedBarsToBePlaced) {
    fillBars(200, 1480000000, 1, zigzag);
    makeChart(900, 400);
    FakeTool* made = nullptr;
    chart_->setToolFactory([&made](int id) -> std::unique_ptr<DrawingBase> {
        if (id != 7) return nullptr;
        auto tool = std::make_unique<FakeTool>();
        made = tool.get();
        return tool;
    });
    chart_->startTool(9);
    EXPECT_EQ(chart_->getCreatingTool(), nullptr);
    chart_->startTool(7);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(chart_->getCreatingTool(), made);
    chart_->showNewestBars();
    step(0.5f);

    // Two clicks place it; the second completes and selects it.
    const float x = centreOf(150);
    press(x, 200);
    release(x, 200);
    press(x + 5 * chart_->getBarSpacing(), 250);
    release(x + 5 * chart_->getBarSpacing(), 250);
    EXPECT_EQ(chart_->getCreatingTool(), nullptr);
    EXPECT_EQ(chart_->getSelectedDrawing(), made);
    EXPECT_EQ(owner_.toolsPlaced, 1);
    ASSERT_EQ(made->getPoints().size(), 2u);
    EXPECT_EQ(made->getPoints()[0].bar->index, 150);

    // A zoom re-projects the points from their anchors.
    const int before = made->xUpdates;
    chart_->setBarWidthAndScale(CCPoint(12, 1));
    step(0.1f);
    EXPECT_GT(made->xUpdates, before);
    EXPECT_GT(made->yUpdates, 0);
    EXPECT_NEAR(made->getPoints()[0].x, centreOf(150), 1e-3);

    // On an empty series a new tool has nothing to anchor to.
    bars_.clear();
    chart_->clearSeries();
    EXPECT_TRUE(chart_->getDrawings().empty());
    chart_->startTool(7);
    chart_->placePoint(CCPoint(100, 100), true);
    EXPECT_EQ(made->getPlacedPoints(), 0);
    EXPECT_TRUE(made->getPoints().empty());
}

TEST_F(ChartTest, TheDecorativeChartShowsOnlyTheSeriesAndFollowsItsNewestBar) {
    // As the connecting screen sets it up: raised touch priority, no window, a series of 300 bars.
    DrawingView::setDefaultTouchPriority(-2100);
    fillBars(300, 1480000000, 1, zigzag);
    chart_ = DrawingKLine::createChart(nullptr, &bars_, &panes_);
    DrawingView::setDefaultTouchPriority(0);
    EXPECT_EQ(chart_->getTouchPriority(), -2100);
    scene_->addChild(chart_);
    chart_->setDisplayOnly(true);
    chart_->setViewSize(900, 600);
    chart_->setShown(true);
    chart_->showNewestBars();
    step(0.5f);
    EXPECT_FALSE(chart_->isTouchEnabled());
    EXPECT_FALSE(chart_->getLastPricePointer()->isVisible());
    auto drawn = frame();
    EXPECT_TRUE(recorder_->texts().empty());
    EXPECT_EQ(bodies(drawn).size(), chart_->getVisibleBars().size());
    for (const auto& p : drawn)
        EXPECT_FALSE(p.type == CCPrimitiveType::Lines && p.color.r == ChartAxis::MAJOR_COLOUR.r)
            << "grid line";

    // The one-second tick: the newest bar is reshaped six times, then a new one opens and the chart
    // scrolls by one bar so that the newest stays where it was.
    const float newestX = centreOf(299);
    for (int second = 1; second <= 14; ++second) {
        KLineBar* newest = bars_.back().get();
        const bool opens = second % 7 == 0;
        if (opens) {
            fillBarsAppend(newest->time + 60, newest->close, newest->close + 2);
        } else {
            newest->close += 0.5f;
            newest->high = std::max(newest->high, newest->close);
        }
        chart_->relayout();
        chart_->setLastBarRising(newest->close >= newest->open);
        step(1.0f);
        EXPECT_NEAR(centreOf(static_cast<int>(bars_.size()) - 1), newestX, 1e-2) << second;
    }
    EXPECT_EQ(bars_.size(), 302u);
    EXPECT_EQ(chart_->getVisibleBars().back(), bars_.back().get());
}

TEST_F(ChartTest, DegenerateSizesAndInputsNeverGiveNanGeometry) {
    fillBars(50, 1480000000, 1, zigzag);
    makeChart(0, 0);
    chart_->showNewestBars();
    step(0.5f);
    auto finite = [](const CCPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); };
    for (KLineBar* bar : chart_->getVisibleBars())
        for (int i = 0; i < 7; ++i) EXPECT_TRUE(finite(bar->drawingCache[i]));
    EXPECT_TRUE(std::isfinite(chart_->getPriceScale()));

    // A pinch whose fingers start on one spot, a NaN width, a zero-height pane's read-out.
    chart_->setViewSize(900, 400);
    chart_->setBarWidthAndScale(CCPoint(std::nanf(""), std::nanf("")));
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 1);
    step(0.5f);
    for (KLineBar* bar : chart_->getVisibleBars())
        for (int i = 0; i < 7; ++i) EXPECT_TRUE(finite(bar->drawingCache[i]));
    chart_->zoomTo(std::nanf(""));
    step(0.5f);
    EXPECT_TRUE(std::isfinite(chart_->getScrollOffset()));

    CCTouch* fingers[2] = {new CCTouch(), new CCTouch()};
    CCSet* both = CCSet::create();
    for (int i = 0; i < 2; ++i) {
        fingers[i]->setTouchInfo(i, CCPoint(300, 200), 600);
        both->addObject(fingers[i]);
        fingers[i]->release();
    }
    const float width = chart_->getBarWidth();
    chart_->ccTouchesBegan(both, nullptr);
    chart_->ccTouchesMoved(both, nullptr);
    chart_->ccTouchesMoved(both, nullptr);
    chart_->ccTouchesEnded(both, nullptr);
    EXPECT_EQ(chart_->getBarWidth(), width);

    IndicatorMACD* flat = IndicatorMACD::createPane(chart_, 900, 0);
    ASSERT_NE(flat, nullptr);
    flat->setCrossValue(5);
    EXPECT_STREQ(flat->getCrossValueLabel()->getString(), "0.00000");
}
