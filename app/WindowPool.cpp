#include "WindowPool.h"

#include <algorithm>

#include "CCNode.h"
#include "CDebugModule.h"
#include "DrawingKLine.h"
#include "ExScaleWindows.h"
#include "KLineHistoryLoader.h"
#include "StockButton.h"
#include "StockButtonPanel.h"
#include "StockData.h"
#include "StockInfo.h"
#include "StockWindow.h"
#include "UserData.h"

USING_NS_CC;

namespace {
constexpr float LAYOUT_GLIDE_SECONDS = 0.25f;

CCRect cellRect(const LayoutCell& cell) {
    return CCRect(static_cast<float>(cell.x), static_cast<float>(cell.y), static_cast<float>(cell.width),
                  static_cast<float>(cell.height));
}
}  // namespace

WindowPool::WindowPool(CCNode* parent, StockButtonPanel* strip, std::function<CCRect()> chartArea)
    : parent_(parent), strip_(strip), chartArea_(std::move(chartArea)) {}

WindowPool::~WindowPool() {
    for (StockWindow* window : windows_) {
        window->setDelegate(nullptr);
        window->release();
    }
}

void WindowPool::adopt(StockWindow* window, int number) {
    window->retain();
    window->setAnchorPoint(CCPointZero);
    window->setTag(number);
    window->setShown(false);
    parent_->addChild(window, Z_WINDOWS);
    windows_.push_back(window);
}

std::vector<StockWindow*> WindowPool::shownWindows() const {
    std::vector<StockWindow*> shown;
    for (StockWindow* window : windows_)
        if (window->isShown()) shown.push_back(window);
    return shown;
}

StockWindow* WindowPool::firstHidden() const {
    auto hidden =
        std::find_if(windows_.begin(), windows_.end(), [](StockWindow* w) { return !w->isShown(); });
    return hidden == windows_.end() ? nullptr : *hidden;
}

bool WindowPool::layoutFits(int k) const {
    if (k < 0 || k >= layout_grid::LAYOUT_COUNT) return false;
    return static_cast<int>(layout_grid::shapeOf(k).cells.size()) >= shownCount_;
}

// ---- layout

void WindowPool::applyLayout(bool rebuild) {
    if (layoutType_ < 0) return;
    LayoutShape shape = layout_grid::shapeOf(layoutType_);
    if (!rebuild && !cells_.empty()) shape.cells = std::move(cells_);
    layout_grid::placeCells(shape, chartArea_());
    cells_ = std::move(shape.cells);

    size_t next = 0;
    for (StockWindow* window : windows_) {
        if (!window->isShown()) continue;
        if (next < cells_.size()) {
            const LayoutCell& cell = cells_[next++];
            if (maximisedMode_) {
                // The maximised window keeps the whole area; the others wait, hidden, for its return.
                if (window->isMaximised()) {
                    fitToChartArea(window);
                } else {
                    placeWindow(window, cellRect(cell), false);
                    window->setVisible(false);
                }
                continue;
            }
            // Windows already on screen glide to their new cells; the others appear there.
            placeWindow(window, cellRect(cell), animateLayout_ && window->isVisible());
            window->setVisible(true);
        } else {
            window->setVisible(false);
        }
    }
}

bool WindowPool::chooseLayout(int k, bool animated) {
    if (k < 0 || k >= layout_grid::LAYOUT_COUNT) return false;
    if (k == layoutType_) return false;
    if (!layoutFits(k)) {
        logInfo("layout %d has too few cells for %d windows: kept layout %d", k + 1, shownCount_,
                layoutType_ + 1);
        return false;
    }
    layoutType_ = k;
    if (maximisedMode_) {
        for (StockWindow* window : windows_) window->setMaximised(false);
        maximisedMode_ = false;
    }
    animateLayout_ = animated;
    applyLayout(true);
    animateLayout_ = false;
    return true;
}

void WindowPool::fitToChartArea(StockWindow* window, bool animate) {
    placeWindow(window, chartArea_(), animate && window->isVisible());
    window->setVisible(true);
}

void WindowPool::fitMaximisedToArea() {
    if (!maximisedMode_) return;
    for (StockWindow* window : windows_)
        if (window->isShown() && window->isMaximised()) fitToChartArea(window);
}

