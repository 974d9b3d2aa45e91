#pragma once

#include <vector>

#include "CCGeometry.h"
#include "CCObject.h"

NS_CC_BEGIN

class CCNode;

// Cuts a node's content rectangle into a grid of tiles and masks the node with them: each tile
// shows the part of the node beneath it, shrunk around the tile's centre by the tile's own factor
// (1: whole, 0: gone). The node is drawn once, through a stencil made of the tiles. A node with a
// grid whose tiles are all gone draws nothing. Main thread only.
class CCTiledGrid : public CCObject {
public:
    // Columns and rows (each at least 1).
    static CCTiledGrid* create(int columns, int rows);

    int getColumns() const { return columns_; }
    int getRows() const { return rows_; }
    // Column x from the left, row y from the bottom. Out-of-range tiles are ignored.
    void setTileScale(int x, int y, float scale);
    float getTileScale(int x, int y) const;
    void setAllTiles(float scale);
    int getVisibleTileCount() const;

    // Called by CCNode::visit around the node's drawing, inside the node's transform.
    void beforeDraw(const CCNode* target);
    void afterDraw();

private:
    CCTiledGrid() = default;

    int columns_ = 1;
    int rows_ = 1;
    std::vector<float> scales_;
    bool stencilOpen_ = false;
};

NS_CC_END
