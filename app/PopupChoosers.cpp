#include "PopupChoosers.h"

#include <algorithm>
#include <vector>

#include "AddStockPanel.h"
#include "AddStockPanelDelegate.h"
#include "CCNode.h"
#include "DrawingKLine.h"
#include "IndicatorPanel.h"
#include "InputDrawingTextPanel.h"
#include "LayoutGrid.h"
#include "LayoutPanel.h"
#include "PanelButton.h"
#include "PopuPanelBase.h"
#include "SelectChartTypePanel.h"
#include "SelectDrawingToolPanel.h"
#include "SelectTimePanel.h"
#include "StockWindow.h"

USING_NS_CC;

namespace {
constexpr float TEXT_INPUT_DROP = 20.0f;
}  // namespace

PopupChoosers::PopupChoosers(CCNode* parent, int zOrder, LayoutPanelDelegate* layouts,
                             ChartChooserDelegate* charts, AddStockPanelDelegate* instruments,
                             std::function<CCSize()> windowSize)
    : windowSize_(std::move(windowSize)) {
    auto adopt = [parent, zOrder](PopuPanelBase* panel) {
        if (!panel) return;
        panel->setAnchorPoint(CCPoint(0, 1));
        panel->setVisible(false);
        parent->addChild(panel, zOrder);
    };
    layoutPanel_ = LayoutPanel::create();
    if (layoutPanel_) layoutPanel_->setDelegate(layouts);
    adopt(layoutPanel_);
    chartTypePanel_ = SelectChartTypePanel::create();
    if (chartTypePanel_) chartTypePanel_->setDelegate(charts);
    adopt(chartTypePanel_);
    timePanel_ = SelectTimePanel::create();
    if (timePanel_) timePanel_->setDelegate(charts);
    adopt(timePanel_);
    addStockPanel_ =
        AddStockPanel::create(CCSize(AddStockPanel::DEFAULT_WIDTH, AddStockPanel::DEFAULT_HEIGHT));
    if (addStockPanel_) addStockPanel_->setDelegate(instruments);
    adopt(addStockPanel_);
    indicatorPanel_ = IndicatorPanel::create();
    if (indicatorPanel_) indicatorPanel_->setDelegate(charts);
    adopt(indicatorPanel_);
    drawingToolPanel_ = SelectDrawingToolPanel::create();
    adopt(drawingToolPanel_);
    textPanel_ = InputDrawingTextPanel::create();
    if (textPanel_)
        textPanel_->setKeyboardSwitch([instruments](bool on) {
            if (instruments) instruments->setKeyboardEnabled(on);
        });
    adopt(textPanel_);
}

void PopupChoosers::place(PopuPanelBase* panel, const CCPoint& topLeft) {
    // One chooser at a time: opening one closes the others.
    std::vector<PopuPanelBase*> open = PopuPanelBase::getOpenPopups();
    for (PopuPanelBase* other : open)
        if (other != panel && other->isShown()) other->hide();
    const CCSize window = windowSize_();
    const CCSize size = panel->getContentSize();
    const float x = std::clamp(topLeft.x, 0.0f, std::max(0.0f, window.width - size.width));
    const float y = std::clamp(topLeft.y, std::min(size.height, window.height), window.height);
    panel->setPosition(CCPoint(x, y));
}

void PopupChoosers::openStockChooser(StockWindow* window, const CCPoint& at) {
    if (!addStockPanel_) return;
    addStockPanel_->setTargetWindow(window);
    place(addStockPanel_, at);
    addStockPanel_->show();
}

void PopupChoosers::openTimeTypeChooser(StockWindow* window, const CCPoint& at) {
    if (!timePanel_) return;
    place(timePanel_, at);
    timePanel_->showForWindow(window);
}

void PopupChoosers::openToolbarPopup(StockWindow* window, int tag, const CCPoint& at) {
    switch (tag) {
        case StockWindow::TOOLBAR_CHART_TYPE:
            if (chartTypePanel_) {
                place(chartTypePanel_, at);
                chartTypePanel_->showForWindow(window);
            }
            break;
        case StockWindow::TOOLBAR_INDICATORS:
            if (indicatorPanel_) {
                indicatorPanel_->setTargetWindow(window);
                place(indicatorPanel_, at);
                indicatorPanel_->show();
            }
            break;
        case StockWindow::TOOLBAR_TIME_TYPE:
            openTimeTypeChooser(window, at);
            break;
        case StockWindow::TOOLBAR_DRAWING_TOOLS:
            // Pressed again while a picked tool waits for its points: the placement is cancelled.
            if (window && window->getChart() && window->getChart()->getCreatingTool()) {
                window->getChart()->startTool(0);
                window->clearToolbarSelection();
            } else if (drawingToolPanel_) {
                place(drawingToolPanel_, at);
                drawingToolPanel_->showForWindow(window);
            }
            break;
        default:
            break;
    }
}

void PopupChoosers::openTextInput(StockWindow* window, const CCPoint& at, const std::string& text) {
    if (!textPanel_ || !window || !window->getChart()) {
        if (window && window->getChart()) window->getChart()->finishTextEdit(false, std::string());
        return;
    }
    // Under the point: the text's frame grows up and to the side from it.
    place(textPanel_, CCPoint(at.x, at.y - TEXT_INPUT_DROP));
    textPanel_->openFor(window->getChart(), text);
}

void PopupChoosers::openLayoutChooser(const CCPoint& at, const std::function<bool(int)>& fits, int current) {
    if (!layoutPanel_) return;
    for (int k = 0; k < layout_grid::LAYOUT_COUNT; ++k) layoutPanel_->setLayoutAvailable(k + 1, fits(k));
    layoutPanel_->setCurrentLayout(current + 1);
    place(layoutPanel_, at);
    layoutPanel_->show();
}

bool PopupChoosers::closeOnClickOutside(const CCPoint& location) {
    const std::vector<PopuPanelBase*> open = PopuPanelBase::getOpenPopups();
    if (open.empty() || PopuPanelBase::openPopupAt(location)) return false;
    for (PopuPanelBase* panel : open)
        if (panel->isShown()) panel->hide();
    return true;
}
