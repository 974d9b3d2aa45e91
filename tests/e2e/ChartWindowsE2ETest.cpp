// The chart windows driven as a user drives them: xdotool moves the pointer over the real terminal on
// its own X display and clicks the strip, the window titles, the toolbars and the choosers. Each step
// is checked by what the program logs and saves, and the end state by the saved settings and a restart.
// Click points are computed from the layout the run starts from (a saved config.bin) the way the main
// scene places its windows: engine coordinates have y up from the window bottom, screen ones y down.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChartWindowsFixture.h"

namespace {
using namespace chart_e2e;

class ChartWindowsEndToEnd : public ChartWindowsFixture {
protected:
    ChartWindowsEndToEnd() : ChartWindowsFixture("zento-windows-e2e") {}
};

// The strip: a window added through "+", one maximised and restored by its button, the maximised place
// handed on by a digit key, a button dragged to another place; the close and a restart keep the result.
TEST_F(ChartWindowsEndToEnd, StripAddsMaximisesAndReordersWindowsAndARestartKeepsThem) {
    writeStartSettings({"UKOIL", "XAUUSD"}, 1);
    TerminalRun* run = startTerminal(SIDE_BY_SIDE);
    ASSERT_TRUE(run);
    size_t seen = subscriptionsSoFar(*run);
    std::optional<Screenshot> before = shot(*run);
    ASSERT_TRUE(before);
    const auto addButtonAt = [](const Screenshot& s, int buttons) {
        const Point at = addButtonCentre(buttons);
        return s.count(pixels({at.x - 15, at.y - 15, 30, 30}, 0), addButtonColour);
    };
    ASSERT_GT(addButtonAt(*before, 2), 20) << before->path();
    EXPECT_EQ(addButtonAt(*before, 3), 0) << before->path();

    // 1. "+" and the second row of the list ("all" instruments, by code: AUDJPY, AUDNZD, ...).
    ASSERT_TRUE(open(addButtonCentre(2)));
    ASSERT_TRUE(click(instrumentRow(addChooserTopLeft(2), 1)));
    ASSERT_TRUE(waitForLog(*run, "AddStockPanel list AUDNZD calback!", 1));
    const std::vector<Subscribed> added = nextSubscription(*run, seen);
    ASSERT_EQ(added.size(), 3u) << describe(added);
    EXPECT_EQ(added[0], (Subscribed{"UKOIL", START_MINUTES}));
    EXPECT_EQ(added[1], (Subscribed{"XAUUSD", START_MINUTES}));
    EXPECT_EQ(added[2].code, "AUDNZD");
    // Three windows take the first layout with three cells, one window over two.
    Saved state = savedWhen([](const Saved& s) { return s.windows.size() == 3; });
    EXPECT_EQ(state.codes(), (std::vector<std::string>{"UKOIL", "XAUUSD", "AUDNZD"}));
    EXPECT_EQ(state.layoutType, 3);
    ASSERT_EQ(state.windows.size(), 3u);
    const int addedIndex = state.windows[2].timeTypeIndex;
    ASSERT_TRUE(addedIndex >= 0 && addedIndex < TIME_TYPE_COUNT) << addedIndex;
    EXPECT_EQ(added[2].timeType, MINUTES[addedIndex]);
    // The strip has one more button: "+" moved on by a slot.
    // Every check below is part of the wait: a busy machine may still be gliding the windows.
    std::optional<Screenshot> three = shotWhen(*run, [&](const Screenshot& s) {
        for (const Rect& window : ONE_OVER_TWO)
            if (candlePixels(s, window) < MIN_CANDLE_PIXELS) return false;
        return addButtonAt(s, 3) > 20 && blackGapPixels(s) > 500;
    });
    ASSERT_TRUE(three);
    EXPECT_GT(addButtonAt(*three, 3), 20) << three->path();
    for (const Rect& window : ONE_OVER_TWO)
        EXPECT_GE(candlePixels(*three, window), MIN_CANDLE_PIXELS) << three->path();
    EXPECT_GT(blackGapPixels(*three), 500) << three->path();

    // 4. The top window's maximise button: it fills the chart area, the two others are hidden.
    ASSERT_TRUE(click(maximiseButton(ONE_OVER_TWO[0])));
    ASSERT_TRUE(waitForLog(*run, "hide:2", 1));
    state = savedWhen([](const Saved& s) { return s.maximised; });
    EXPECT_TRUE(state.maximised);
    EXPECT_EQ(state.maximisedCode, "UKOIL");
    const Rect area = chartArea();
    const PixelRect chart = chartPixels(area);
    // One chart over the whole height: it scales its prices to the area, so once the glide and the
    // price animation have settled its bars reach from near the top to near the bottom, whatever the
    // market does.
    std::optional<Screenshot> maximised = shotWhen(*run, [&](const Screenshot& s) {
        return blackGapPixels(s) == 0 && s.rowSpan(chart, candleColour) * 2 > chart.bottom - chart.top;
    });
    ASSERT_TRUE(maximised);
    EXPECT_EQ(blackGapPixels(*maximised), 0) << maximised->path();
    EXPECT_GE(candlePixels(*maximised, area), MIN_CANDLE_PIXELS) << maximised->path();
    EXPECT_GT(maximised->rowSpan(chart, candleColour) * 2, chart.bottom - chart.top) << maximised->path();

    // Key "2" gives the maximised place to the window of the second strip button.
    ASSERT_TRUE(pointer_->pressKey("2")) << pointer_->error();
    ASSERT_TRUE(waitForLog(*run, "hide:", 2));
    // Its maximise button, now at the area's corner, restores the layout.
    ASSERT_TRUE(click(maximiseButton(area)));
    state = savedWhen([](const Saved& s) { return !s.maximised; });
    EXPECT_FALSE(state.maximised);
    std::optional<Screenshot> restored = shotWhen(*run, [&](const Screenshot& s) {
        for (const Rect& window : ONE_OVER_TWO)
            if (candlePixels(s, window) < MIN_CANDLE_PIXELS) return false;
        return blackGapPixels(s) > 500;
    });
    ASSERT_TRUE(restored);
    EXPECT_GT(blackGapPixels(*restored), 500) << restored->path();
    for (const Rect& window : ONE_OVER_TWO)
        EXPECT_GE(candlePixels(*restored, window), MIN_CANDLE_PIXELS) << restored->path();

    // 5. The first strip button dragged past the second: the windows follow the strip.
    const Point first = stripButtonPoint(0);
    ASSERT_TRUE(pointer_->drag(pixel(first), pixel({first.x + SLOT_WIDTH + 50, first.y})))
        << pointer_->error();
    ASSERT_TRUE(waitForLog(*run, "change :1", 1));
    state = savedWhen([](const Saved& s) { return !s.windows.empty() && s.windows[0].code == "XAUUSD"; });
    EXPECT_EQ(state.codes(), (std::vector<std::string>{"XAUUSD", "UKOIL", "AUDNZD"}));

    // 6. Closed and started again: the same windows in the dragged order.
    closeTerminal(*run);
    state = saved();
    EXPECT_EQ(state.codes(), (std::vector<std::string>{"XAUUSD", "UKOIL", "AUDNZD"}));
    EXPECT_EQ(state.layoutType, 3);
    EXPECT_FALSE(state.maximised);
    ASSERT_EQ(state.windows.size(), 3u);
    EXPECT_EQ(state.windows[0].timeTypeIndex, START_TIME_TYPE_INDEX);
    EXPECT_EQ(state.windows[1].timeTypeIndex, START_TIME_TYPE_INDEX);
    EXPECT_EQ(state.windows[2].timeTypeIndex, addedIndex);

    TerminalRun* again = startTerminal(ONE_OVER_TWO);
    ASSERT_TRUE(again);
    size_t none = 0;
    const std::vector<Subscribed> restarted = nextSubscription(*again, none);
    EXPECT_EQ(restarted,
              (std::vector<Subscribed>{
                  {"XAUUSD", START_MINUTES}, {"UKOIL", START_MINUTES}, {"AUDNZD", MINUTES[addedIndex]}}))
        << describe(restarted);
    closeTerminal(*again);
}

// One window's title and toolbar: another instrument and time type through the title buttons, the line
// chart and indicator panes through the toolbar, an instrument picked in a chooser that covers another
// window's buttons; the close saves all of it and a restart subscribes the same.
TEST_F(ChartWindowsEndToEnd, TitleAndToolbarSwitchInstrumentTimeTypeChartTypeAndPanes) {
    writeStartSettings({"UKOIL", "XAUUSD", "AUDNZD"}, 3);
    TerminalRun* run = startTerminal(ONE_OVER_TWO);
    ASSERT_TRUE(run);
    size_t seen = subscriptionsSoFar(*run);
    const Rect top = ONE_OVER_TWO[0];

    // 2. The instrument button of the top window and the third row of its chooser.
    ASSERT_TRUE(open(instrumentButton(top)));
    ASSERT_TRUE(waitForLog(*run, "call change stock", 1));
    ASSERT_TRUE(click(instrumentRow(
        placedTopLeft({top.x + TITLE_LEFT, titleBottom(top)}, ADD_PANEL_WIDTH, ADD_PANEL_HEIGHT), 2)));
    ASSERT_TRUE(waitForLog(*run, "AddStockPanel list AUDUSD calback!", 1));
    std::vector<Subscribed> list = nextSubscription(*run, seen);
    EXPECT_EQ(list, (std::vector<Subscribed>{
                        {"AUDUSD", START_MINUTES}, {"XAUUSD", START_MINUTES}, {"AUDNZD", START_MINUTES}}))
        << describe(list);

    // The time-type button right after the (now white) instrument name, and the hour in its chooser.
    const Point firstTool = centre(toolbarButton(top, 1));
    std::optional<float> labelRight;
    std::optional<Screenshot> titled = shotWhen(*run, [&](const Screenshot& s) {
        labelRight = timeLabelRight(s, top, firstTool.x - TOOL_SIZE);
        return labelRight.has_value();
    });
    ASSERT_TRUE(titled);
    ASSERT_TRUE(labelRight) << "no white time-type label in the title of " << titled->path();
    ASSERT_TRUE(open({*labelRight - 6, top.top() - TITLE_TOP_GAP - TITLE_HEIGHT / 2}));
    // The chooser's left edge is 15 units left of the label; its rows span it but for 15-unit margins.
    const float rowHeight = (TIME_PANEL_HEIGHT - TIME_TITLE_HEIGHT) / TIME_TYPE_COUNT;
    ASSERT_TRUE(
        click({*labelRight + 15, titleBottom(top) - TIME_TITLE_HEIGHT - rowHeight * (HOUR_INDEX + 0.5f)}));
    list = nextSubscription(*run, seen);
    EXPECT_EQ(list, (std::vector<Subscribed>{
                        {"AUDUSD", HOUR_MINUTES}, {"XAUUSD", START_MINUTES}, {"AUDNZD", START_MINUTES}}))
        << describe(list);

    // Toolbar tag 1 and the line chart: no bars left in the top window, the others keep theirs.
    const Rect chartTypeTool = toolbarButton(top, TOOL_CHART_TYPE);
    ASSERT_TRUE(open(centre(chartTypeTool)));
    ASSERT_TRUE(waitForLog(*run, "toolbar callback:1", 1));
    ASSERT_TRUE(click(chartTypeButton(chartTypeTool, LINE_CHART)));
    ASSERT_TRUE(waitForLog(*run, "change chart type:0 -> 1", 1));
    std::optional<Screenshot> line = shotWhen(*run, [&](const Screenshot& s) {
        return candlePixels(s, top) < 20 && candlePixels(s, ONE_OVER_TWO[1]) >= MIN_CANDLE_PIXELS &&
               candlePixels(s, ONE_OVER_TWO[2]) >= MIN_CANDLE_PIXELS;
    });
    ASSERT_TRUE(line);
    EXPECT_LT(candlePixels(*line, top), 20) << line->path();
    EXPECT_GE(candlePixels(*line, ONE_OVER_TWO[1]), MIN_CANDLE_PIXELS) << line->path();
    EXPECT_GE(candlePixels(*line, ONE_OVER_TWO[2]), MIN_CANDLE_PIXELS) << line->path();

    // 3. Toolbar tag 3 twice for two panes, a third time to take the first away again.
    const Rect indicatorTool = toolbarButton(top, TOOL_INDICATORS);
    const auto panesOfTop = [](const Saved& s) {
        std::vector<int> types;
        if (!s.windows.empty())
            for (const IndicatorPane& pane : s.windows[0].panes) types.push_back(pane.type);
        return types;
    };
    int indicatorClicks = 0;
    for (const auto& [type, expected] :
         std::vector<std::pair<int, std::vector<int>>>{{MACD, {MACD}}, {KDJ, {MACD, KDJ}}, {MACD, {KDJ}}}) {
        ASSERT_TRUE(open(centre(indicatorTool)));
        ASSERT_TRUE(waitForLog(*run, "toolbar callback:3", ++indicatorClicks));
        ASSERT_TRUE(click(indicatorRow(indicatorTool, type)));
        const Saved state = savedWhen([&](const Saved& s) { return panesOfTop(s) == expected; });
        EXPECT_EQ(panesOfTop(state), expected) << "after the row of indicator " << type;
    }

    // A chooser row over another window's close button picks the row and leaves that window alone.
    const Rect lowerLeft = ONE_OVER_TWO[1], lowerRight = ONE_OVER_TWO[2];
    const Point chooser =
        placedTopLeft({lowerLeft.x + TITLE_LEFT, titleBottom(lowerLeft)}, ADD_PANEL_WIDTH, ADD_PANEL_HEIGHT);
    const Point covered = closeButton(lowerRight);
    const int row = static_cast<int>((chooser.y - ADD_SEARCH_HEIGHT - covered.y) / ADD_ROW_HEIGHT);
    Point pick = instrumentRow(chooser, row);
    ASSERT_GT(covered.x, chooser.x + ADD_PANEL_WIDTH - ADD_LIST_WIDTH);
    ASSERT_LT(std::abs(pick.y - covered.y), CLOSE_SIZE / 2);
    pick.x = covered.x;
    ASSERT_TRUE(open(instrumentButton(lowerLeft)));
    ASSERT_TRUE(waitForLog(*run, "call change stock", 2));
    ASSERT_TRUE(click(pick));
    ASSERT_TRUE(waitForLog(*run, "AddStockPanel list AUDUSD calback!", 2));
    list = nextSubscription(*run, seen);
    EXPECT_EQ(list, (std::vector<Subscribed>{
                        {"AUDUSD", HOUR_MINUTES}, {"AUDUSD", START_MINUTES}, {"AUDNZD", START_MINUTES}}))
        << describe(list);

    // 6. Closed: every change is in the saved settings; started again: the same subscription.
    closeTerminal(*run);
    const Saved state = saved();
    EXPECT_EQ(state.codes(), (std::vector<std::string>{"AUDUSD", "AUDUSD", "AUDNZD"}));
    EXPECT_EQ(state.layoutType, 3);
    ASSERT_EQ(state.windows.size(), 3u);
    EXPECT_EQ(state.windows[0].chartType, LINE_CHART);
    EXPECT_EQ(state.windows[0].timeTypeIndex, HOUR_INDEX);
    EXPECT_EQ(panesOfTop(state), std::vector<int>{KDJ});
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(state.windows[i].chartType, 0) << i;
        EXPECT_EQ(state.windows[i].timeTypeIndex, START_TIME_TYPE_INDEX) << i;
        EXPECT_TRUE(state.windows[i].panes.empty()) << i;
    }

    // The line chart comes back without bars; the others with theirs.
    TerminalRun* again = startTerminal({ONE_OVER_TWO[1], ONE_OVER_TWO[2]});
    ASSERT_TRUE(again);
    size_t none = 0;
    const std::vector<Subscribed> restarted = nextSubscription(*again, none);
    EXPECT_EQ(restarted, (std::vector<Subscribed>{
                             {"AUDUSD", HOUR_MINUTES}, {"AUDUSD", START_MINUTES}, {"AUDNZD", START_MINUTES}}))
        << describe(restarted);
    std::optional<Screenshot> back = shot(*again);
    ASSERT_TRUE(back);
    // The pane's lines share the bar colours: only the price chart above it counts.
    const Rect price{top.x, top.y + top.height * 0.35f, top.width, top.height * 0.65f};
    EXPECT_LT(candlePixels(*back, price), 20) << back->path();
    closeTerminal(*again);
}

}  // namespace
