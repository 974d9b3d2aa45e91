#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CCGeometry.h"
#include "LayoutGrid.h"

namespace cocos2d {
class CCNode;
}
class StockButtonPanel;
class StockWindow;
class UserData;

// The nine chart windows of the main scene: their order (the strip's order, shown windows first),
// the cells of the current layout, the selected window and the maximised one. Windows are never
// made or destroyed after start-up: closing one hides it and puts it at the end of the pool.
//
// The pool keeps a reference to every window; they are children of the parent node it is given,
// which outlives the pool. The strip, when there is one, gets a button per shown window. Main
// thread only.
class WindowPool {
public:
    static constexpr int WINDOW_COUNT = 9;
    static constexpr int Z_WINDOWS = 10;
    static constexpr int Z_MAXIMISED_WINDOW = 20;
    // The tag of a window's glide into its cell.
    static constexpr int LAYOUT_GLIDE_TAG = 0x1A70;

    // chartArea gives the area the layouts divide, asked afresh on every layout.
    WindowPool(cocos2d::CCNode* parent, StockButtonPanel* strip, std::function<cocos2d::CCRect()> chartArea);
    ~WindowPool();
    WindowPool(const WindowPool&) = delete;
    WindowPool& operator=(const WindowPool&) = delete;

    // Takes a new window in as the given number: hidden, at the end of the pool.
    void adopt(StockWindow* window, int number);

    const std::vector<StockWindow*>& windows() const { return windows_; }
    // The shown windows in window order.
    std::vector<StockWindow*> shownWindows() const;
    int shownCount() const { return shownCount_; }
    StockWindow* selected() const { return selected_; }
    int layoutType() const { return layoutType_; }
    void setLayoutType(int k) { layoutType_ = k; }
    const std::vector<LayoutCell>& cells() const { return cells_; }
    bool isMaximisedMode() const { return maximisedMode_; }
    // Whether layout k (0-based) has a cell for every shown window.
    bool layoutFits(int k) const;

    // Lays the shown windows out in the current layout; rebuild takes the cells afresh from the table.
    void applyLayout(bool rebuild);
    // Layout k (0-based) chosen by the user: false (nothing changes) for the current one or one too
    // small for the shown windows. Leaves maximised mode; shown windows glide when animated.
    bool chooseLayout(int k, bool animated);
    // Shows a window for code (or switches target to it); null, and nothing changes, when all nine
    // are shown and there is no target.
    StockWindow* add(const std::string& code, bool activate, StockWindow* target);
    // Gives a window that has just joined a cell, widening the layout when it has no free one.
    void layOutNewWindow();
    // Hides a shown window (never the last one); false when nothing changed.
    bool close(StockWindow* window);
    void activate(StockWindow* window);
    void maximise(StockWindow* window);
    // Maximises window, or restores the layout when it is the maximised one; false on a hidden window.
    bool toggleMaximise(StockWindow* window);
    // The strip's new order: windows it names come first, in its order.
    void reorder(const std::vector<StockWindow*>& order);
    // A resize: the maximised window fills the new chart area.
    void fitMaximisedToArea();

    // The saved windows that the catalogue knows, their layout and the first of them selected; false
    // when none came back.
    bool restoreWindows(const UserData& settings);
    // The saved maximised window, when one of the shown windows matches it.
    void restoreMaximised(const UserData& settings);
    // The shown windows, layout and maximised window into the settings (written by the next save).
    void captureInto(UserData& settings) const;

    void setCrosshair(bool show);
    void redrawShown();

private:
    StockWindow* firstHidden() const;
    void setSingleWindowState();
    void moveToEndOfShown(StockWindow* window);
    void fitToChartArea(StockWindow* window, bool animate = false);
    void placeWindow(StockWindow* window, const cocos2d::CCRect& rect, bool animate);

    cocos2d::CCNode* parent_ = nullptr;
    StockButtonPanel* strip_ = nullptr;
    std::function<cocos2d::CCRect()> chartArea_;
    std::vector<StockWindow*> windows_;
    std::vector<LayoutCell> cells_;
    StockWindow* selected_ = nullptr;
    int shownCount_ = 0;
    int layoutType_ = -1;
    bool maximisedMode_ = false;
    // Set while a change the user asked for (a new layout, maximise, restore) is laid out: windows glide.
    bool animateLayout_ = false;
};