void WindowPool::placeWindow(StockWindow* window, const CCRect& rect, bool animate) {
    // A later placement wins over a glide still under way.
    window->stopActionByTag(LAYOUT_GLIDE_TAG);
    const CCRect from(window->getPositionX(), window->getPositionY(), window->getContentSize().width,
                      window->getContentSize().height);
    ExScaleWindows* glide = nullptr;
    if (animate && !from.equals(rect))
        glide = ExScaleWindows::create(LAYOUT_GLIDE_SECONDS, from, rect,
                                       [window](const CCPoint& position, const CCSize& size) {
                                           window->setPosition(position);
                                           window->setWindowSize(size.width, size.height);
                                       });
    if (!glide) {
        window->setPosition(rect.origin);
        window->setWindowSize(rect.size.width, rect.size.height);
        return;
    }
    glide->setTag(LAYOUT_GLIDE_TAG);
    window->runAction(glide);
}

// ---- windows

void WindowPool::moveToEndOfShown(StockWindow* window) {
    // Window order follows the strip: a window that joins takes the place after the shown ones.
    auto found = std::find(windows_.begin(), windows_.end(), window);
    if (found == windows_.end()) return;
    windows_.erase(found);
    auto hidden =
        std::find_if(windows_.begin(), windows_.end(), [](StockWindow* w) { return !w->isShown(); });
    windows_.insert(hidden, window);
}

void WindowPool::setSingleWindowState() {
    for (StockWindow* window : windows_)
        if (window->isShown()) window->setSingleWindow(shownCount_ == 1);
}

StockWindow* WindowPool::add(const std::string& code, bool activate, StockWindow* target) {
    StockWindow* window = target ? target : firstHidden();
    if (!window) return nullptr;
    StockInfo* info = StockData::getInstance()->findStock(code);
    if (!info) logInfo("failed to add stock[%s], info not found!!!!", code.c_str());
    const std::string displayName = info ? info->getName() : code;

    if (target) {
        target->setStock(code, displayName);
        if (strip_)
            if (StockButton* button = strip_->buttonOf(target)) button->setDisplayName(displayName);
    } else {
        moveToEndOfShown(window);
        window->setStock(code, displayName);
        if (strip_) {
            if (StockButton* button = strip_->addButton(window, displayName)) window->setLinkedButton(button);
        }
        ++shownCount_;
        window->setShown(true);
        setSingleWindowState();
    }
    if (activate) this->activate(window);
    return window;
}

void WindowPool::layOutNewWindow() {
    // A new window needs a cell: the chosen layout stays while it has a free one.
    if (!layoutFits(layoutType_)) layoutType_ = layout_grid::layoutForWindowCount(shownCount_);
    applyLayout(true);
}

bool WindowPool::close(StockWindow* window) {
    if (!window || !window->isShown() || shownCount_ <= 1) return false;
    const bool wasMaximised = maximisedMode_ && window->isMaximised();
    if (strip_)
        if (StockButton* button = strip_->buttonOf(window)) strip_->removeButton(button);
    window->setLinkedButton(nullptr);
    window->setMaximised(false);
    window->setActive(false);
    window->setShown(false);
    --shownCount_;
    // Closed windows go to the end of the pool, behind every shown one.
    windows_.erase(std::find(windows_.begin(), windows_.end(), window));
    windows_.push_back(window);
    if (selected_ == window) selected_ = nullptr;
    if (wasMaximised) maximisedMode_ = false;
    setSingleWindowState();
    layoutType_ = layout_grid::layoutForWindowCount(shownCount_);
    applyLayout(true);
    if (!selected_) {
        std::vector<StockWindow*> shown = shownWindows();
        if (!shown.empty()) activate(shown.front());
    }
    return true;
}

void WindowPool::activate(StockWindow* window) {
    if (!window) {
        logInfo("select window error!!!");
        return;
    }
    if (window == selected_) {
        window->setActive(true);
        return;
    }
    StockWindow* previous = selected_;
    if (previous) previous->setActive(false);
    window->setActive(true);
    selected_ = window;
    if (maximisedMode_ && previous && previous->isMaximised()) {
        previous->setMaximised(false);
        previous->setVisible(false);
        maximise(window);
    }
}

