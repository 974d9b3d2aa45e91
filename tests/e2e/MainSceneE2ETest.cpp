// The terminal against the local feed: first start, a feed that goes away and comes back, and a
// restart from saved settings. Each test has its own feed on free ports, its own copy of the program
// folder (whose configuration table points at that feed) and its own data folder.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "PointerInput.h"
#include "ProgramFolder.h"
#include "ScreenMap.h"
#include "TerminalFixture.h"
#include "TextFiles.h"
#include "UserData.h"
#include "WindowSetting.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* CONNECT_START = "start connect kline socket:";
constexpr const char* STOCK_CLOSE = "------- stock socket close!!!";
constexpr const char* STOCK_ERROR = "stock socket onError!!!";
const char* const DEFAULT_CODES[] = {"XAUUSD", "XAGUSD", "USOIL", "UKOIL"};

// A shown left pane (280 wide) moves the chart area right by its width and narrows it as much.
constexpr float LEFT_PANE_WIDTH = 280;
// Window borders, titles and axes are not candles: look a little inside.
constexpr int INSET = 4;

struct Cell {
    int column, row, columnSpan, rowSpan;
};
struct Layout {
    int columns, rows;
    std::vector<Cell> cells;
    bool leftPaneShown;
};
// Layout "2 x 2" (top left, top right, bottom left, bottom right; row 0 is at the bottom) beside the
// instrument page, as on a first start.
const Layout FOUR_WINDOWS{2, 2, {{0, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 1, 1}, {1, 0, 1, 1}}, true};
// Two windows side by side over the whole width.
const Layout TWO_SIDE_BY_SIDE{2, 1, {{0, 0, 1, 1}, {1, 0, 1, 1}}, false};

struct Area {
    float x, y, width, height, cellWidth, cellHeight;
};
Area chartArea(const Layout& layout, int width, int height) {
    const float pane = layout.leftPaneShown ? LEFT_PANE_WIDTH : 0;
    Area area{AREA_X + pane, AREA_Y, width - AREA_WIDTH_CUT - pane, height - AREA_HEIGHT_CUT, 0, 0};
    area.cellWidth = (area.width - (layout.columns - 1) * GAP) / layout.columns;
    area.cellHeight = (area.height - (layout.rows - 1) * GAP) / layout.rows;
    return area;
}

// The windows' rectangles in a screenshot of the given size (image y points down).
std::vector<PixelRect> windowRects(const Layout& layout, int width, int height) {
    const Area area = chartArea(layout, width, height);
    std::vector<PixelRect> rects;
    for (const Cell& cell : layout.cells) {
        const int x = static_cast<int>(area.x + cell.column * (area.cellWidth + GAP));
        const int y = static_cast<int>(area.y + cell.row * (area.cellHeight + GAP));
        const int w = static_cast<int>(cell.columnSpan * area.cellWidth + (cell.columnSpan - 1) * GAP);
        const int h = static_cast<int>(cell.rowSpan * area.cellHeight + (cell.rowSpan - 1) * GAP);
        rects.push_back({x + INSET, height - (y + h) + INSET, x + w - INSET, height - y - INSET});
    }
    return rects;
}

// The gaps between the rows and columns of a grid of single cells, less a pixel on each side: no window
// covers them, so they show no bars when the windows sit where the layout puts them. (The left pane's
// quote page has red and green price boxes of its own.)
std::vector<PixelRect> barFreeRects(const Layout& layout, int width, int height) {
    const Area area = chartArea(layout, width, height);
    const int top = height - static_cast<int>(area.y + area.height),
              bottom = height - static_cast<int>(area.y);
    const int left = static_cast<int>(area.x), right = std::min(width, static_cast<int>(area.x + area.width));
    std::vector<PixelRect> rects;
    for (int column = 1; column < layout.columns; ++column) {
        const int next = static_cast<int>(area.x + column * (area.cellWidth + GAP));
        rects.push_back({next - static_cast<int>(GAP) + 1, top, next - 1, bottom});
    }
    for (int row = 1; row < layout.rows; ++row) {
        const int above = height - static_cast<int>(area.y + row * (area.cellHeight + GAP));
        rects.push_back({left, above + 1, right, above + static_cast<int>(GAP) - 1});
    }
    return rects;
}

