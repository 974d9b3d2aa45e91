#pragma once

#include <string>
#include <vector>

#include "CCSprite.h"
#include "ChartViewOwner.h"
#include "IndicatorPaneStack.h"
#include "KLineChartHost.h"
#include "LayoutWindowSource.h"
#include "QuotePanel.h"
#include "WindowDecorations.h"
#include "WindowTitle.h"
#include "WindowToolbar.h"

namespace cocos2d {
class CCLabelTTF;
}  // namespace cocos2d
class DrawingKLine;
class IndicatorBase;
class KLineHistoryLoader;
class LinkedWindowButton;
class NumberAtlasLabel;
class PanelButton;
class PanelToggleButton;
class StockWindowDelegate;

// One chart window of the main scene: one instrument at one time type, with the K-line chart view,
// the indicator panes stacked under it (IndicatorPaneStack), the title buttons and the hover
// read-out (WindowTitle), a four-button toolbar (WindowToolbar), the close and maximise buttons and
// a right panel with the latest quote (QuotePanel). The window joins them: it lays them out, feeds
// them and hands their clicks to the main scene.
//
// The window owns its history loader (a child node, so its per-frame step runs while the window is
// in the scene; shut down when the window goes), and through it the bar series; the chart view and
// the panes read the series' bars. The loader reaches the window as its KLineChartHost and the chart
// view directly as its KLineChartView. The delegate (the main scene) and the linked quote-list button
// are not owned and may be null. Main thread only.
class StockWindow : public cocos2d::CCSprite,
                    public KLineChartHost,
                    public ChartViewOwner,
                    public LayoutWindowSource {
public:
    static constexpr int TOOLBAR_CHART_TYPE = WindowToolbar::CHART_TYPE;
    static constexpr int TOOLBAR_DRAWING_TOOLS = WindowToolbar::DRAWING_TOOLS;
    static constexpr int TOOLBAR_INDICATORS = WindowToolbar::INDICATORS;
    static constexpr int TOOLBAR_TIME_TYPE = WindowToolbar::TIME_TYPE;
    static constexpr int TOOLBAR_CHART_IMAGE = WindowToolbar::CHART_IMAGE;
    static constexpr int TOOLBAR_PRICE_ALERT = WindowToolbar::PRICE_ALERT;
    static constexpr int TOOLBAR_BUTTON_COUNT = WindowToolbar::BUTTON_COUNT;
    static constexpr int MAX_TIME_TYPE_INDEX = 8;
    // Panes together never take more than this share of the window, so the chart keeps some room.
    static constexpr float MAX_TOTAL_PANE_SHARE = IndicatorPaneStack::MAX_TOTAL_SHARE;

    // Null when a node cannot be made (a missing image).
    static StockWindow* create(const std::string& displayName, const cocos2d::CCSize& size);
    ~StockWindow() override;

    void setDelegate(StockWindowDelegate* delegate) { delegate_ = delegate; }
    void setLinkedButton(LinkedWindowButton* button);
    LinkedWindowButton* getLinkedButton() const { return linkedButton_; }

    // --- what the main scene and the panels call
    void setStock(const std::string& symbol, const std::string& displayName);
    // Indices above 8 are ignored.
    void setTimeType(int index, bool fetch);
    void setChartType(int type);
    void setZoom(float zoom);
    // Lays the window out for this size.
    void setWindowSize(float width, float height);
    void setActive(bool active);
    void setMaximised(bool maximised);
    void setShown(bool shown);
    void setRightPanelVisible(bool visible);
    bool isRightPanelVisible() const;
    void updateKLine(uint32_t time, float open, float high, float low, float close, int32_t volume);
    void showQuote(float reference, float high, float low, float last);
    void setRiseGreen(bool riseGreen);
    void setBollPeriodIndex(int index);
    // Adds a pane (types 2 to 5) or, for type 1, switches the MA lines on; each type at most once.
    // heightRatio is the pane's share of the window's height. False when nothing was added.
    bool addIndicator(int type, float heightRatio);
    // Takes away the MA lines and every pane.
    void clearIndicators();
    // The only window on screen cannot be closed: its close button (and the maximise button on it) hides.
    void setSingleWindow(bool single);
    bool isSingleWindow() const { return singleWindow_; }
    // Screen point inside the window (the right panel's strip excluded while it is shown).
    bool IsPointOnMe(float x, float y) override;

    // --- state
    const std::string& getDisplayName() const { return displayName_; }
    bool isActive() const { return active_; }
    bool isMaximised() const { return maximised_; }
    bool getRiseGreen() const;
    bool isShowMA() const { return showMA_; }
    DrawingKLine* getChart() const { return chart_; }
    KLineHistoryLoader* getLoader() const { return loader_; }
    const std::vector<IndicatorBase*>& getIndicators() const { return panes_.getViews(); }
    WindowTitle* getTitle() const { return title_; }
    PanelButton* getStockButton() const { return title_->getStockButton(); }
    PanelButton* getTimeTypeButton() const { return title_->getTimeTypeButton(); }
    PanelButton* getCloseButton() const { return closeButton_; }
    PanelToggleButton* getMaximiseButton() const { return maximiseButton_; }
    PanelToggleButton* getToolbarButton(int tag) const;
    // No toolbar button pressed; the popups call it when they close.
    void clearToolbarSelection();
    QuotePanel* getRightPanel() const { return quotePanel_; }
    cocos2d::CCScale9Sprite* getRedFrame() const { return quotePanel_->getRedFrame(); }
    cocos2d::CCScale9Sprite* getGreenFrame() const { return quotePanel_->getGreenFrame(); }
    cocos2d::CCLabelTTF* getQuoteTitleLabel() const { return quotePanel_->getTitleLabel(); }
    cocos2d::CCLabelTTF* getStockNameLabel() const { return title_->getNameLabel(); }
    cocos2d::CCLabelTTF* getTimeTypeLabel() const { return title_->getTimeTypeLabel(); }
    NumberAtlasLabel* getLastPriceLabel() const { return quotePanel_->getLastPriceLabel(); }
    NumberAtlasLabel* getChangeLabel() const { return quotePanel_->getChangeLabel(); }
    // Rows 0-3: high, open (the reference), low, close (the last price).
    NumberAtlasLabel* getValueLabel(int row) const { return quotePanel_->getValueLabel(row); }
    // 0 high, 1 open, 2 low, 3 close.
    cocos2d::CCLabelTTF* getHoverLabel(int index) const { return title_->getHoverLabel(index); }
    cocos2d::CCLabelTTF* getMALabel(int index) const { return title_->getMALabel(index); }
    cocos2d::CCSprite* getWorldMap() const { return decorations_.worldMap(); }

    // --- LayoutWindowSource
    bool isShown() const override { return shown_; }
    std::string getCode() const override;
    int getChartType() const override;
    int getTimeTypeIndex() const override;
    float getZoom() const override;
    std::vector<IndicatorPane> getIndicatorPanes() const override;

    // --- ChartViewOwner
    void showBarInfo(const KLineBar* bar) override;
    bool isActiveWindow() const override { return active_; }
    void activateWindow() override;
    void setCrosshairInAllWindows(bool show) override;
    void loadOlderHistory() override;
    void drawingToolPlaced() override;
    void openDrawingTextInput(DrawingBase* tool) override;
    void removeIndicator(int type) override;
    void layoutPanes() override;
    void crosshairTimeChanged(long long time) override;
    void alertPlaced(double price) override;
    void alertMoved(int id, double price) override;
    void alertRemoved(int id) override;

    // --- KLineChartHost
    void updatePriceLabel(const KLineBar& newest) override;
    void redrawLinkedButton() override;
    void setRiseGreenConvention(bool riseGreen) override;
    void updateTitle() override;
    void weekHistoryMerged() override;
    std::string getKlineHistoryServer() override;

protected:
    template <typename T, typename Init, typename... Args>
    friend T* cocos2d::createAutoreleased(Init, Args&&...);
    StockWindow() = default;
    bool initWindow(const std::string& displayName, const cocos2d::CCSize& size);
    // How the loader is made; tests replace it with one whose requests stay local.
    virtual KLineHistoryLoader* createLoader();

private:
    bool buildTitle();
    void layout();
    void placeToolbar();
    void placeHoverLabels();
    void applyUserChartSettings();
    void onToolbarButton(PanelButton* button);
    void onStockButton(PanelButton* button);
    void onTimeTypeButton(PanelButton* button);
    void onCloseButton(PanelButton* button);
    void onMaximiseButton(PanelButton* button);

    StockWindowDelegate* delegate_ = nullptr;
    LinkedWindowButton* linkedButton_ = nullptr;
    KLineHistoryLoader* loader_ = nullptr;
    DrawingKLine* chart_ = nullptr;
    IndicatorPaneStack panes_;

    std::string displayName_;
    bool active_ = false;
    bool maximised_ = false;
    bool shown_ = false;
    bool showMA_ = false;
    bool singleWindow_ = false;
    bool fadeInOnShow_ = false;
    long long shownBarTime_ = -1;
    cocos2d::CCSize windowSize_;
    cocos2d::CCSize sizeBeforeMaximise_;

    WindowDecorations decorations_;
    WindowTitle* title_ = nullptr;
    PanelButton* closeButton_ = nullptr;
    PanelToggleButton* maximiseButton_ = nullptr;
    WindowToolbar toolbar_;
    QuotePanel* quotePanel_ = nullptr;
};
