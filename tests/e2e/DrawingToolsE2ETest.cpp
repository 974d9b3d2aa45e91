// The drawing tools driven as a user drives them: the chooser from a window's toolbar, one tool of
// each family placed by clicks, a typed text, a colour and a width from the editing toolbar, a lock
// that holds against a drag, a delete, and a restart that brings back the rest from drawings.json.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChartWindowsFixture.h"
#include "DrawingStore.h"

namespace {
using namespace chart_e2e;

constexpr const char* DRAWINGS_FILE = "drawings.json";
constexpr int LINE = 1, RECT = 8, FIB = 13, FLAG = 19, TEXT = 20, LONG_POSITION = 25;
constexpr int TOOL_DRAWING = 2;

// The chooser: 230 x 376, a 30-unit title, six groups of 57 units, icons 42 apart from x 28, their
// centres 36 under the group's top.
constexpr float CHOOSER_WIDTH = 230, CHOOSER_HEIGHT = 376;
struct Group {
    int first, last;
};
constexpr Group GROUPS[] = {{1, 5}, {6, 8}, {10, 14}, {15, 19}, {20, 24}, {25, 26}};

// The editing toolbar: one row 54 units above the chart's bottom, buttons 46, 46, 32, 32, 32 wide and
// 2 apart from x 5; the pop-ups stand 3 above it, their rows spread over all but 8 units at each end.
constexpr float BAR_Y = 54 + 16;
constexpr float BAR_X[] = {28, 76, 117, 151, 185};
constexpr float POPUP_BOTTOM = 54 + 32 + 3, POPUP_INSET = 8;
constexpr float COLOUR_POPUP_HEIGHT = 164, WIDTH_POPUP_HEIGHT = 138;

const Rect WINDOW = cellRect(1, 1, 0, 0, 1, 1);

class DrawingToolsEndToEnd : public ChartWindowsFixture {
protected:
    DrawingToolsEndToEnd() : ChartWindowsFixture("zento-drawing-e2e") {}

    // A point of the chart view, from its bottom-left corner (the window's).
    static Point chart(float x, float y) { return {WINDOW.x + x, WINDOW.y + y}; }