bool amber(Rgb p) {
    return near(p, {255, 176, 32}, 16);
}
bool cardColour(Rgb p) {
    return near(p, {23, 27, 41}, 6);
}

// Enough of both colours for a chart of many bars, not a stray label.
constexpr int MIN_CANDLE_PIXELS = 40;

struct CandleCount {
    int green, red;
};
CandleCount countCandles(const Screenshot& shot, const PixelRect& rect) {
    return {shot.count(rect, candleGreen), shot.count(rect, candleRed)};
}

// Whatever the market does, a window's chart starts at its left edge (it holds more bars than it can
// show) and scales the prices it shows to its price area, which lies between the title and the time
// axis and keeps a margin: a window in its place has bars in its left quarter, and its bars reach over
// a good part of its height (about two fifths in the smallest windows, 2 x 2 beside the left pane).
constexpr int MIN_PART_PIXELS = 10;
constexpr int MIN_SPAN_PERCENT = 25;
struct WindowCandles {
    CandleCount all;
    int leftQuarter, span, height;
};
WindowCandles countWindowCandles(const Screenshot& shot, const PixelRect& rect) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    return {countCandles(shot, rect),
            shot.count({rect.left, rect.top, rect.left + width / 4, rect.bottom}, candleColour),
            shot.rowSpan(rect, candleColour), height};
}

bool everyWindowHasCandles(const Screenshot& shot, const Layout& layout) {
    for (const PixelRect& rect : windowRects(layout, shot.width(), shot.height())) {
        const WindowCandles count = countWindowCandles(shot, rect);
        if (count.all.green < MIN_CANDLE_PIXELS || count.all.red < MIN_CANDLE_PIXELS ||
            count.leftQuarter < MIN_PART_PIXELS || count.span * 100 < count.height * MIN_SPAN_PERCENT)
            return false;
    }
    return true;
}

std::string describeCandles(const Screenshot& shot, const Layout& layout) {
    std::ostringstream text;
    text << shot.path() << " (" << shot.width() << " x " << shot.height() << "):";
    for (const PixelRect& rect : windowRects(layout, shot.width(), shot.height())) {
        const WindowCandles count = countWindowCandles(shot, rect);
        text << "\n  window [" << rect.left << "," << rect.top << " - " << rect.right << "," << rect.bottom
             << "]: green " << count.all.green << ", red " << count.all.red << "; left quarter "
             << count.leftQuarter << ", rows " << count.span << " of " << count.height;
    }
    return text.str();
}

int candlesOutsideWindows(const Screenshot& shot, const Layout& layout) {
    int found = 0;
    for (const PixelRect& rect : barFreeRects(layout, shot.width(), shot.height())) {
        const CandleCount count = countCandles(shot, rect);
        found += count.green + count.red;
    }
    return found;
}

// The connecting screen's logo, centred (a blue emblem and light letters), or the grey world map of
// its last tiles along the left edge while it fades out.
bool connectingScreenShown(const Screenshot& shot) {
    const int cx = shot.width() / 2, cy = shot.height() / 2;
    const PixelRect logo{cx - 120, cy - 32, cx + 120, cy + 32};
    // Bluer than any chart line (the third moving average is (28, 115, 179)).
    const int blue = shot.count(logo, [](Rgb p) { return p.b > 200 && p.r < 100 && p.g < 170; });
    const int light = shot.count(logo, [](Rgb p) { return p.r > 180 && p.g > 180 && p.b > 180; });
    const PixelRect leftEdge{0, 60, 45, shot.height() - 35};
    const int map = shot.count(leftEdge, [](Rgb p) {
        return p.r >= 36 && p.r <= 60 && std::abs(p.g - p.r) <= 3 && p.b - p.g >= 0 && p.b - p.g <= 6;
    });
    return (blue > 200 && light > 200) || map > 500;
}

