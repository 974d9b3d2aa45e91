// The frame bars driven as a user drives them: xdotool clicks the bottom bar's sound, full-screen and
// time-zone buttons and the left column's quote-list button of the real terminal against the local
// feed. Each step is checked by the log, the saved settings and screenshots; a restart keeps the zone
// and the page and starts muted.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ChartWindowsFixture.h"

namespace {
using namespace chart_e2e;

// The bottom bar (30 high): the zone button centred 150 from the right edge, 230 wide; the settings,
// sound and full-screen buttons 30 apart left of it.
constexpr float BOTTOM_MIDDLE = 15, ZONE_RIGHT_INSET = 150, ZONE_WIDTH = 230, SMALL_STEP = 30;
constexpr float BAR_HEIGHT = 30;
// The zone chooser: 290 x 225 above the zone button, seven rows between 6-unit margins.
constexpr float ZONE_PANEL_HEIGHT = 225, ZONE_ROW_MARGIN = 6;
constexpr int NEW_YORK = 1;
// The left column's quote-list button, second from the top.
constexpr float COLUMN_MIDDLE = 25, COLUMN_BUTTON = 50;
// The quote page fills the pane right of the column.
constexpr float PANE_X = 50, PANE_WIDTH = 280;

float zoneCentreX(float width) {
    return width - ZONE_RIGHT_INSET;
}
// Tag 4 is nearest the zone button, then sound (3) and full screen (2).
float smallButtonX(float width, int fromZone) {
    return zoneCentreX(width) - ZONE_WIDTH / 2 - SMALL_STEP * static_cast<float>(fromZone);
}

class FrameBarsEndToEnd : public ChartWindowsFixture {
protected:
    FrameBarsEndToEnd() : ChartWindowsFixture("zento-bars-e2e") {}

    std::unique_ptr<UserData> savedSettings() {
        auto settings = std::make_unique<UserData>();
        const std::string bytes = readText(home() + "/" + SETTINGS_FILE);
        settings->loadSettingsFromBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        return settings;
    }
    // Pixels of the quote page's price column that differ between two screenshots.
    static int changedPricePixels(const Screenshot& a, const Screenshot& b) {
        int changed = 0;
        const int top = static_cast<int>(STRIP_HEIGHT) + 30,
                  bottom = static_cast<int>(SCENE_HEIGHT - BAR_HEIGHT);
        for (int y = top; y < bottom; ++y)
            for (int x = static_cast<int>(PANE_X + 150); x < static_cast<int>(PANE_X + PANE_WIDTH - 30); ++x)
                if (!near(a.at(x, y), b.at(x, y), 8)) ++changed;
        return changed;
    }
};

TEST_F(FrameBarsEndToEnd, SoundFullScreenQuotePageAndZoneActAndARestartKeepsThem) {
    writeStartSettings({"XAUUSD"}, 0);
    TerminalRun* run = startTerminal({chartArea()});
    ASSERT_TRUE(run);

    // Sound starts muted; its button turns it on.
    ASSERT_TRUE(click({smallButtonX(SCENE_WIDTH, 2), BOTTOM_MIDDLE}));
    ASSERT_TRUE(waitForLog(*run, "bottom panel callback:3", 1));
    EXPECT_NE(run->output().find("set sound enabled: 1"), std::string::npos) << lastLines(run->output(), 20);

    // The quote page: its prices change between two screenshots.
    ASSERT_TRUE(click({COLUMN_MIDDLE, SCENE_HEIGHT - STRIP_HEIGHT - 1.5f * COLUMN_BUTTON}));
    ASSERT_TRUE(waitUntil(
        [&] {
            return lastLineWith(run->log(), "setAdvSubscription:").find("\"EURUSD\"") != std::string::npos;
        },
        WAIT, Seconds(0.2)))
        << lastLines(run->log(), 20);
    EXPECT_TRUE(savedSettings()->getPanelSwitchB());
    std::optional<Screenshot> first = shot(*run);
    ASSERT_TRUE(first);
    std::optional<Screenshot> later =
        shotWhen(*run, [&](const Screenshot& s) { return changedPricePixels(*first, s) > 20; });
    ASSERT_TRUE(later) << run->error();
    EXPECT_GT(changedPricePixels(*first, *later), 20) << first->path() << " " << later->path();

    // New York from the zone chooser above the zone button: saved at once.
    ASSERT_TRUE(open({zoneCentreX(SCENE_WIDTH), BOTTOM_MIDDLE}));
    const float rowHeight = (ZONE_PANEL_HEIGHT - 2 * ZONE_ROW_MARGIN) / 7;
    ASSERT_TRUE(click({zoneCentreX(SCENE_WIDTH),
                       BAR_HEIGHT + ZONE_PANEL_HEIGHT - ZONE_ROW_MARGIN - rowHeight * (NEW_YORK + 0.5f)}));
    ASSERT_TRUE(
        waitUntil([&] { return savedSettings()->getTimeZone() == NEW_YORK; }, Seconds(20), Seconds(0.2)));

    // Full screen. Without a window manager (Xvfb) the X window keeps its size while the program is told
    // the screen's: frames go on whole, no rectangle is copied past the window's buffer.
    ASSERT_TRUE(click({smallButtonX(SCENE_WIDTH, 3), BOTTOM_MIDDLE}));
    ASSERT_TRUE(waitForLog(*run, "bottom panel callback:2", 1));
    std::optional<Screenshot> full =
        run->screenshotWhen([](const Screenshot& s) { return s.width() > SCENE_WIDTH; }, WAIT);
    ASSERT_TRUE(full) << run->error();
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(frame());
    EXPECT_TRUE(run->running());

    // A restart keeps the zone and the page and starts muted.
    closeTerminal(*run);
    TerminalRun* again = startTerminal({});
    ASSERT_TRUE(again);
    EXPECT_TRUE(waitForLog(*again, "setAdvSubscription:", 1));
    const std::unique_ptr<UserData> restarted = savedSettings();
    EXPECT_EQ(restarted->getTimeZone(), NEW_YORK);
    EXPECT_TRUE(restarted->getPanelSwitchB());
    EXPECT_NE(again->output().find("set sound enabled: 0"), std::string::npos);
    EXPECT_NE(lastLineWith(again->log(), "setAdvSubscription:").find("\"EURUSD\""), std::string::npos)
        << lastLines(again->log(), 20);
    closeTerminal(*again);
}

}  // namespace
