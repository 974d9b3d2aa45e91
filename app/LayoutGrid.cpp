#include "LayoutGrid.h"

#include <algorithm>
#include <cmath>

namespace layout_grid {
namespace {
struct CellSpec {
    int column, row, columnSpan, rowSpan;
};
struct ShapeSpec {
    int columns, rows;
    std::vector<CellSpec> cells;
};

const std::vector<ShapeSpec>& table() {
    static const std::vector<ShapeSpec> shapes = {
        {1, 1, {{0, 0, 1, 1}}},
        {2, 1, {{0, 0, 1, 1}, {1, 0, 1, 1}}},
        {1, 2, {{0, 0, 1, 1}, {0, 1, 1, 1}}},
        {2, 2, {{0, 1, 2, 1}, {0, 0, 1, 1}, {1, 0, 1, 1}}},
        {2, 2, {{0, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 2, 1}}},
        {2, 2, {{0, 1, 1, 1}, {1, 0, 1, 2}, {0, 0, 1, 1}}},
        {2, 2, {{0, 0, 1, 2}, {1, 1, 1, 1}, {1, 0, 1, 1}}},
        {3, 3, {{0, 0, 1, 3}, {1, 0, 1, 3}, {2, 0, 1, 3}}},
        {2, 2, {{0, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 1, 1}, {1, 0, 1, 1}}},
        {3, 2, {{0, 1, 1, 1}, {1, 1, 1, 1}, {2, 1, 1, 1}, {0, 0, 3, 1}}},
        {3, 2, {{0, 1, 3, 1}, {2, 0, 1, 1}, {1, 0, 1, 1}, {0, 0, 1, 1}}},
        {2, 3, {{0, 0, 1, 3}, {1, 2, 1, 1}, {1, 1, 1, 1}, {1, 0, 1, 1}}},
        {2, 3, {{0, 2, 1, 1}, {0, 1, 1, 1}, {0, 0, 1, 1}, {1, 0, 1, 3}}},
        {4, 4, {{0, 1, 4, 3}, {0, 0, 1, 1}, {1, 0, 1, 1}, {2, 0, 1, 1}, {3, 0, 1, 1}}},
        {4, 4, {{0, 0, 1, 1}, {0, 1, 1, 1}, {0, 2, 1, 1}, {0, 3, 1, 1}, {1, 0, 3, 4}}},
        {4, 4, {{0, 0, 3, 4}, {3, 3, 1, 1}, {3, 2, 1, 1}, {3, 1, 1, 1}, {3, 0, 1, 1}}},
        {3, 3, {{0, 1, 2, 2}, {2, 2, 1, 1}, {2, 1, 1, 1}, {0, 0, 1, 1}, {1, 0, 1, 1}, {2, 0, 1, 1}}},
        {3, 2, {{0, 1, 1, 1}, {1, 1, 1, 1}, {2, 1, 1, 1}, {0, 0, 1, 1}, {1, 0, 1, 1}, {2, 0, 1, 1}}},
        {2, 4, {{0, 2, 1, 2}, {0, 0, 1, 2}, {1, 3, 1, 1}, {1, 2, 1, 1}, {1, 1, 1, 1}, {1, 0, 1, 1}}},
        {2, 4, {{0, 3, 1, 1}, {0, 2, 1, 1}, {0, 1, 1, 1}, {0, 0, 1, 1}, {1, 2, 1, 2}, {1, 0, 1, 2}}},
        {6, 2, {{0, 1, 3, 1}, {3, 1, 3, 1}, {0, 0, 2, 1}, {2, 0, 2, 1}, {4, 0, 2, 1}}},
        {6, 2, {{0, 1, 2, 1}, {2, 1, 2, 1}, {4, 1, 2, 1}, {0, 0, 3, 1}, {3, 0, 3, 1}}},
        {3,
         3,
         {{0, 2, 1, 1},
          {1, 2, 1, 1},
          {2, 2, 1, 1},
          {0, 1, 1, 1},
          {1, 1, 1, 1},
          {2, 1, 1, 1},
          {0, 0, 1, 1},
          {1, 0, 1, 1},
          {2, 0, 1, 1}}},
    };
    return shapes;
}
}  // namespace

LayoutShape shapeOf(int k) {
    LayoutShape shape;
    if (k < 0 || k >= LAYOUT_COUNT) {
        shape.cells.clear();
        return shape;
    }
    const ShapeSpec& entry = table()[static_cast<size_t>(k)];
    shape.columns = entry.columns;
    shape.rows = entry.rows;
    for (const CellSpec& c : entry.cells) {
        LayoutCell cell;
        cell.column = c.column;
        cell.row = c.row;
        cell.columnSpan = c.columnSpan;
        cell.rowSpan = c.rowSpan;
        shape.cells.push_back(cell);
    }
    return shape;
}

cocos2d::CCRect chartArea(float windowWidth, float windowHeight, float leftPaneWidth) {
    const float pane = std::max(0.0f, leftPaneWidth);
    // A window smaller than the frame bars leaves an empty area rather than a negative one.
    return cocos2d::CCRect(AREA_X + pane, AREA_Y, std::max(0.0f, windowWidth - AREA_WIDTH_MARGIN - pane),
                           std::max(0.0f, windowHeight - AREA_HEIGHT_MARGIN));
}

void placeCells(LayoutShape& shape, const cocos2d::CCRect& area) {
    if (shape.columns <= 0 || shape.rows <= 0) return;
    const float cellWidth = (area.size.width - (shape.columns - 1) * GAP) / shape.columns;
    const float cellHeight = (area.size.height - (shape.rows - 1) * GAP) / shape.rows;
    for (LayoutCell& cell : shape.cells) {
        cell.x = static_cast<int>(area.origin.x + cell.column * (cellWidth + GAP));
        cell.y = static_cast<int>(area.origin.y + cell.row * (cellHeight + GAP));
        cell.width = std::max(0, static_cast<int>(cell.columnSpan * cellWidth + (cell.columnSpan - 1) * GAP));
        cell.height = std::max(0, static_cast<int>(cell.rowSpan * cellHeight + (cell.rowSpan - 1) * GAP));
    }
}

int layoutForWindowCount(int count) {
    for (int k = 0; k < LAYOUT_COUNT; ++k)
        if (static_cast<int>(table()[static_cast<size_t>(k)].cells.size()) == count) return k;
    return LAYOUT_COUNT - 1;
}
}  // namespace layout_grid
