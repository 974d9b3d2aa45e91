#include "CCTiledGrid.h"

#include <algorithm>

#include "CCNode.h"
#include "CCRenderer.h"

NS_CC_BEGIN

CCTiledGrid* CCTiledGrid::create(int columns, int rows) {
    auto* grid = new CCTiledGrid();
    grid->columns_ = std::max(columns, 1);
    grid->rows_ = std::max(rows, 1);
    grid->scales_.assign(static_cast<size_t>(grid->columns_) * grid->rows_, 1.0f);
    grid->autorelease();
    return grid;
}

void CCTiledGrid::setTileScale(int x, int y, float scale) {
    if (x < 0 || y < 0 || x >= columns_ || y >= rows_) return;
    scales_[static_cast<size_t>(y) * columns_ + x] = std::clamp(scale, 0.0f, 1.0f);
}

float CCTiledGrid::getTileScale(int x, int y) const {
    if (x < 0 || y < 0 || x >= columns_ || y >= rows_) return 0;
    return scales_[static_cast<size_t>(y) * columns_ + x];
}

void CCTiledGrid::setAllTiles(float scale) {
    std::fill(scales_.begin(), scales_.end(), std::clamp(scale, 0.0f, 1.0f));
}

int CCTiledGrid::getVisibleTileCount() const {
    return static_cast<int>(std::count_if(scales_.begin(), scales_.end(), [](float s) { return s > 0; }));
}

void CCTiledGrid::beforeDraw(const CCNode* target) {
    CCRenderer* r = CCRenderer::current();
    stencilOpen_ = false;
    if (!r || !target) return;
    const CCSize& size = target->getContentSize();
    float cellW = size.width / static_cast<float>(columns_);
    float cellH = size.height / static_cast<float>(rows_);
    r->beginStencil(1);
    stencilOpen_ = true;
    const ccColor4F white{1, 1, 1, 1};
    for (int y = 0; y < rows_; ++y) {
        for (int x = 0; x < columns_; ++x) {
            float s = scales_[static_cast<size_t>(y) * columns_ + x];
            if (s <= 0) continue;
            float cx = (static_cast<float>(x) + 0.5f) * cellW, cy = (static_cast<float>(y) + 0.5f) * cellH;
            float hw = cellW * s * 0.5f, hh = cellH * s * 0.5f;
            r->drawSolidRect({cx - hw, cy - hh}, {cx + hw, cy + hh}, white);
        }
    }
    r->useStencil(false);
}

void CCTiledGrid::afterDraw() {
    CCRenderer* r = CCRenderer::current();
    if (r && stencilOpen_) r->endStencil();
    stencilOpen_ = false;
}

NS_CC_END
