#include <gtest/gtest.h>

#include "LayoutGrid.h"

using namespace layout_grid;
using cocos2d::CCRect;

namespace {
struct Rect {
    int x, y, w, h;
    bool operator==(const Rect&) const = default;
};

std::vector<Rect> place(int k, float width, float height, float pane = 0) {
    LayoutShape shape = shapeOf(k);
    placeCells(shape, chartArea(width, height, pane));
    std::vector<Rect> rects;
    for (const LayoutCell& cell : shape.cells) rects.push_back({cell.x, cell.y, cell.width, cell.height});
    return rects;
}
}  // namespace

TEST(LayoutGrid, ChartAreaLeavesTheFrameBarsAndThePane) {
    CCRect area = chartArea(900, 600, 0);
    EXPECT_EQ(area.origin.x, 50);
    EXPECT_EQ(area.origin.y, 30);
    EXPECT_EQ(area.size.width, 851);
    EXPECT_EQ(area.size.height, 515);
    area = chartArea(900, 600, 280);
    EXPECT_EQ(area.origin.x, 330);
    EXPECT_EQ(area.size.width, 571);
    // Smaller than the frame bars: an empty area, never a negative one.
    area = chartArea(40, 60, 0);
    EXPECT_EQ(area.size.width, 0);
    EXPECT_EQ(area.size.height, 0);
}

TEST(LayoutGrid, SingleAndTwoByTwoCellsAtTwoWindowSizes) {
    EXPECT_EQ(place(0, 900, 600), (std::vector<Rect>{{50, 30, 851, 515}}));
    // 2 x 2: cell (851 - 5) / 2 = 423 wide, (515 - 5) / 2 = 255 high; top row first.
    EXPECT_EQ(place(8, 900, 600),
              (std::vector<Rect>{
                  {50, 290, 423, 255}, {478, 290, 423, 255}, {50, 30, 423, 255}, {478, 30, 423, 255}}));
    // 1280 x 800: area 1231 x 715, cell 613 x 355.
    EXPECT_EQ(place(8, 1280, 800),
              (std::vector<Rect>{
                  {50, 390, 613, 355}, {668, 390, 613, 355}, {50, 30, 613, 355}, {668, 30, 613, 355}}));
}

TEST(LayoutGrid, SpansAddTheGapsTheyCoverAndFractionsAreTruncated) {
    // Layout 13, 4 x 4 at 900 x 600: cell (851 - 15) / 4 = 209, (515 - 15) / 4 = 125.
    std::vector<Rect> cells = place(13, 900, 600);
    ASSERT_EQ(cells.size(), 5u);
    EXPECT_EQ(cells[0], (Rect{50, 160, 851, 385}));  // 4 columns wide, 3 rows high
    EXPECT_EQ(cells[4], (Rect{692, 30, 209, 125}));
    // Layout 7, 3 x 3 with three full-height columns: (851 - 10) / 3 = 280.33.
    cells = place(7, 900, 600);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[1], (Rect{335, 30, 280, 515}));
    EXPECT_EQ(cells[2], (Rect{620, 30, 280, 515}));
}

TEST(LayoutGrid, EveryLayoutFillsItsAreaWithoutOverlaps) {
    for (int k = 0; k < LAYOUT_COUNT; ++k) {
        LayoutShape shape = shapeOf(k);
        ASSERT_FALSE(shape.cells.empty()) << k;
        const CCRect area = chartArea(1000, 700, 0);
        placeCells(shape, area);
        long covered = 0;
        for (size_t a = 0; a < shape.cells.size(); ++a) {
            const LayoutCell& c = shape.cells[a];
            EXPECT_GE(c.x, area.origin.x) << k;
            EXPECT_LE(c.x + c.width, area.origin.x + area.size.width + 1) << k;
            EXPECT_LE(c.y + c.height, area.origin.y + area.size.height + 1) << k;
            covered += static_cast<long>(c.width) * c.height;
            for (size_t b = a + 1; b < shape.cells.size(); ++b) {
                const LayoutCell& d = shape.cells[b];
                const bool apart = c.x + c.width <= d.x || d.x + d.width <= c.x || c.y + c.height <= d.y ||
                                   d.y + d.height <= c.y;
                EXPECT_TRUE(apart) << "layout " << k << " cells " << a << " and " << b;
            }
        }
        // Only the gaps stay empty (at most a quarter of the area for the 6 x 2 and 4 x 4 grids).
        EXPECT_GT(covered, static_cast<long>(0.75 * area.size.width * area.size.height)) << k;
    }
    EXPECT_TRUE(shapeOf(-1).cells.empty());
    EXPECT_TRUE(shapeOf(23).cells.empty());
}

TEST(LayoutGrid, NineCellGridRunsFromTheTopRowLeftToRight) {
    LayoutShape shape = shapeOf(22);
    ASSERT_EQ(shape.cells.size(), 9u);
    EXPECT_EQ(shape.cells[0].row, 2);
    EXPECT_EQ(shape.cells[0].column, 0);
    EXPECT_EQ(shape.cells[2].column, 2);
    EXPECT_EQ(shape.cells[3].row, 1);
    EXPECT_EQ(shape.cells[8].row, 0);
    EXPECT_EQ(shape.cells[8].column, 2);
}

TEST(LayoutGrid, LayoutForACountOfWindows) {
    EXPECT_EQ(layoutForWindowCount(1), 0);
    EXPECT_EQ(layoutForWindowCount(2), 1);
    EXPECT_EQ(layoutForWindowCount(3), 3);
    EXPECT_EQ(layoutForWindowCount(4), 8);
    EXPECT_EQ(layoutForWindowCount(5), 13);
    EXPECT_EQ(layoutForWindowCount(6), 16);
    // No layout has seven or eight cells: the nine-cell grid takes them.
    EXPECT_EQ(layoutForWindowCount(7), 22);
    EXPECT_EQ(layoutForWindowCount(9), 22);
}