void WindowPool::maximise(StockWindow* window) {
    if (!window) {
        logInfo("error no selected windows:::::::::");
        return;
    }
    parent_->reorderChild(window, Z_MAXIMISED_WINDOW);
    for (StockWindow* other : windows_)
        if (other != window && other->getZOrder() == Z_MAXIMISED_WINDOW)
            parent_->reorderChild(other, Z_WINDOWS);
    if (!maximisedMode_) return;
    window->setMaximised(true);
    fitToChartArea(window, animateLayout_);
    int hidden = 0;
    for (StockWindow* other : windows_) {
        if (other == window || !other->isVisible()) continue;
        other->setVisible(false);
        ++hidden;
    }
    logInfo("hide:%d", hidden);
}

bool WindowPool::toggleMaximise(StockWindow* window) {
    if (!window || !window->isShown()) {
        logInfo("got error!!!!!!!!!!");
        return false;
    }
    animateLayout_ = true;
    if (maximisedMode_ && window->isMaximised()) {
        maximisedMode_ = false;
        window->setMaximised(false);
        applyLayout(false);
    } else {
        for (StockWindow* other : windows_) other->setMaximised(false);
        maximisedMode_ = true;
        activate(window);
        maximise(window);
    }
    animateLayout_ = false;
    return true;
}

void WindowPool::reorder(const std::vector<StockWindow*>& order) {
    std::vector<StockWindow*> reordered;
    for (StockWindow* window : order)
        if (std::find(windows_.begin(), windows_.end(), window) != windows_.end())
            reordered.push_back(window);
    for (StockWindow* window : windows_)
        if (std::find(reordered.begin(), reordered.end(), window) == reordered.end())
            reordered.push_back(window);
    windows_ = reordered;
    applyLayout(false);
}

// ---- settings

bool WindowPool::restoreWindows(const UserData& settings) {
    bool restored = false;
    for (const WindowSetting& saved : settings.getWindows()) {
        if (!StockData::getInstance()->findStock(saved.code)) continue;
        StockWindow* window = firstHidden();
        if (!window) break;
        window->setChartType(saved.chartType);
        window->setTimeType(saved.timeTypeIndex, false);
        window->setZoom(saved.zoom);
        window->clearIndicators();
        for (const IndicatorPane& pane : saved.panes) window->addIndicator(pane.type, pane.heightRatio);
        if (add(saved.code, false, nullptr)) restored = true;
    }
    if (!restored) return false;
    layoutType_ = std::clamp(settings.getLayoutType(), 0, layout_grid::LAYOUT_COUNT - 1);
    // A saved layout with fewer cells than windows would hide some of them (a damaged or hand-made
    // file: the chooser never offers one).
    if (!layoutFits(layoutType_)) {
        const int widened = layout_grid::layoutForWindowCount(shownCount_);
        logInfo("saved layout %d has too few cells for %d windows: using layout %d", layoutType_ + 1,
                shownCount_, widened + 1);
        layoutType_ = widened;
    }
    applyLayout(true);
    activate(shownWindows().front());
    return true;
}

void WindowPool::restoreMaximised(const UserData& settings) {
    if (!settings.getWindowMaximised()) return;
    for (StockWindow* window : shownWindows()) {
        if (window->getCode() == settings.getMaximisedCode() &&
            window->getLoader()->getTtype() == settings.getMaximisedPeriod()) {
            maximisedMode_ = true;
            activate(window);
            maximise(window);
            break;
        }
    }
}

void WindowPool::captureInto(UserData& settings) const {
    std::vector<const LayoutWindowSource*> sources;
    StockWindow* maximised = nullptr;
    for (StockWindow* window : shownWindows()) {
        sources.push_back(window);
        if (maximisedMode_ && window->isMaximised()) maximised = window;
    }
    settings.saveLayout(sources, std::max(0, layoutType_));
    settings.setWindowMaximised(maximised != nullptr);
    if (maximised) {
        settings.setMaximisedCode(maximised->getCode());
        settings.setMaximisedPeriod(maximised->getLoader()->getTtype());
    }
}

void WindowPool::setCrosshair(bool show) {
    for (StockWindow* window : windows_)
        if (window->getChart()) window->getChart()->setShowCrosshair(show);
}

void WindowPool::redrawShown() {
    for (StockWindow* window : windows_)
        if (window->isShown() && window->getChart()) window->getChart()->markForRedraw();
}
