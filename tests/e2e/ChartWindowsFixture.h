#pragma once

// The chart windows driven as a user drives them, shared by the end-to-end tests of the windows and of
// the drawing tools: where the main scene puts windows, buttons and choosers, and a fixture that starts
// the terminal on saved settings and clicks it through xdotool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "PointerInput.h"
#include "ScreenMap.h"
#include "TerminalFixture.h"
#include "TextFiles.h"
#include "UserData.h"
#include "WindowSetting.h"

namespace chart_e2e {

namespace fs = std::filesystem;

// A chooser pops up with a short scale animation; clicks wait until it has settled.
constexpr Seconds POPUP_SETTLE = Seconds(0.6);

// The terminal's window and the main scene's frame.
constexpr float SCENE_WIDTH = 900, SCENE_HEIGHT = 600;
constexpr float STRIP_HEIGHT = 56;

// The window-button strip: buttons from x 65, one 150-wide slot each while they fit, the add button
// (40 wide) 20 units after the last slot.
constexpr float FIRST_BUTTON_X = 65, SLOT_WIDTH = 150, ADD_BUTTON_WIDTH = 40;

// A chart window: title 35 units from the left and 5 below the top, the maximise button just below the
// close button at (18, top - 18), the toolbar (four 30-unit buttons, 4 apart) 5 units left of the
// 120-wide right panel and 5 below the top.
constexpr float TITLE_LEFT = 35, TITLE_TOP_GAP = 5;
// The title buttons are as high as their 19-point labels plus 6 (measured: 29); rows of the choosers
// opened from them are 24 and 40 high, so a unit or two off does not matter.
constexpr float TITLE_HEIGHT = 29;
constexpr float CLOSE_INSET = 18, CLOSE_SIZE = 24, MAXIMISE_SIZE = 24;
constexpr float RIGHT_PANEL_WIDTH = 120, TOOLBAR_GAP = 5, TOOL_SIZE = 30, TOOL_SPACING = 4;
constexpr int TOOL_CHART_TYPE = 1, TOOL_INDICATORS = 3, TOOL_PRICE_ALERT = 6, TOOL_COUNT = 6;

// Choosers, placed with their top-left corner at a point and kept inside the scene.
constexpr float ADD_PANEL_WIDTH = 460, ADD_PANEL_HEIGHT = 420, ADD_SEARCH_HEIGHT = 50, ADD_LIST_WIDTH = 360,
                ADD_ROW_HEIGHT = 40;
constexpr float TIME_PANEL_HEIGHT = 255, TIME_TITLE_HEIGHT = 40;
constexpr int TIME_TYPE_COUNT = 9;
// The chart-type buttons stand in a row 75 below the chooser's top, from x 40, 80 apart.
constexpr float TYPE_PANEL_WIDTH = 320, TYPE_PANEL_HEIGHT = 230, TYPE_BUTTON_X = 40, TYPE_BUTTON_STEP = 80,
                TYPE_BUTTON_DROP = 75;
constexpr float INDICATOR_PANEL_WIDTH = 360, INDICATOR_TITLE_HEIGHT = 40, INDICATOR_ROW_HEIGHT = 50;
constexpr float INDICATOR_PANEL_HEIGHT = INDICATOR_TITLE_HEIGHT + 5 * INDICATOR_ROW_HEIGHT + 10;

// Indicator types of the picker rows (1 is the moving average, drawn on the chart, not a pane).
constexpr int MACD = 3, KDJ = 4;
// Chart type 1 draws a line.
constexpr int LINE_CHART = 1;
// The saved windows start at time type index 2 (15 minutes); index 4 is the hour.
constexpr int START_TIME_TYPE_INDEX = UserData::DEFAULT_TIME_TYPE_INDEX;
constexpr int HOUR_INDEX = 4, HOUR_MINUTES = 60, START_MINUTES = 15;

struct Point {
    float x, y;  // engine units, y up
};
struct Rect {
    float x, y, width, height;  // engine units, origin bottom left
    float top() const { return y + height; }
    float right() const { return x + width; }
};

// Where the main scene puts cell (column, row, spans) of a columns x rows grid without the left pane.
inline Rect cellRect(int columns, int rows, int column, int row, int columnSpan, int rowSpan) {
    const float areaWidth = SCENE_WIDTH - AREA_WIDTH_CUT, areaHeight = SCENE_HEIGHT - AREA_HEIGHT_CUT;
    const float cellWidth = (areaWidth - (columns - 1) * GAP) / columns;
    const float cellHeight = (areaHeight - (rows - 1) * GAP) / rows;
    return {static_cast<float>(static_cast<int>(AREA_X + column * (cellWidth + GAP))),
            static_cast<float>(static_cast<int>(AREA_Y + row * (cellHeight + GAP))),
            static_cast<float>(static_cast<int>(columnSpan * cellWidth + (columnSpan - 1) * GAP)),
            static_cast<float>(static_cast<int>(rowSpan * cellHeight + (rowSpan - 1) * GAP))};
}
inline Rect chartArea() {
    return {AREA_X, AREA_Y, SCENE_WIDTH - AREA_WIDTH_CUT, SCENE_HEIGHT - AREA_HEIGHT_CUT};
}

// Popups are kept inside the scene: x in [0, width - panel width], top in [panel height, height].
inline Point placedTopLeft(Point wanted, float panelWidth, float panelHeight) {
    return {std::clamp(wanted.x, 0.0f, SCENE_WIDTH - panelWidth),
            std::clamp(wanted.y, std::min(panelHeight, SCENE_HEIGHT), SCENE_HEIGHT)};
}

// A little below the middle of a strip button: its small close button sits at its top left.
inline Point stripButtonPoint(int index) {
    return {FIRST_BUTTON_X + SLOT_WIDTH * index + SLOT_WIDTH / 2, SCENE_HEIGHT - STRIP_HEIGHT / 2 - 6};
}
inline Point addButtonCentre(int buttons) {
    return {FIRST_BUTTON_X + SLOT_WIDTH * buttons + 20 + ADD_BUTTON_WIDTH / 2,
            SCENE_HEIGHT - STRIP_HEIGHT / 2};
}
// The add chooser hangs 3 units below the add button's bottom edge, its left edge at the button's.
inline Point addChooserTopLeft(int buttons) {
    const Point centre = addButtonCentre(buttons);
    return placedTopLeft({centre.x - ADD_BUTTON_WIDTH / 2, centre.y - ADD_BUTTON_WIDTH / 2 - 3},
                         ADD_PANEL_WIDTH, ADD_PANEL_HEIGHT);
}
// Row n (from 0) of the instrument list, the list right of the category column, under the search strip.
inline Point instrumentRow(Point panelTopLeft, int row) {
    return {panelTopLeft.x + ADD_PANEL_WIDTH - ADD_LIST_WIDTH / 2,
            panelTopLeft.y - ADD_SEARCH_HEIGHT - ADD_ROW_HEIGHT * row - ADD_ROW_HEIGHT / 2};
}

inline Point maximiseButton(const Rect& window) {
    // The close button's centre is at (18, top - 18); the maximise button hangs 2 units under it.
    return {window.x + CLOSE_INSET, window.top() - CLOSE_INSET - CLOSE_SIZE / 2 - 2 - MAXIMISE_SIZE / 2};
}
inline Point closeButton(const Rect& window) {
    return {window.x + CLOSE_INSET, window.top() - CLOSE_INSET};
}
// Somewhere on the instrument name of the title (flag and name start at its left edge).
inline Point instrumentButton(const Rect& window) {
    return {window.x + TITLE_LEFT + 40, window.top() - TITLE_TOP_GAP - TITLE_HEIGHT / 2};
}
// The instrument and time-type choosers hang from the bottom of the title buttons.
inline float titleBottom(const Rect& window) {
    return window.top() - TITLE_TOP_GAP - TITLE_HEIGHT;
}
// Toolbar button tag of a window wide enough to keep its toolbar on the title row.
inline Rect toolbarButton(const Rect& window, int tag) {
    const float toolbarWidth = TOOL_COUNT * TOOL_SIZE + (TOOL_COUNT - 1) * TOOL_SPACING;
    const float left = window.right() - RIGHT_PANEL_WIDTH - TOOLBAR_GAP - toolbarWidth +
                       (tag - 1) * (TOOL_SIZE + TOOL_SPACING);
    return {left, window.top() - TOOLBAR_GAP - TOOL_SIZE, TOOL_SIZE, TOOL_SIZE};
}
inline Point centre(const Rect& rect) {
    return {rect.x + rect.width / 2, rect.y + rect.height / 2};
}
// A toolbar chooser hangs from its button's bottom-right corner.
inline Point chartTypeButton(const Rect& tool, int type) {
    const Point topLeft = placedTopLeft({tool.right(), tool.y}, TYPE_PANEL_WIDTH, TYPE_PANEL_HEIGHT);
    return {topLeft.x + TYPE_BUTTON_X + TYPE_BUTTON_STEP * type, topLeft.y - TYPE_BUTTON_DROP};
}
inline Point indicatorRow(const Rect& tool, int type) {
    const Point topLeft =
        placedTopLeft({tool.right(), tool.y}, INDICATOR_PANEL_WIDTH, INDICATOR_PANEL_HEIGHT);
    return {
        topLeft.x + INDICATOR_PANEL_WIDTH / 2,
        topLeft.y - INDICATOR_TITLE_HEIGHT - INDICATOR_ROW_HEIGHT * (type - 1) - INDICATOR_ROW_HEIGHT / 2};
}

struct Subscribed {
    std::string code;
    int timeType;
    bool operator==(const Subscribed&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Subscribed& entry) {
    return out << entry.code << "/" << entry.timeType;
}

inline std::vector<Subscribed> parseSubscription(const std::string& line) {
    static const std::regex entry(R"re(\{"symbol":"([^"]*)","timeType":(-?\d+)\})re");
    std::vector<Subscribed> list;
    for (auto it = std::sregex_iterator(line.begin(), line.end(), entry); it != std::sregex_iterator(); ++it)
        list.push_back({(*it)[1].str(), std::stoi((*it)[2].str())});
    return list;
}

inline std::string describe(const std::vector<Subscribed>& list) {
    std::ostringstream text;
    for (const Subscribed& entry : list) text << entry << " ";
    return text.str();
}

// The scene shows black between the windows; a window's own background is (12, 15, 24).
inline bool black(Rgb p) {
    return p.r <= 3 && p.g <= 3 && p.b <= 3;
}
inline bool addButtonColour(Rgb p) {
    return near(p, {142, 151, 173}, 20);
}
// The labels of the active window's title are white.
inline bool titleWhite(Rgb p) {
    return p.r >= 225 && p.g >= 225 && p.b >= 225;
}

// The window pixel of an engine point.
inline PointerInput::Pixel pixel(Point at) {
    return {static_cast<int>(at.x), static_cast<int>(SCENE_HEIGHT - at.y)};
}
// Away from every window and button: over the bottom frame bar, at the left.
constexpr PointerInput::Pixel PARKED{10, static_cast<int>(SCENE_HEIGHT) - 10};

// Image rectangle of an engine rectangle, inset pixels inside its border.
inline PixelRect pixels(const Rect& rect, int inset) {
    return {static_cast<int>(rect.x) + inset, static_cast<int>(SCENE_HEIGHT - rect.top()) + inset,
            static_cast<int>(rect.right()) - inset, static_cast<int>(SCENE_HEIGHT - rect.y) - inset};
}
// The chart of a window without its title row, time axis and right panel.
inline PixelRect chartPixels(const Rect& window) {
    return pixels({window.x, window.y + 25, window.width - RIGHT_PANEL_WIDTH, window.height - 65}, 2);
}
inline int candlePixels(const Screenshot& shot, const Rect& window) {
    return shot.count(chartPixels(window), candleColour);
}
// Enough for a chart of bars, not a stray marker.
constexpr int MIN_CANDLE_PIXELS = 200;

// The gaps of layout 3 (one window over two): the row gap across the area and the column gap below it.
inline int blackGapPixels(const Screenshot& shot) {
    const Rect top = cellRect(2, 2, 0, 1, 2, 1), left = cellRect(2, 2, 0, 0, 1, 1),
               right = cellRect(2, 2, 1, 0, 1, 1);
    const PixelRect rowGap{static_cast<int>(top.x), static_cast<int>(SCENE_HEIGHT - top.y) + 1,
                           static_cast<int>(top.right()), static_cast<int>(SCENE_HEIGHT - left.top()) - 1};
    const PixelRect columnGap{static_cast<int>(left.right()) + 1,
                              static_cast<int>(SCENE_HEIGHT - left.top()) + 2, static_cast<int>(right.x) - 1,
                              static_cast<int>(SCENE_HEIGHT - left.y) - 2};
    return shot.count(rowGap, black) + shot.count(columnGap, black);
}

// The right edge (engine x) of the time-type label of an active window: the title's rightmost column
// with a tall run of white, which is the closing bracket. Hover read-outs and axis labels are not white.
inline std::optional<float> timeLabelRight(const Screenshot& shot, const Rect& window, float searchRight) {
    const int top = static_cast<int>(SCENE_HEIGHT - window.top() + TITLE_TOP_GAP);
    const int bottom = top + static_cast<int>(TITLE_HEIGHT);
    for (int x = static_cast<int>(searchRight); x > static_cast<int>(window.x + TITLE_LEFT); --x) {
        if (shot.count({x, top, x + 1, bottom}, titleWhite) >= 8) return static_cast<float>(x);
    }
    return std::nullopt;
}

// Layout 1 (two windows side by side) and layout 3 (one window over two) of the main scene.
inline const std::vector<Rect> SIDE_BY_SIDE = {cellRect(2, 1, 0, 0, 1, 1), cellRect(2, 1, 1, 0, 1, 1)};
inline const std::vector<Rect> ONE_OVER_TWO = {cellRect(2, 2, 0, 1, 2, 1), cellRect(2, 2, 0, 0, 1, 1),
                                               cellRect(2, 2, 1, 0, 1, 1)};

// Bar lengths in minutes by time type index, as the local feed lists them.
constexpr int MINUTES[] = {1, 5, 15, 30, 60, 240, 360, 720, 1440};

class ChartWindowsFixture : public TerminalFixture {
protected:
    explicit ChartWindowsFixture(const std::string& folderPrefix) : TerminalFixture(folderPrefix) {}

    void SetUp() override {
        if (std::string(ZENTO_NODE).empty()) GTEST_SKIP() << "Node.js is missing: the local feed cannot run";
        xdotool_ = PointerInput::findTool();
        if (xdotool_.empty()) GTEST_SKIP() << "xdotool is missing: the terminal cannot be driven";
        TerminalFixture::SetUp();
    }

    void TearDown() override {
        pointer_.reset();
        TerminalFixture::TearDown();
    }

    // The given windows at the start time type, in the given layout, neither left-pane page shown.
    void writeStartSettings(const std::vector<std::string>& codes, int layoutType,
                            int timeTypeIndex = START_TIME_TYPE_INDEX) {
        UserData settings;
        std::vector<WindowSetting> windows(codes.size());
        for (size_t i = 0; i < codes.size(); ++i) {
            windows[i].code = codes[i];
            windows[i].timeTypeIndex = timeTypeIndex;
        }
        settings.setWindows(windows);
        settings.setLayoutType(layoutType);
        settings.setPanelSwitchA(false);
        settings.setPanelSwitchB(false);
        // The window comes back at its saved rectangle; the click points assume this one.
        settings.setWindowRect(cocos2d::CCRect(0, 0, SCENE_WIDTH, SCENE_HEIGHT));
        const std::vector<unsigned char> bytes = settings.encodeSettings();
        ASSERT_FALSE(bytes.empty());
        ASSERT_TRUE(
            writeTextAtomically(home() + "/" + SETTINGS_FILE, std::string(bytes.begin(), bytes.end())));
    }

    // Starts the terminal and waits until every window shows bars (the connecting screen, which takes
    // every click, has gone) and its X window is found. Nothing on failure (reported).
    TerminalRun* startTerminal(const std::vector<Rect>& windows) {
        TerminalRun& run = addRun();
        if (!run.start(WAIT)) {
            ADD_FAILURE() << run.error();
            return nullptr;
        }
        if (!run.waitForLog(CONNECT_SUCCESS, 1, WAIT) || !run.waitForLog(KLINE_SUBSCRIPTION, 1, WAIT)) {
            ADD_FAILURE() << "no connection or subscription\n" << lastLines(run.log(), 40) << run.output();
            return nullptr;
        }
        pointer_ = std::make_unique<PointerInput>(xdotool_, run.display(), run.folder());
        if (!pointer_->findWindow("Zento", WAIT.count()) || !pointer_->moveTo(PARKED)) {
            ADD_FAILURE() << pointer_->error();
            return nullptr;
        }
        std::optional<Screenshot> shot = run.screenshotWhen(
            [&](const Screenshot& s) {
                for (const Rect& window : windows)
                    if (candlePixels(s, window) < MIN_CANDLE_PIXELS) return false;
                return true;
            },
            WAIT);
        if (!shot || run.error().find("no screenshot met") != std::string::npos) {
            ADD_FAILURE() << "the windows do not all show bars: " << run.error() << "\n"
                          << lastLines(run.log(), 30);
            return nullptr;
        }
        EXPECT_EQ(shot->width(), static_cast<int>(SCENE_WIDTH));
        EXPECT_EQ(shot->height(), static_cast<int>(SCENE_HEIGHT));
        // The last tiles of the connecting screen fade out in under a second of frame time; the frame
        // after that has removed it.
        current_ = &run;
        std::this_thread::sleep_for(std::chrono::seconds(1));
        if (!frame()) return nullptr;
        return &run;
    }

    bool click(Point at) {
        if (pointer_->click(pixel(at))) return true;
        ADD_FAILURE() << pointer_->error();
        return false;
    }
    // Clicks something that opens a chooser and waits until the chooser has settled: a frame has taken
    // the click (the program answers the screenshot signal after the events queued before it), and the
    // pop-up animation, which runs on frame time, is over by the next frame.
    bool open(Point at) {
        if (!click(at) || !frame()) return false;
        std::this_thread::sleep_for(POPUP_SETTLE);
        return true;
    }
    // Waits for one frame of the current run.
    bool frame() {
        std::optional<Screenshot> taken = current_->screenshot(WAIT);
        if (!taken) {
            ADD_FAILURE() << current_->error();
            return false;
        }
        std::error_code error;
        fs::remove(taken->path(), error);
        return true;
    }

    // A screenshot with the pointer parked, so no hover read-out or crosshair is drawn.
    std::optional<Screenshot> shot(TerminalRun& run) {
        if (!pointer_->moveTo(PARKED)) {
            ADD_FAILURE() << pointer_->error();
            return std::nullopt;
        }
        std::optional<Screenshot> taken = run.screenshot(WAIT);
        if (!taken) ADD_FAILURE() << run.error();
        return taken;
    }
    std::optional<Screenshot> shotWhen(TerminalRun& run, const std::function<bool(const Screenshot&)>& test) {
        if (!pointer_->moveTo(PARKED)) {
            ADD_FAILURE() << pointer_->error();
            return std::nullopt;
        }
        return run.screenshotWhen(test, WAIT);
    }

    bool waitForLog(TerminalRun& run, const std::string& text, int count) {
        if (run.waitForLog(text, count, WAIT)) return true;
        ADD_FAILURE() << "\"" << text << "\" not logged " << count << " time(s)\n"
                      << lastLines(run.log(), 30);
        return false;
    }

    // Waits for a K-line subscription after the first `seen` ones and returns its list.
    std::vector<Subscribed> nextSubscription(TerminalRun& run, size_t& seen) {
        std::vector<std::string> lines;
        waitUntil(
            [&] {
                lines = linesWith(run.log(), KLINE_SUBSCRIPTION);
                return lines.size() > seen || !run.running();
            },
            WAIT, Seconds(0.2));
        if (lines.size() <= seen) {
            ADD_FAILURE() << "no new \"" << KLINE_SUBSCRIPTION << "\" after " << seen << "\n"
                          << lastLines(run.log(), 30);
            return {};
        }
        seen = lines.size();
        return parseSubscription(lines.back());
    }
    size_t subscriptionsSoFar(TerminalRun& run) { return linesWith(run.log(), KLINE_SUBSCRIPTION).size(); }

    // What the program saved last: it rewrites config.bin after every change of the windows.
    struct Saved {
        std::vector<WindowSetting> windows;
        int layoutType = -1;
        bool maximised = false;
        std::string maximisedCode;
        std::vector<std::string> codes() const {
            std::vector<std::string> list;
            for (const WindowSetting& window : windows) list.push_back(window.code);
            return list;
        }
    };
    Saved saved() {
        UserData settings;
        const std::string bytes = readText(home() + "/" + SETTINGS_FILE);
        EXPECT_FALSE(bytes.empty()) << "no " << SETTINGS_FILE;
        settings.loadSettingsFromBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        return {settings.getWindows(), settings.getLayoutType(), settings.getWindowMaximised(),
                settings.getMaximisedCode()};
    }
    // Polls the saved settings until test holds for them (the save follows the click within a frame).
    Saved savedWhen(const std::function<bool(const Saved&)>& test) {
        Saved last;
        waitUntil(
            [&] {
                last = saved();
                return test(last);
            },
            Seconds(20), Seconds(0.2));
        return last;
    }

    // A resize and back before the close: the frames around it are checked against whole redraws too,
    // and the saved rectangle stays the one the next start expects.
    void closeTerminal(TerminalRun& run) {
        if (pointer_ && current_ == &run) {
            for (const auto& size : {std::make_pair(SCENE_WIDTH + 120, SCENE_HEIGHT - 60),
                                     std::make_pair(SCENE_WIDTH, SCENE_HEIGHT)}) {
                EXPECT_TRUE(pointer_->resize(static_cast<int>(size.first), static_cast<int>(size.second)))
                    << pointer_->error();
                frame();
                frame();
            }
        }
        pointer_.reset();
        TerminalFixture::closeTerminal(run);
    }

    std::string xdotool_;
    std::unique_ptr<PointerInput> pointer_;
    TerminalRun* current_ = nullptr;
};

}  // namespace chart_e2e
