#pragma once

#include <vector>

#include "CCGeometry.h"

// The 23 window layouts of the main scene: each divides the chart area into a grid and lists the
// cells the shown windows take, in window order. Pure geometry, no nodes.
struct LayoutCell {
    // Computed by placeCells, in whole units; y grows upwards (row 0 is the bottom row).
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int column = 0;
    int row = 0;
    int columnSpan = 1;
    int rowSpan = 1;
};

struct LayoutShape {
    int columns = 1;
    int rows = 1;
    std::vector<LayoutCell> cells;
};

namespace layout_grid {
constexpr int LAYOUT_COUNT = 23;
constexpr float GAP = 5.0f;
// Where the chart area starts and what the frame bars around it take.
constexpr float AREA_X = 50.0f;
constexpr float AREA_Y = 30.0f;
constexpr float AREA_WIDTH_MARGIN = 49.0f;
constexpr float AREA_HEIGHT_MARGIN = 85.0f;

// The grid and cells of layout k (0 to 22); an empty shape for any other k.
LayoutShape shapeOf(int k);
// The chart area of a window of this size; a shown left pane takes its width off the left.
cocos2d::CCRect chartArea(float windowWidth, float windowHeight, float leftPaneWidth);
// Gives every cell its rectangle inside area.
void placeCells(LayoutShape& shape, const cocos2d::CCRect& area);
// The first layout with exactly count cells, or the nine-cell grid for counts no layout has.
int layoutForWindowCount(int count);
}  // namespace layout_grid
