#include "DrawingKLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ChartViewOwner.h"
#include "DrawingBase.h"
#include "DrawingKLineShared.h"
#include "KLineBar.h"

USING_NS_CC;
using namespace drawing_kline;

// --- drawing tools

void DrawingKLine::startTool(int id) {
    if (id == 0) {
        creatingTool_ = nullptr;
        selectedDrawing_ = nullptr;
        return;
    }
    std::unique_ptr<DrawingBase> tool = toolFactory_ ? toolFactory_(id) : nullptr;
    if (!tool) return;
    selectTool(nullptr);
    tool->setChart(this);
    tool->onViewResize(getContentSize());
    creatingTool_ = tool.get();
    drawings_.push_back(std::move(tool));
}

bool DrawingKLine::anchorAt(float x, KLineBar*& bar, int& barOffset) const {
    const size_t count = barCount();
    if (count == 0) return false;
    // Points beyond the data keep their distance in bars from the first or last bar.
    constexpr long long MAX_OFFSET = 1000000000LL;
    const long long slot = slotAt(x);
    barOffset = 0;
    if (slot < 0) {
        bar = barAt(0);
        barOffset = static_cast<int>(std::max(slot - bar->index, -MAX_OFFSET));
    } else if (slot >= static_cast<long long>(count)) {
        bar = newestBar();
        barOffset = static_cast<int>(std::min(slot - bar->index, MAX_OFFSET));
    } else {
        bar = barAt(static_cast<size_t>(slot));
    }
    return true;
}

void DrawingKLine::placePoint(const CCPoint& point, bool isClick) {
    KLineBar* bar = nullptr;
    int barOffset = 0;
    // Anchors need a bar: on an empty series there is nothing to place against.
    if (!creatingTool_ || !anchorAt(point.x, bar, barOffset)) return;
    DrawingBase* tool = creatingTool_;
    const bool complete = tool->addPoint(bar, priceAtY(point.y), barOffset, isClick);
    tool->updateX(offsetX_, barSpacing_);
    tool->updateY(priceScale_, currentBaseY_, priceMin_);
    if (complete) {
        selectTool(tool);
        creatingTool_ = nullptr;
        if (owner_) owner_->drawingToolPlaced();
    }
}

void DrawingKLine::selectTool(DrawingBase* tool, bool flag) {
    if (!tool) {
        if (selectedDrawing_) {
            selectedDrawing_->setSelected(false, flag);
            selectedDrawing_->setHovered(false);
        }
        selectedDrawing_ = nullptr;
        hideToolbar();
        return;
    }
    if (selectedDrawing_ && selectedDrawing_ != tool) selectedDrawing_->setSelected(false, flag);
    selectedDrawing_ = tool;
    tool->setSelected(true, flag);
    toolToolbar_->setVisible(true);
}

void DrawingKLine::hideToolbar() {
    toolToolbar_->setVisible(false);
    colourPanel_->setVisible(false);
    widthPanel_->setVisible(false);
}

DrawingBase* DrawingKLine::hitTool(const CCPoint& point) {
    for (auto& drawing : drawings_)
        if (drawing->hitTest(point)) return drawing.get();
    return nullptr;
}

void DrawingKLine::moveSelected(const CCPoint& point) {
    KLineBar* bar = nullptr;
    int barOffset = 0;
    if (!selectedDrawing_ || !anchorAt(point.x, bar, barOffset)) return;
    if (selectedDrawing_->moveActiveHandle(bar, priceAtY(point.y), barOffset)) {
        selectedDrawing_->updateX(offsetX_, barSpacing_);
        selectedDrawing_->updateY(priceScale_, currentBaseY_, priceMin_);
    }
}

void DrawingKLine::removeSelected() {
    DrawingBase* selected = selectedDrawing_;
    if (!selected) return;
    selectTool(nullptr);
    if (creatingTool_ == selected) creatingTool_ = nullptr;
    drawings_.erase(
        std::remove_if(drawings_.begin(), drawings_.end(),
                       [selected](const std::unique_ptr<DrawingBase>& d) { return d.get() == selected; }),
        drawings_.end());
}