    // Each tool is picked once: its log line counts once.
    bool pickTool(TerminalRun& run, int id, int& opened) {
        const Rect tool = toolbarButton(WINDOW, TOOL_DRAWING);
        if (!open(centre(tool)) || !waitForLog(run, "toolbar callback:2", ++opened)) return false;
        const Point topLeft = placedTopLeft({tool.right(), tool.y}, CHOOSER_WIDTH, CHOOSER_HEIGHT);
        for (int g = 0; g < 6; ++g) {
            if (id < GROUPS[g].first || id > GROUPS[g].last) continue;
            const Point icon{topLeft.x + 28 + 42 * static_cast<float>(id - GROUPS[g].first),
                             topLeft.y - 30 - 57 * static_cast<float>(g) - 36};
            return click(icon) && waitForLog(run, "select drawing tool:" + std::to_string(id), 1);
        }
        return false;
    }
    DrawingStore savedDrawings() {
        DrawingStore store(home());
        EXPECT_TRUE(store.load());
        return store;
    }
    std::vector<DrawingRecord> savedWhen(const std::function<bool(const std::vector<DrawingRecord>&)>& test) {
        std::vector<DrawingRecord> last;
        waitUntil(
            [&] {
                DrawingStore store(home());
                store.load();
                last = store.get("XAUUSD", 15);
                return test(last);
            },
            Seconds(20), Seconds(0.2));
        return last;
    }
};

const DrawingRecord* find(const std::vector<DrawingRecord>& list, int type) {
    for (const DrawingRecord& record : list)
        if (record.type == type) return &record;
    return nullptr;
}

TEST_F(DrawingToolsEndToEnd, OneToolPerFamilyIsPlacedEditedLockedDeletedAndComesBackAfterARestart) {
    writeStartSettings({"XAUUSD"}, 0);
    TerminalRun* run = startTerminal({WINDOW});
    ASSERT_TRUE(run);
    int opened = 0;
    auto count = [](size_t n) { return [n](const std::vector<DrawingRecord>& l) { return l.size() == n; }; };

    // A line, a rectangle and a Fibonacci retracement by two clicks each, a move between them.
    const std::vector<std::pair<int, std::pair<Point, Point>>> twoPoint = {
        {LINE, {chart(120, 200), chart(260, 320)}},
        {RECT, {chart(300, 150), chart(380, 230)}},
        {FIB, {chart(520, 180), chart(580, 380)}}};
    size_t placed = 0;
    for (const auto& [id, points] : twoPoint) {
        ASSERT_TRUE(pickTool(*run, id, opened));
        ASSERT_TRUE(click(points.first));
        ASSERT_TRUE(pointer_->moveTo(pixel({points.second.x - 10, points.second.y - 10})));
        ASSERT_TRUE(click(points.second));
        EXPECT_EQ(savedWhen(count(++placed)).size(), placed) << "after tool " << id;
    }
    // An icon by one click; a text by one click, typed (its digit stays in the text) and entered.
    ASSERT_TRUE(pickTool(*run, FLAG, opened));
    ASSERT_TRUE(click(chart(200, 380)));
    EXPECT_EQ(savedWhen(count(++placed)).size(), placed);
    ASSERT_TRUE(pickTool(*run, TEXT, opened));
    ASSERT_TRUE(click(chart(420, 420)));
    ASSERT_TRUE(frame());
    ASSERT_TRUE(pointer_->typeText("R2 level")) << pointer_->error();
    ASSERT_TRUE(pointer_->pressKey("Return")) << pointer_->error();
    std::vector<DrawingRecord> list = savedWhen(count(++placed));
    ASSERT_NE(find(list, TEXT), nullptr);
    EXPECT_EQ(find(list, TEXT)->text, "R2 level");
    // A long position by one click.
    ASSERT_TRUE(pickTool(*run, LONG_POSITION, opened));
    ASSERT_TRUE(click(chart(640, 260)));
    list = savedWhen(count(++placed));
    ASSERT_NE(find(list, LONG_POSITION), nullptr);
    EXPECT_EQ(find(list, LONG_POSITION)->points.size(), 4u);

    // The line: its handle selects it; colour 3 and width 2 from the pop-ups; then locked.
    ASSERT_TRUE(click(chart(120, 200)));
    ASSERT_TRUE(open(chart(BAR_X[0], BAR_Y)));
    const float colourRow = (COLOUR_POPUP_HEIGHT - 2 * POPUP_INSET) / 8;
    ASSERT_TRUE(click(chart(55, POPUP_BOTTOM + COLOUR_POPUP_HEIGHT - POPUP_INSET - colourRow * 2.5f)));
    ASSERT_TRUE(waitForLog(*run, "change drawing tool color index:2", 1));
    ASSERT_TRUE(open(chart(BAR_X[1], BAR_Y)));
    const float widthRow = (WIDTH_POPUP_HEIGHT - 2 * POPUP_INSET) / 3;
    ASSERT_TRUE(click(chart(88, POPUP_BOTTOM + WIDTH_POPUP_HEIGHT - POPUP_INSET - widthRow * 1.5f)));
    ASSERT_TRUE(waitForLog(*run, "change drawing tool line width index:1", 1));
    ASSERT_TRUE(click(chart(BAR_X[2], BAR_Y)));
    list =
        savedWhen([](const std::vector<DrawingRecord>& l) { return find(l, LINE) && find(l, LINE)->locked; });
    ASSERT_NE(find(list, LINE), nullptr);
    const DrawingRecord lockedLine = *find(list, LINE);
    EXPECT_EQ(lockedLine.colourIndex, 2);
    EXPECT_EQ(lockedLine.widthIndex, 1);
    // Dragged by its handle, the locked line stays where it is.
    ASSERT_TRUE(pointer_->drag(pixel(chart(260, 320)), pixel(chart(300, 260)))) << pointer_->error();
    ASSERT_TRUE(frame());

    // The rectangle: selected by its corner and deleted.
    ASSERT_TRUE(click(chart(300, 150)));
    ASSERT_TRUE(click(chart(BAR_X[4], BAR_Y)));
    list = savedWhen(count(--placed));
    EXPECT_EQ(find(list, RECT), nullptr);
    ASSERT_NE(find(list, LINE), nullptr);
    EXPECT_EQ(find(list, LINE)->points, lockedLine.points);
    std::optional<Screenshot> drawn = shot(*run);
    ASSERT_TRUE(drawn);
    closeTerminal(*run);

    // Started again on the same data folder: the rest is back and the file is left as it was.
    const std::string before = readText(home() + "/" + DRAWINGS_FILE);
    TerminalRun* again = startTerminal({WINDOW});
    ASSERT_TRUE(again);
    std::optional<Screenshot> back = shot(*again);
    ASSERT_TRUE(back);
    closeTerminal(*again);
    EXPECT_EQ(readText(home() + "/" + DRAWINGS_FILE), before);
    const std::vector<DrawingRecord> restarted = savedDrawings().get("XAUUSD", 15);
    EXPECT_EQ(restarted, list);
}
}  // namespace