// The reconnect card (380 x 96) centred in the window, its amber bar along the top edge.
PixelRect cardRect(const Screenshot& shot) {
    const int cx = shot.width() / 2, cy = shot.height() / 2;
    return {cx - 190, cy - 48, cx + 190, cy + 48};
}
// The bar may sit just inside or just outside the card's top edge.
PixelRect amberBarRect(const Screenshot& shot) {
    const PixelRect card = cardRect(shot);
    return {card.left, card.top - 5, card.right, card.top + 5};
}
bool reconnectPanelShown(const Screenshot& shot) {
    return shot.count(amberBarRect(shot), amber) > 1000 && shot.count(cardRect(shot), cardColour) > 20000;
}

bool chartsShown(const Screenshot& shot, const Layout& layout) {
    return !connectingScreenShown(shot) && !reconnectPanelShown(shot) && everyWindowHasCandles(shot, layout);
}

class MainSceneEndToEnd : public TerminalFixture {
protected:
    MainSceneEndToEnd() : TerminalFixture("zento-main-e2e") {}

    // Starts the terminal on the data folder; runs are numbered in their own subfolders.
    TerminalRun& startTerminal() {
        TerminalRun& run = addRun();
        EXPECT_TRUE(run.start(WAIT)) << run.error();
        return run;
    }

    // Waits for the connection to our feed (not some other one) and for charts in every window.
    std::optional<Screenshot> waitForCharts(TerminalRun& run, const Layout& layout) {
        if (!run.waitForLog(CONNECT_START, 1, WAIT)) {
            ADD_FAILURE() << "no \"" << CONNECT_START << "\"\n" << lastLines(run.log(), 40) << run.output();
            return std::nullopt;
        }
        EXPECT_NE(lastLineWith(run.log(), CONNECT_START).find(":" + std::to_string(feed_->httpPort())),
                  std::string::npos)
            << lastLineWith(run.log(), CONNECT_START);
        if (!run.waitForLog(CONNECT_SUCCESS, 1, WAIT)) {
            ADD_FAILURE() << "no \"" << CONNECT_SUCCESS << "\"\n" << lastLines(run.log(), 40) << run.output();
            return std::nullopt;
        }
        std::optional<Screenshot> shot =
            run.screenshotWhen([&](const Screenshot& s) { return chartsShown(s, layout); }, WAIT);
        if (!shot) {
            ADD_FAILURE() << run.error() << "\n" << lastLines(run.log(), 40) << run.output();
            return shot;
        }
        EXPECT_FALSE(connectingScreenShown(*shot)) << shot->path();
        EXPECT_FALSE(reconnectPanelShown(*shot)) << shot->path();
        EXPECT_TRUE(everyWindowHasCandles(*shot, layout)) << describeCandles(*shot, layout) << "\n"
                                                          << run.error() << "\n"
                                                          << lastLines(run.log(), 40);
        EXPECT_EQ(candlesOutsideWindows(*shot, layout), 0) << shot->path();
        return shot;
    }

    // The latest K-line subscription names exactly the given instruments, in that order.
    void expectSubscribed(TerminalRun& run, const std::vector<std::string>& codes) {
        ASSERT_TRUE(run.waitForLog(KLINE_SUBSCRIPTION, 1, WAIT)) << lastLines(run.log(), 40);
        const std::string line = lastLineWith(run.log(), KLINE_SUBSCRIPTION);
        size_t previous = 0;
        for (const std::string& code : codes) {
            const size_t at = line.find("\"" + code + "\"");
            EXPECT_NE(at, std::string::npos) << code << " missing in " << line;
            if (at != std::string::npos) {
                EXPECT_GE(at, previous) << code << " out of order in " << line;
                previous = at;
            }
        }
        int entries = 0;
        for (size_t at = line.find("\"symbol\""); at != std::string::npos;
             at = line.find("\"symbol\"", at + 1))
            ++entries;
        EXPECT_EQ(entries, static_cast<int>(codes.size())) << line;
    }
};

