#include "DrawingKLine.h"

#include <algorithm>
#include <cmath>

#include "CDebugModule.h"
#include "ChartViewOwner.h"
#include "DrawingBase.h"
#include "DrawingKLineShared.h"
#include "DrawingSync.h"
#include "DrawingToolbar.h"
#include "KLineBar.h"
#include "Resources.h"

USING_NS_CC;
using namespace drawing_kline;

// --- drawing tools

void DrawingKLine::startTool(int id) {
    std::unique_ptr<DrawingBase> tool = id != 0 && toolFactory_ ? toolFactory_(id) : nullptr;
    if (id != 0 && !tool) return;
    // A tool left half placed is dropped, not kept as an orphan in the list.
    if (creatingTool_ && !creatingTool_->isComplete()) removeDrawing(creatingTool_);
    creatingTool_ = nullptr;
    selectTool(nullptr);
    if (!tool) return;
    tool->setChart(this);
    tool->onViewResize(getContentSize());
    tool->setInverseColors(riseGreen_);
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

float DrawingKLine::toolPriceAtY(float y) const {
    // The inverse of the tools' projection, so a point lands under the pointer also while the scale
    // glides; a flat chart has a scale too, unlike the price area's share.
    if (!(priceScale_ > 0) || !std::isfinite(priceScale_)) return priceMin_;
    const float price = (y - currentBaseY_) / priceScale_ + priceMin_;
    return std::isfinite(price) ? price : priceMin_;
}

void DrawingKLine::placePoint(const CCPoint& point, bool isClick) {
    KLineBar* bar = nullptr;
    int barOffset = 0;
    // Anchors need a bar: on an empty series there is nothing to place against.
    if (!creatingTool_ || !anchorAt(point.x, bar, barOffset)) return;
    DrawingBase* tool = creatingTool_;
    const bool complete = tool->addPoint(bar, toolPriceAtY(point.y), barOffset, isClick);
    tool->updateX(offsetX_, barSpacing_);
    tool->updateY(priceScale_, currentBaseY_, priceMin_);
    if (complete) {
        selectTool(tool);
        creatingTool_ = nullptr;
        if (owner_) owner_->drawingToolPlaced();
        if (tool->hasText())
            openTextEdit(tool, true);
        else
            notifyDrawingsChanged();
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
    toolbar_->showFor(*tool);
}

void DrawingKLine::hideToolbar() {
    toolbar_->hideAll();
}

DrawingBase* DrawingKLine::hitTool(const CCPoint& point) {
    // Newest first: what is drawn on top is what the pointer takes.
    for (auto it = drawings_.rbegin(); it != drawings_.rend(); ++it)
        if ((*it)->hitTest(point)) return it->get();
    return nullptr;
}

void DrawingKLine::hoverTools(const CCPoint& point) {
    DrawingBase* hit = hitTool(point);
    for (auto& drawing : drawings_)
        if (drawing.get() != hit) drawing->setHovered(false);
}

void DrawingKLine::moveSelected(const CCPoint& point) {
    KLineBar* bar = nullptr;
    int barOffset = 0;
    if (!selectedDrawing_ || !anchorAt(point.x, bar, barOffset)) return;
    if (selectedDrawing_->moveActiveHandle(bar, toolPriceAtY(point.y), barOffset)) {
        handleMoved_ = true;
        selectedDrawing_->updateX(offsetX_, barSpacing_);
        selectedDrawing_->updateY(priceScale_, currentBaseY_, priceMin_);
    }
}

void DrawingKLine::removeDrawing(DrawingBase* tool) {
    if (selectedDrawing_ == tool) selectTool(nullptr);
    if (creatingTool_ == tool) creatingTool_ = nullptr;
    if (textEditTool_ == tool) textEditTool_ = nullptr;
    if (textClickTool_ == tool) textClickTool_ = nullptr;
    drawings_.erase(std::remove_if(drawings_.begin(), drawings_.end(),
                                   [tool](const std::unique_ptr<DrawingBase>& d) { return d.get() == tool; }),
                    drawings_.end());
}

void DrawingKLine::removeSelected() {
    DrawingBase* selected = selectedDrawing_;
    if (!selected) return;
    const bool wasPlaced = selected != creatingTool_;
    removeDrawing(selected);
    if (wasPlaced) notifyDrawingsChanged();
}

void DrawingKLine::setColor(int index) {
    if (!selectedDrawing_ || !selectedDrawing_->setColorIndex(index)) return;
    const ccColor4F& colour = selectedDrawing_->getColour();
    logInfo("change drawing tool color index:%d -> %f, %f, %f", index, static_cast<double>(colour.r),
            static_cast<double>(colour.g), static_cast<double>(colour.b));
    toolbar_->showFor(*selectedDrawing_);
    notifyDrawingsChanged();
}

void DrawingKLine::setWidth(int index) {
    if (!selectedDrawing_ || !selectedDrawing_->setWidthIndex(index)) return;
    logInfo("change drawing tool line width index:%d", index);
    toolbar_->showFor(*selectedDrawing_);
    notifyDrawingsChanged();
}

void DrawingKLine::onToolbarButton(int tag) {
    playHoverSound();
    DrawingBase* tool = selectedDrawing_;
    if (!tool) return;
    switch (tag) {
        case DrawingToolbar::COLOUR:
        case DrawingToolbar::WIDTH:
            toolbar_->togglePopup(tag);
            return;
        case DrawingToolbar::LOCK:
            tool->setLocked(!tool->isLocked());
            break;
        case DrawingToolbar::SHOW_HIDE:
            tool->setVisible(!tool->isVisible());
            break;
        case DrawingToolbar::DELETE:
            removeSelected();
            return;
        default:
            return;
    }
    toolbar_->showFor(*tool);
    notifyDrawingsChanged();
}

bool DrawingKLine::touchToolbar(const CCPoint& location) {
    const DrawingToolbar::Hit hit = toolbar_->hitAt(location);
    if (!hit) return false;
    if (hit.entry == -1) {
        pressedToolbarTag_ = hit.tag;
        toolbar_->setPressed(hit.tag);
        return true;
    }
    pressedToolbarTag_ = 0;
    if (hit.entry >= 0) {
        playHoverSound();
        if (hit.tag == DrawingToolbar::COLOUR)
            setColor(hit.entry);
        else
            setWidth(hit.entry);
        toolbar_->togglePopup(hit.tag);
    }
    return true;
}

void DrawingKLine::adoptDrawings(std::vector<std::unique_ptr<DrawingBase>> tools) {
    for (auto& tool : tools) {
        if (!tool) continue;
        tool->setChart(this);
        tool->onViewResize(getContentSize());
        tool->setInverseColors(riseGreen_);
        if (barCount() != 0) {
            tool->updateX(offsetX_, barSpacing_);
            tool->updateY(priceScale_, currentBaseY_, priceMin_);
        }
        drawings_.push_back(std::move(tool));
    }
    needLayout_ = true;
}

void DrawingKLine::replaceDrawings(std::vector<std::unique_ptr<DrawingBase>> tools) {
    std::vector<DrawingBase*> placed;
    for (auto& drawing : drawings_)
        if (drawing.get() != creatingTool_ || drawing->isComplete()) placed.push_back(drawing.get());
    for (DrawingBase* tool : placed) removeDrawing(tool);
    adoptDrawings(std::move(tools));
}

void DrawingKLine::setDrawingSymbol(const std::string& symbol) {
    sync_->setSymbol(symbol);
}

void DrawingKLine::openTextEdit(DrawingBase* tool, bool isNew) {
    textEditTool_ = tool;
    textEditIsNew_ = isNew;
    if (owner_)
        owner_->openDrawingTextInput(tool);
    else
        finishTextEdit(false, std::string());
}

void DrawingKLine::finishTextEdit(bool apply, const std::string& text) {
    DrawingBase* tool = textEditTool_;
    const bool isNew = textEditIsNew_;
    textEditTool_ = nullptr;
    textEditIsNew_ = false;
    if (!tool) return;
    if (apply) tool->setText(text);
    if (isNew && tool->getText().empty()) {
        removeDrawing(tool);
        return;
    }
    if (apply || isNew) notifyDrawingsChanged();
}

void DrawingKLine::notifyDrawingsChanged() {
    sync_->drawingsChanged();
    if (owner_) owner_->drawingsChanged();
}
