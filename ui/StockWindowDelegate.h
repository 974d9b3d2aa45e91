#pragma once

#include <string>

#include "CCGeometry.h"

class StockWindow;

// What a chart window asks of the main scene: its choosers and pop-ups, closing, maximising and
// activating it. Points are in world coordinates. Main thread only.
class StockWindowDelegate {
public:
    virtual ~StockWindowDelegate() = default;

    virtual void openStockChooser(StockWindow* window, const cocos2d::CCPoint& at) = 0;
    // The chooser is anchored at its top-left corner.
    virtual void openTimeTypeChooser(StockWindow* window, const cocos2d::CCPoint& at) = 0;
    // Toolbar tags: 1 chart type, 2 drawing tools, 3 indicators, 4 time type.
    virtual void openToolbarPopup(StockWindow* window, int tag, const cocos2d::CCPoint& at) = 0;
    virtual void closeWindow(StockWindow* window) = 0;
    virtual void toggleMaximise(StockWindow* window) = 0;
    virtual void activateWindow(StockWindow* window) = 0;
    // A double click on a chart: every chart window shows (or hides) its crosshair.
    virtual void setCrosshairInAllWindows(bool show) = 0;
    // A piece of week history was merged into this window's series.
    virtual void weekHistoryMerged(StockWindow* window) = 0;
    // The history server for the next history-list request; empty means the built-in one.
    virtual std::string getKlineHistoryServer() = 0;
    // The window's chart wants the text of its text-edit tool typed, with this text to start from; at
    // is the tool's point. The chart's finishTextEdit ends it. Without an input the edit is cancelled.
    virtual void openDrawingTextInput(StockWindow* window, const cocos2d::CCPoint& at,
                                      const std::string& text) = 0;
    // The time under the pointer in the window's chart changed; 0: the pointer left it.
    virtual void crosshairMoved(StockWindow* /*window*/, long long /*time*/) {}
    // Saves the window's picture (chart, panes, title and quote panel) as a PNG.
    virtual void saveChartImage(StockWindow* window) = 0;
    // Price alerts from the window's chart: one placed at a price, one dragged, one removed.
    virtual void placePriceAlert(StockWindow* /*window*/, double /*price*/) {}
    virtual void movePriceAlert(StockWindow* /*window*/, int /*id*/, double /*price*/) {}
    virtual void removePriceAlert(int /*id*/) {}
};