// A loopback port that nothing listens on (taken and given back at once).
int closedPort() {
    const int socketId = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    int port = 0;
    if (socketId >= 0 && bind(socketId, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(socketId, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (socketId >= 0) close(socketId);
    return port;
}

// Without a feed the terminal stays on the connecting screen, which is all this needs.
TEST(TerminalEndToEnd, EverySignalSavesTheNextFrameAndTheCloseSavesSettings) {
    TempHome folder("zento-signal-e2e", TempHome::Use::FOLDER);
    const std::string home = folder.path() + "/home";
    fs::create_directories(home);
    ProgramFolder program(folder.path());
    ASSERT_TRUE(program.prepare(closedPort(), closedPort())) << program.error();
    TerminalRun run(program.programPath(), home, folder.path() + "/run");
    ASSERT_TRUE(run.start(WAIT)) << run.error();

    // A first start opens at the default window rectangle.
    const cocos2d::CCRect defaultRect = UserData().getWindowRect();
    for (int n = 1; n <= 2; ++n) {
        std::optional<Screenshot> shot = run.screenshot(WAIT);
        ASSERT_TRUE(shot) << run.error() << run.output();
        EXPECT_EQ(shot->path(), folder.path() + "/run/shots/shot-" + std::to_string(n) + ".png");
        EXPECT_EQ(shot->width(), static_cast<int>(defaultRect.size.width));
        EXPECT_EQ(shot->height(), static_cast<int>(defaultRect.size.height));
        EXPECT_TRUE(connectingScreenShown(*shot)) << shot->path();
    }
    // Shots are renamed into place: no temporary file stays behind.
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder.path() + "/run/shots")) {
        EXPECT_EQ(entry.path().extension(), ".png") << entry.path();
        ++files;
    }
    EXPECT_EQ(files, 2);

    EXPECT_EQ(describeStatus(run.stop(WAIT)), "exit 0") << run.output();
    EXPECT_TRUE(fs::exists(home + "/" + SETTINGS_FILE)) << run.output();
    if (HasFailure()) folder.keep();
}

// Two windows side by side, neither page of the left pane shown: the charts take the whole width.
void setTwoWindowsSideBySide(UserData& settings) {
    std::vector<WindowSetting> windows(2);
    windows[0].code = "UKOIL";
    windows[1].code = "XAUUSD";
    for (WindowSetting& window : windows) window.timeTypeIndex = UserData::DEFAULT_TIME_TYPE_INDEX;
    settings.setWindows(windows);
    settings.setLayoutType(1);
    settings.setPanelSwitchA(false);
    settings.setPanelSwitchB(false);
}

std::string encoded(const UserData& settings) {
    const std::vector<unsigned char> bytes = settings.encodeSettings();
    return std::string(bytes.begin(), bytes.end());
}

// Settings a user left behind: the two windows, the second maximised, the main window at rect.
std::string userSettings(const cocos2d::CCRect& rect) {
    UserData settings;
    setTwoWindowsSideBySide(settings);
    settings.setWindowMaximised(true);
    settings.setMaximisedCode("XAUUSD");
    settings.setMaximisedPeriod(15);
    settings.setWindowRect(rect);
    return encoded(settings);
}

// No feed: the terminal goes from the connecting screen to a main layer that never gets its windows
// back. The window opens at the saved rectangle (raised to the smallest size and moved onto the screen
// when it has to be), and a close there keeps the saved windows: config.bin only changes where the
// rectangle had to be mended.
TEST(TerminalEndToEnd, OpensAtTheSavedRectangleAndAnEarlyCloseKeepsTheSavedLayout) {
    struct Case {
        cocos2d::CCRect saved, shown;
    };
    // The virtual screen is 1280 x 800; the smallest window 680 x 520.
    const Case cases[] = {{cocos2d::CCRect(60, 40, 1000, 700), cocos2d::CCRect(60, 40, 1000, 700)},
                          {cocos2d::CCRect(5000, 5000, 300, 200), cocos2d::CCRect(300, 140, 680, 520)}};
    const std::string xdotool = PointerInput::findTool();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "saved " << c.saved.origin.x << "," << c.saved.origin.y << " "
                                        << c.saved.size.width << " x " << c.saved.size.height);
        TempHome folder("zento-rect-e2e", TempHome::Use::FOLDER);
        const std::string home = folder.path() + "/home";
        fs::create_directories(home);
        ASSERT_TRUE(writeTextAtomically(home + "/" + SETTINGS_FILE, userSettings(c.saved)));
        ProgramFolder program(folder.path());
        ASSERT_TRUE(program.prepare(closedPort(), closedPort())) << program.error();
        TerminalRun run(program.programPath(), home, folder.path() + "/run");
        ASSERT_TRUE(run.start(WAIT)) << run.error();
        // The update check fails twice and the main layer comes up; its windows cannot.
        ASSERT_TRUE(run.waitForLog("connecting layer finished!!!", 1, WAIT)) << lastLines(run.log(), 20);

        std::optional<Screenshot> shot = run.screenshot(WAIT);
        ASSERT_TRUE(shot) << run.error() << run.output();
        EXPECT_EQ(shot->width(), static_cast<int>(c.shown.size.width));
        EXPECT_EQ(shot->height(), static_cast<int>(c.shown.size.height));
        EXPECT_TRUE(connectingScreenShown(*shot)) << shot->path();
        if (!xdotool.empty()) {
            PointerInput pointer(xdotool, run.display(), folder.path() + "/run");
            PointerInput::Geometry geometry{};
            ASSERT_TRUE(pointer.findWindow("Zento", WAIT.count()) && pointer.geometry(geometry))
                << pointer.error();
            EXPECT_EQ(geometry.x, static_cast<int>(c.shown.origin.x));
            EXPECT_EQ(geometry.y, static_cast<int>(c.shown.origin.y));
            EXPECT_EQ(geometry.width, static_cast<int>(c.shown.size.width));
            EXPECT_EQ(geometry.height, static_cast<int>(c.shown.size.height));
        }

        EXPECT_EQ(describeStatus(run.stop(WAIT)), "exit 0") << run.output();
        const std::string saved = readText(home + "/" + SETTINGS_FILE);
        EXPECT_TRUE(saved == userSettings(c.shown)) << "config.bin changed beyond the window rectangle";
        UserData settings;
        settings.loadSettingsFromBytes(reinterpret_cast<const unsigned char*>(saved.data()), saved.size());
        EXPECT_EQ(settings.getWindows().size(), 2u);
        EXPECT_EQ(settings.getLayoutType(), 1);
        EXPECT_TRUE(settings.getWindowMaximised());
        const cocos2d::CCRect rect = settings.getWindowRect();
        EXPECT_EQ(rect.origin.x, c.shown.origin.x);
        EXPECT_EQ(rect.origin.y, c.shown.origin.y);
        EXPECT_EQ(rect.size.width, c.shown.size.width);
        EXPECT_EQ(rect.size.height, c.shown.size.height);
        if (HasFailure()) folder.keep();
    }
}

