#pragma once

#include <functional>
#include <string>

#include "CCGeometry.h"

namespace cocos2d {
class CCNode;
}
class AddStockPanel;
class AddStockPanelDelegate;
class InputDrawingTextPanel;
class ChartChooserDelegate;
class IndicatorPanel;
class LayoutPanel;
class LayoutPanelDelegate;
class PopuPanelBase;
class SelectChartTypePanel;
class SelectDrawingToolPanel;
class SelectTimePanel;
class StockWindow;

// The main scene's pop-up choosers (layout, chart type, time type, add instrument, indicators,
// drawing tools) and the drawing tools' text input: made once, hidden, as children of the scene; opened one
// at a time, anchored at their top-left corner and kept inside the window. A chooser that could not be made
// is left out. Main thread only.
class PopupChoosers {
public:
    // windowSize gives the current window size, asked afresh whenever a chooser opens.
    PopupChoosers(cocos2d::CCNode* parent, int zOrder, LayoutPanelDelegate* layouts,
                  ChartChooserDelegate* charts, AddStockPanelDelegate* instruments,
                  std::function<cocos2d::CCSize()> windowSize);

    LayoutPanel* layoutPanel() const { return layoutPanel_; }
    SelectChartTypePanel* chartTypePanel() const { return chartTypePanel_; }
    SelectTimePanel* timePanel() const { return timePanel_; }
    AddStockPanel* addStockPanel() const { return addStockPanel_; }
    IndicatorPanel* indicatorPanel() const { return indicatorPanel_; }
    SelectDrawingToolPanel* drawingToolPanel() const { return drawingToolPanel_; }
    InputDrawingTextPanel* textPanel() const { return textPanel_; }

    // The add-instrument chooser for a window (null: a new window).
    void openStockChooser(StockWindow* window, const cocos2d::CCPoint& at);
    void openTimeTypeChooser(StockWindow* window, const cocos2d::CCPoint& at);
    // Toolbar tags as StockWindow names them.
    void openToolbarPopup(StockWindow* window, int tag, const cocos2d::CCPoint& at);
    // The text input for the window's chart, just under at.
    void openTextInput(StockWindow* window, const cocos2d::CCPoint& at, const std::string& text);
    // Offers only the layouts (0-based) that fits accepts, with current (0-based) marked.
    void openLayoutChooser(const cocos2d::CCPoint& at, const std::function<bool(int)>& fits, int current);
    // A click at location outside every open chooser closes them all; true when it did.
    static bool closeOnClickOutside(const cocos2d::CCPoint& location);

private:
    void place(PopuPanelBase* panel, const cocos2d::CCPoint& topLeft);

    std::function<cocos2d::CCSize()> windowSize_;
    LayoutPanel* layoutPanel_ = nullptr;
    SelectChartTypePanel* chartTypePanel_ = nullptr;
    SelectTimePanel* timePanel_ = nullptr;
    AddStockPanel* addStockPanel_ = nullptr;
    IndicatorPanel* indicatorPanel_ = nullptr;
    SelectDrawingToolPanel* drawingToolPanel_ = nullptr;
    InputDrawingTextPanel* textPanel_ = nullptr;
};
