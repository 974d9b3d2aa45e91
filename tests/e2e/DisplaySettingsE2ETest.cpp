// The settings panel driven as a user drives it: xdotool opens it from the bottom bar of the real
// terminal against the local feed, toggles each display switch and picks English. Each step is checked
// in the saved settings and in the chart window's pixels beside the panel; a restart keeps them all.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "ChartWindowsFixture.h"

namespace {
using namespace chart_e2e;

// The bottom bar: the settings button is the small one nearest the zone button.
constexpr float BOTTOM_MIDDLE = 15, ZONE_RIGHT_INSET = 150, ZONE_WIDTH = 230, SMALL_STEP = 30;
// The settings panel, centred in the scene: 440 x 475, its controls 190 in from its left edge.
constexpr float PANEL_WIDTH = 440, PANEL_HEIGHT = 475;
constexpr float PANEL_LEFT = SCENE_WIDTH / 2 - PANEL_WIDTH / 2,
                PANEL_TOP = SCENE_HEIGHT / 2 + PANEL_HEIGHT / 2;
constexpr float CONTROL_X = PANEL_LEFT + 190, FIELD_WIDTH = PANEL_WIDTH - 190 - 20, FIELD_HEIGHT = 32;
constexpr float LANGUAGE_ROW_Y = PANEL_TOP - 75 - 45, FIRST_SWITCH_Y = PANEL_TOP - 75 - 90 - 5,
                SWITCH_STEP = 36;
constexpr float CHECK_X = CONTROL_X + 12;
// The language chooser hangs under the language field: two 40-unit rows inside 5-unit margins.
constexpr float LANGUAGE_ROW = 40, LANGUAGE_MARGIN = 5;
constexpr int ENGLISH = 0;

struct Switch {
    int tag;
    const char* name;
    std::function<bool(const UserData&)> saved;
    bool visibleWhenParked;
};

class DisplaySettingsEndToEnd : public ChartWindowsFixture {
protected:
    DisplaySettingsEndToEnd() : ChartWindowsFixture("zento-settings-e2e") {}

    std::unique_ptr<UserData> savedSettings() {
        auto settings = std::make_unique<UserData>();
        const std::string bytes = readText(home() + "/" + SETTINGS_FILE);
        settings->loadSettingsFromBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        return settings;
    }
    // Chart pixels left of the panel that differ between two screenshots.
    static int changedBesidePanel(const Screenshot& a, const Screenshot& b) {
        const Rect area = chartArea();
        const PixelRect beside = pixels({area.x, area.y, PANEL_LEFT - area.x - 2, area.height}, 2);
        int changed = 0;
        for (int y = beside.top; y < beside.bottom; ++y)
            for (int x = beside.left; x < beside.right; ++x)
                if (!near(a.at(x, y), b.at(x, y), 10)) ++changed;
        return changed;
    }
};

TEST_F(DisplaySettingsEndToEnd, SwitchesAndEnglishActOnTheChartsAndARestartKeepsThem) {
    writeStartSettings({"XAUUSD"}, 0);
    TerminalRun* run = startTerminal({chartArea()});
    ASSERT_TRUE(run);
    const float settingsX = SCENE_WIDTH - ZONE_RIGHT_INSET - ZONE_WIDTH / 2 - SMALL_STEP;
    ASSERT_TRUE(open({settingsX, BOTTOM_MIDDLE}));
    ASSERT_TRUE(waitForLog(*run, "bottom panel callback:4", 1));

    const Switch switches[] = {
        {3, "world map", [](const UserData& s) { return s.getShowBg(); }, true},
        {4, "crosshair", [](const UserData& s) { return s.getShowCrossPoint(); }, false},
        {5, "grid", [](const UserData& s) { return s.getShowGrid(); }, true},
        {6, "green up", [](const UserData& s) { return s.getInverseRedGreen(); }, true},
    };
    std::unique_ptr<UserData> before = savedSettings();
    for (const Switch& entry : switches) {
        SCOPED_TRACE(entry.name);
        const bool was = entry.saved(*before);
        std::optional<Screenshot> first = shot(*run);
        ASSERT_TRUE(first);
        ASSERT_TRUE(click({CHECK_X, FIRST_SWITCH_Y - SWITCH_STEP * static_cast<float>(entry.tag - 3)}));
        ASSERT_TRUE(
            waitUntil([&] { return entry.saved(*savedSettings()) != was; }, Seconds(20), Seconds(0.2)))
            << lastLines(run->log(), 20);
        if (!entry.visibleWhenParked) continue;
        std::optional<Screenshot> later =
            shotWhen(*run, [&](const Screenshot& s) { return changedBesidePanel(*first, s) > 40; });
        ASSERT_TRUE(later) << run->error();
        EXPECT_GT(changedBesidePanel(*first, *later), 40) << first->path() << " " << later->path();
    }

    // English from the language chooser: the window's title and toolbar texts change beside the panel.
    std::optional<Screenshot> chinese = shot(*run);
    ASSERT_TRUE(chinese);
    ASSERT_TRUE(open({CONTROL_X + FIELD_WIDTH / 2, LANGUAGE_ROW_Y}));
    const float chooserTop = LANGUAGE_ROW_Y - FIELD_HEIGHT / 2;
    ASSERT_TRUE(click({CONTROL_X + FIELD_WIDTH / 2,
                       chooserTop - LANGUAGE_MARGIN - LANGUAGE_ROW * (static_cast<float>(ENGLISH) + 0.5f)}));
    ASSERT_TRUE(waitForLog(*run, "set language:0", 1));
    EXPECT_TRUE(
        waitUntil([&] { return savedSettings()->getLanguage() == ENGLISH; }, Seconds(20), Seconds(0.2)));
    std::optional<Screenshot> english =
        shotWhen(*run, [&](const Screenshot& s) { return changedBesidePanel(*chinese, s) > 20; });
    ASSERT_TRUE(english) << run->error();

    // A restart keeps the language and every switch as toggled.
    const std::unique_ptr<UserData> chosen = savedSettings();
    closeTerminal(*run);
    TerminalRun* again = startTerminal({chartArea()});
    ASSERT_TRUE(again);
    const std::unique_ptr<UserData> restarted = savedSettings();
    EXPECT_EQ(restarted->getLanguage(), ENGLISH);
    for (const Switch& entry : switches) {
        EXPECT_EQ(entry.saved(*restarted), !entry.saved(*before)) << entry.name;
        EXPECT_EQ(entry.saved(*restarted), entry.saved(*chosen)) << entry.name;
    }
    closeTerminal(*again);
}

}  // namespace