TEST_F(MainSceneEndToEnd, FirstStartShowsFourChartsAndSavesThemOnClose) {
    TerminalRun& run = startTerminal();
    ASSERT_FALSE(HasFailure());
    std::optional<Screenshot> shot = waitForCharts(run, FOUR_WINDOWS);
    ASSERT_TRUE(shot);
    // A first start opens at the default window rectangle.
    const cocos2d::CCRect defaultRect = UserData().getWindowRect();
    EXPECT_EQ(shot->width(), static_cast<int>(defaultRect.size.width));
    EXPECT_EQ(shot->height(), static_cast<int>(defaultRect.size.height));
    expectSubscribed(run, std::vector<std::string>(std::begin(DEFAULT_CODES), std::end(DEFAULT_CODES)));
    // The history server list is found under the program's built-in key and comes from this feed.
    EXPECT_NE(run.log().find("GetKlineHistoryServerList: 2"), std::string::npos) << lastLines(run.log(), 40);
    // The settings are read before the log file is created: their line is on the console only.
    EXPECT_NE(run.console().find("load setting failed, enter default setting!!"), std::string::npos)
        << run.console();

    closeTerminal(run);
    const std::string saved = readText(home() + "/" + SETTINGS_FILE);
    ASSERT_FALSE(saved.empty()) << "no " << SETTINGS_FILE << " after the close";
    UserData settings;
    settings.loadSettingsFromBytes(reinterpret_cast<const unsigned char*>(saved.data()), saved.size());
    EXPECT_EQ(settings.getLayoutType(), UserData::DEFAULT_LAYOUT_TYPE);
    std::vector<std::string> codes;
    for (const WindowSetting& window : settings.getWindows()) codes.push_back(window.code);
    EXPECT_EQ(codes, std::vector<std::string>(std::begin(DEFAULT_CODES), std::end(DEFAULT_CODES)));
}

