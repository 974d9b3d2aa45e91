// The news column against the real feed: the terminal starts with its news page shown (as the saved
// page switch has it), fills the column from the news history, takes live records on top, opens an
// item on a click, reloads the history after a feed restart and keeps the page over a restart.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ChartWindowsFixture.h"

namespace {
using namespace chart_e2e;

// The news page fills the left pane: x 50 to 330, from the bottom bar (30) to the top bar (544); under
// its 26-unit header and the 44-unit date strip the rows begin at y 474.
constexpr float PANE_LEFT = 50, PANE_WIDTH = 280, LIST_BOTTOM = 30, LIST_TOP = 474;
// Somewhere on the newest row: just under the list's top, past the marker.
constexpr Point NEWEST_ROW{PANE_LEFT + 150, LIST_TOP - 12};
// The item pop-up (360 wide) stands in the middle of the window.
constexpr float DETAIL_WIDTH = 360;
// Live records every second and a half on average, so one arrives while the test looks.
constexpr const char* NEWS_INTERVAL_MS = "1500";
constexpr const char* HISTORY_DONE = "GetHistoryNewsCallback finished!!!";

bool rowBackground(Rgb p) {
    return near(p, {28, 31, 46}, 4);
}
bool flashText(Rgb p) {
    return near(p, {150, 150, 150}, 30);
}
bool detailBackground(Rgb p) {
    return near(p, {23, 27, 41}, 6);
}

class NewsEndToEnd : public ChartWindowsFixture {
protected:
    NewsEndToEnd() : ChartWindowsFixture("zento-news-e2e") {}

    void SetUp() override {
        ChartWindowsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // The same ports, so the program's table still points at the feed.
        ASSERT_TRUE(feed_->stop(Seconds(30))) << feed_->output();
        feed_->setExtraArguments({"--news-interval", NEWS_INTERVAL_MS});
        ASSERT_TRUE(feed_->start(WAIT)) << feed_->error();
    }

    // One window, the news page shown and the instrument page hidden.
    void writeNewsSettings() {
        UserData settings;
        std::vector<WindowSetting> windows(1);
        windows[0].code = "EURUSD";
        windows[0].timeTypeIndex = START_TIME_TYPE_INDEX;
        settings.setWindows(windows);
        settings.setLayoutType(0);
        settings.setPanelSwitchA(true);
        settings.setPanelSwitchB(false);
        settings.setWindowRect(cocos2d::CCRect(0, 0, SCENE_WIDTH, SCENE_HEIGHT));
        const std::vector<unsigned char> bytes = settings.encodeSettings();
        ASSERT_FALSE(bytes.empty());
        ASSERT_TRUE(
            writeTextAtomically(home() + "/" + SETTINGS_FILE, std::string(bytes.begin(), bytes.end())));
    }

    static PixelRect listPixels() {
        return pixels({PANE_LEFT, LIST_BOTTOM, PANE_WIDTH, LIST_TOP - LIST_BOTTOM}, 2);
    }
    // The column shows rows: their background and grey flash texts.
    static bool showsRows(const Screenshot& shot) {
        return shot.count(listPixels(), rowBackground) > 20000 && shot.count(listPixels(), flashText) > 300;
    }
    static int detailPixels(const Screenshot& shot) {
        return shot.count(
            pixels({(SCENE_WIDTH - DETAIL_WIDTH) / 2 + 10, SCENE_HEIGHT / 2 - 30, DETAIL_WIDTH - 20, 60}, 0),
            detailBackground);
    }

    // Starts a run with the column filled from the history; nothing on failure (reported).
    TerminalRun* startWithNews() {
        TerminalRun* run = startTerminal({});
        if (!run || !waitForLog(*run, HISTORY_DONE, 1)) return nullptr;
        std::optional<Screenshot> filled = shotWhen(*run, showsRows);
        if (!filled || run->error().find("no screenshot met") != std::string::npos) {
            ADD_FAILURE() << "the news column shows no rows: " << run->error() << "\n"
                          << lastLines(run->log(), 30);
            return nullptr;
        }
        return run;
    }
};

}  // namespace

TEST_F(NewsEndToEnd, HistoryFillsTheColumnLiveRowsArriveAClickOpensAnItemAndRestartsReload) {
    writeNewsSettings();
    TerminalRun* run = startWithNews();
    ASSERT_TRUE(run);
    EXPECT_NE(run->log().find("news socket connect success!!!!!!!!!!!!!!!!!!!!!"), std::string::npos);

    // A live record arrives.
    const size_t received = linesWith(run->log(), "RECV_NEWS : ").size();
    ASSERT_TRUE(waitForLog(*run, "RECV_NEWS : ", static_cast<int>(received) + 1));

    // A click on the newest row opens its item; a click outside closes it. The chart behind the pop-up
    // has pixels of its colour too: the pop-up is what adds thousands.
    std::optional<Screenshot> before = shot(*run);
    ASSERT_TRUE(before);
    const int chartShare = detailPixels(*before);
    ASSERT_TRUE(open(NEWEST_ROW));
    std::optional<Screenshot> opened =
        shotWhen(*run, [&](const Screenshot& s) { return detailPixels(s) > chartShare + 8000; });
    ASSERT_TRUE(opened);
    EXPECT_EQ(run->error().find("no screenshot met"), std::string::npos) << opened->path();
    ASSERT_TRUE(click({SCENE_WIDTH - 20, LIST_BOTTOM + 200}));
    std::optional<Screenshot> closed =
        shotWhen(*run, [&](const Screenshot& s) { return detailPixels(s) < chartShare + 1500; });
    ASSERT_TRUE(closed);
    EXPECT_EQ(run->error().find("no screenshot met"), std::string::npos) << closed->path();

    // The feed goes away and comes back: the news reconnects once and reloads its history.
    ASSERT_TRUE(feed_->stop(Seconds(30))) << feed_->output();
    ASSERT_TRUE(feed_->start(WAIT)) << feed_->error();
    ASSERT_TRUE(waitForLog(*run, "reget history news!!!!!!!", 1));
    ASSERT_TRUE(waitForLog(*run, HISTORY_DONE, 2));
    std::optional<Screenshot> reloaded = shotWhen(*run, showsRows);
    ASSERT_TRUE(reloaded);
    EXPECT_TRUE(showsRows(*reloaded)) << reloaded->path();
    EXPECT_EQ(linesWith(run->log(), "reget history news!!!!!!!").size(), 1u) << lastLines(run->log(), 40);
    closeTerminal(*run);

    // The next start shows the news page again.
    TerminalRun* again = startWithNews();
    ASSERT_TRUE(again);
    closeTerminal(*again);
}
