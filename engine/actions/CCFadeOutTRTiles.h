#pragma once

#include "CCActionInterval.h"
#include "CCGeometry.h"

NS_CC_BEGIN

class CCTiledGrid;

// Fades a node out tile by tile: the node's content rectangle is cut into gridSize tiles, and a
// diagonal front sweeps from the top-right tile to the bottom-left one, shrinking each tile it
// passes to nothing. When it is done the node draws nothing (its grid stays, all tiles gone);
// stopped early, the node is whole again. Main thread only.
class CCFadeOutTRTiles : public CCActionInterval {
public:
    // gridSize: columns x rows (each at least 1). Null for a negative duration.
    static CCFadeOutTRTiles* create(float duration, const CCSize& gridSize);
    ~CCFadeOutTRTiles() override;

    void startWithTarget(CCNode* target) override;
    void update(float t) override;
    void stop() override;
    // How much of tile (x, y) (column from the left, row from the bottom) is left at time t, 0..1.
    float tileScaleAt(int x, int y, float t) const;

private:
    int columns_ = 1;
    int rows_ = 1;
    CCTiledGrid* grid_ = nullptr;
};

NS_CC_END
