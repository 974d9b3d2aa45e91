// Price alerts as a user places them: the bell in a chart window's toolbar, then a click just above
// and one just below the last-price line of a one-minute gold chart, against the local feed in burst
// mode. The quotes soon reach one of the two levels: it fires once (log line, toast) and its line turns
// violet; alerts.json keeps both, and after a restart the fired one comes back fired.
#include <gtest/gtest.h>

#include <string>

#include "ChartWindowsFixture.h"

namespace {
using namespace chart_e2e;

constexpr int MINUTE_INDEX = 0;
const char* const ALERT_FIRED = "price alert fired: XAUUSD";
const char* const ALERT_PLACED = "price alert placed: XAUUSD";

// The last-price line crosses the whole chart in a pale blue-white; alert lines are dashed, so at most
// 60 % of a row; fired ones violet.
bool lastPriceLine(Rgb p) {
    return p.r >= 120 && p.g >= 120 && p.b >= 140 && p.b >= p.r;
}
bool firedViolet(Rgb p) {
    return p.b >= 110 && p.r >= p.g + 15 && p.b >= p.g + 30;
}

// The image row of the longest run of pixels meeting test in the chart of window, if any covers half
// of its width.
std::optional<int> fullestRow(const Screenshot& shot, const Rect& window,
                              const std::function<bool(Rgb)>& test) {
    const PixelRect chart = chartPixels(window);
    int bestRow = -1, best = 0;
    for (int y = chart.top; y < chart.bottom; ++y) {
        const int count = shot.count({chart.left, y, chart.right, y + 1}, test);
        if (count > best) best = count, bestRow = y;
    }
    if (best * 2 < chart.right - chart.left) return std::nullopt;
    return bestRow;
}

int violetPixels(const Screenshot& shot, const Rect& window) {
    return shot.count(chartPixels(window), firedViolet);
}

class PriceAlertsEndToEnd : public ChartWindowsFixture {
protected:
    PriceAlertsEndToEnd() : ChartWindowsFixture("zento-alerts-e2e") {}
};

TEST_F(PriceAlertsEndToEnd, AlertsAroundTheLastPriceFireOnceAndComeBackFiredAfterARestart) {
    ASSERT_TRUE(feed_->stop(Seconds(30))) << feed_->output();
    feed_->setExtraArguments({"--burst", "400"});
    ASSERT_TRUE(feed_->start(WAIT)) << feed_->error();
    writeStartSettings({"XAUUSD"}, 0, MINUTE_INDEX);
    const Rect window = chartArea();
    TerminalRun* run = startTerminal({window});
    ASSERT_TRUE(run);

    std::optional<Screenshot> shot = this->shot(*run);
    ASSERT_TRUE(shot);
    const std::optional<int> row = fullestRow(*shot, window, lastPriceLine);
    ASSERT_TRUE(row) << "no last-price line in " << shot->path();
    // Engine y of the line; the levels go 2 units either side of it, away from the tags at the left.
    const float lineY = SCENE_HEIGHT - static_cast<float>(*row);
    const float x = window.x + window.width / 2;
    const Point bell = centre(toolbarButton(window, TOOL_PRICE_ALERT));
    ASSERT_TRUE(click(bell));
    ASSERT_TRUE(click({x, lineY + 2}));
    ASSERT_TRUE(click(bell));
    ASSERT_TRUE(click({x, lineY - 2}));
    ASSERT_TRUE(waitForLog(*run, ALERT_PLACED, 2)) << lastLines(run->log(), 20);

    // The feed's price reaches each minute's high and low, so one side is soon reached and fires;
    // three minutes leave room for a quiet one.
    ASSERT_TRUE(run->waitForLog(ALERT_FIRED, 1, Seconds(180))) << lastLines(run->log(), 20);
    shot = run->screenshotWhen([&](const Screenshot& s) { return violetPixels(s, window) >= 100; }, WAIT);
    ASSERT_TRUE(shot) << run->error();
    const std::string saved = readText(home() + "/alerts.json");
    EXPECT_NE(saved.find("\"fired\":true"), std::string::npos) << saved;
    closeTerminal(*run);
    EXPECT_LE(linesWith(run->log(), ALERT_FIRED).size(), 2u) << "each fires once at most";

    // After a restart the fired level is drawn fired again, from the file.
    TerminalRun* again = startTerminal({window});
    ASSERT_TRUE(again);
    shot = again->screenshotWhen([&](const Screenshot& s) { return violetPixels(s, window) >= 100; }, WAIT);
    EXPECT_TRUE(shot) << again->error();
    closeTerminal(*again);
}

}  // namespace