TEST_F(MainSceneEndToEnd, FeedDropShowsReconnectPanelUntilTheFeedIsBack) {
    TerminalRun& run = startTerminal();
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(waitForCharts(run, FOUR_WINDOWS));
    ASSERT_FALSE(HasFailure());

    ASSERT_TRUE(feed_->stop(Seconds(30))) << feed_->output();
    EXPECT_TRUE(waitUntil(
        [&] {
            const std::string log = run.log();
            return log.find(STOCK_CLOSE) != std::string::npos || log.find(STOCK_ERROR) != std::string::npos;
        },
        WAIT, Seconds(0.2)))
        << lastLines(run.log(), 40);
    std::optional<Screenshot> dropped = run.screenshotWhen(reconnectPanelShown, WAIT);
    ASSERT_TRUE(dropped) << run.error();
    EXPECT_TRUE(reconnectPanelShown(*dropped))
        << dropped->path() << ": amber " << dropped->count(amberBarRect(*dropped), amber) << ", card "
        << dropped->count(cardRect(*dropped), cardColour) << "\n"
        << lastLines(run.log(), 40);
    // The veil darkens the charts: no bar keeps its colour outside the card.
    for (const PixelRect& rect : windowRects(FOUR_WINDOWS, dropped->width(), dropped->height())) {
        const CandleCount count = countCandles(*dropped, rect);
        EXPECT_LT(count.green + count.red, MIN_CANDLE_PIXELS) << describeCandles(*dropped, FOUR_WINDOWS);
    }
    ASSERT_TRUE(run.running()) << run.output();

    ASSERT_TRUE(feed_->start(WAIT)) << feed_->error();
    EXPECT_TRUE(run.waitForLog(CONNECT_SUCCESS, 2, WAIT)) << lastLines(run.log(), 40) << run.output();
    std::optional<Screenshot> back =
        run.screenshotWhen([](const Screenshot& s) { return chartsShown(s, FOUR_WINDOWS); }, WAIT);
    ASSERT_TRUE(back) << run.error();
    EXPECT_FALSE(reconnectPanelShown(*back)) << back->path();
    EXPECT_TRUE(everyWindowHasCandles(*back, FOUR_WINDOWS)) << describeCandles(*back, FOUR_WINDOWS) << "\n"
                                                            << lastLines(run.log(), 40);
    closeTerminal(run);
}

TEST_F(MainSceneEndToEnd, RestartRestoresTheSavedWindows) {
    TerminalRun& first = startTerminal();
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(waitForCharts(first, FOUR_WINDOWS));
    closeTerminal(first);
    ASSERT_TRUE(fs::exists(home() + "/" + SETTINGS_FILE));

    TerminalRun& second = startTerminal();
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(waitForCharts(second, FOUR_WINDOWS));
    expectSubscribed(second, std::vector<std::string>(std::begin(DEFAULT_CODES), std::end(DEFAULT_CODES)));
    const std::string console = second.console();
    EXPECT_EQ(console.find("load setting failed"), std::string::npos) << console;
    EXPECT_EQ(console.find("setting ver changed"), std::string::npos) << console;
    EXPECT_NE(console.find("load setting finished..."), std::string::npos) << console;
    closeTerminal(second);
}

TEST_F(MainSceneEndToEnd, SavedLayoutOfTwoWindowsWithoutPaneComesBackSideBySide) {
    UserData settings;
    setTwoWindowsSideBySide(settings);
    ASSERT_TRUE(writeTextAtomically(home() + "/" + SETTINGS_FILE, encoded(settings)));

    TerminalRun& run = startTerminal();
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(waitForCharts(run, TWO_SIDE_BY_SIDE));
    const std::string console = run.console();
    EXPECT_NE(console.find("load setting finished..."), std::string::npos) << console;
    // Only the two saved instruments are shown, in the saved order.
    expectSubscribed(run, {"UKOIL", "XAUUSD"});
    closeTerminal(run);
}

}  // namespace
