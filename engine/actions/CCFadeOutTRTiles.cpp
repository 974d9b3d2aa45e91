#include "CCFadeOutTRTiles.h"

#include <algorithm>
#include <cmath>

#include "CCNode.h"
#include "CCTiledGrid.h"

NS_CC_BEGIN

namespace {
// Width of the sweeping front, as a share of the whole diagonal: tiles shrink over this span.
constexpr float FRONT_WIDTH = 0.35f;
constexpr float MAX_TILES_PER_SIDE = 4096;
}  // namespace

CCFadeOutTRTiles* CCFadeOutTRTiles::create(float duration, const CCSize& gridSize) {
    auto* action = createAutoreleased<CCFadeOutTRTiles>(&CCFadeOutTRTiles::initWithDuration, duration);
    if (action) {
        float w = std::isfinite(gridSize.width) ? std::clamp(gridSize.width, 1.0f, MAX_TILES_PER_SIDE) : 1.0f;
        float h =
            std::isfinite(gridSize.height) ? std::clamp(gridSize.height, 1.0f, MAX_TILES_PER_SIDE) : 1.0f;
        action->columns_ = static_cast<int>(w);
        action->rows_ = static_cast<int>(h);
    }
    return action;
}

CCFadeOutTRTiles::~CCFadeOutTRTiles() {
    CC_SAFE_RELEASE(grid_);
}

void CCFadeOutTRTiles::startWithTarget(CCNode* target) {
    CCActionInterval::startWithTarget(target);
    CC_SAFE_RELEASE(grid_);
    grid_ = CCTiledGrid::create(columns_, rows_);
    grid_->retain();
    if (target) target->setGrid(grid_);
}

float CCFadeOutTRTiles::tileScaleAt(int x, int y, float t) const {
    // 0 for the top-right tile, 1 for the bottom-left one.
    float span = static_cast<float>(std::max(columns_ - 1 + rows_ - 1, 1));
    float distance = static_cast<float>((columns_ - 1 - x) + (rows_ - 1 - y)) / span;
    float front = std::clamp(t, 0.0f, 1.0f) * (1.0f + FRONT_WIDTH);
    return std::clamp((distance + FRONT_WIDTH - front) / FRONT_WIDTH, 0.0f, 1.0f);
}

void CCFadeOutTRTiles::update(float t) {
    if (!grid_) return;
    for (int y = 0; y < rows_; ++y)
        for (int x = 0; x < columns_; ++x) grid_->setTileScale(x, y, tileScaleAt(x, y, t));
}

void CCFadeOutTRTiles::stop() {
    CCNode* target = target_;
    if (target && grid_ && target->getGrid() == grid_) {
        if (isDone())
            grid_->setAllTiles(0);
        else
            target->setGrid(nullptr);
    }
    CCActionInterval::stop();
}

NS_CC_END
