#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "AddStockPanelDelegate.h"
#include "BottomPanel.h"
#include "CCHttpRequest.h"
#include "CCNode.h"
#include "ChartChooserDelegate.h"
#include "FramePanelDelegate.h"
#include "KeyShortcuts.h"
#include "LayoutGrid.h"
#include "LayoutPanelDelegate.h"
#include "LeftPanel.h"
#include "MarketStream.h"
#include "MarketStreamListener.h"
#include "NewsStream.h"
#include "PopupChoosers.h"
#include "StockButtonPanelDelegate.h"
#include "StockWindowDelegate.h"
#include "Toast.h"
#include "TopPanel.h"
#include "TypeToSwitch.h"
#include "WindowPool.h"

namespace cocos2d {
class CCLayerColor;
}  // namespace cocos2d
class AddStockPanel;
class CStockPanel;
class IndicatorPanel;
class LayoutPanel;
class LeftPaneMaster;
class ReconnectPanel;
class SelectChartTypePanel;
class SettingPanel;
class SelectTimePanel;
class SIOClient;
class StockButtonPanel;
class DrawingStore;
class PriceAlerts;
struct PriceAlert;
class StockWindow;
class TipFrameLabel;

// The terminal's main layer: the frame bars, the nine chart windows in one of 23 layouts (a
// WindowPool), the window strip, the pop-ups and the keys, and the live market stream (a
// MarketStream, whose listener it is). It subscribes quotes for every instrument on screen and live
// bars for every shown window, and hands what arrives to the windows. The stream and window
// operations below keep their names for the rest of the program and forward to those two.
//
// A singleton that lives until the process ends (tests replace and destroy it). Everything runs on the
// main thread: the HTTP and socket layers deliver their results there.
class WorldScene : public cocos2d::CCLayer,
                   public MarketStreamListener,
                   public StockWindowDelegate,
                   public StockButtonPanelDelegate,
                   public LayoutPanelDelegate,
                   public ChartChooserDelegate,
                   public AddStockPanelDelegate,
                   public FramePanelDelegate {
public:
    static constexpr int WINDOW_COUNT = WindowPool::WINDOW_COUNT;
    static constexpr float RETRY_SECONDS = 3.0f;
    static constexpr float SAVE_INTERVAL_SECONDS = 300.0f;
    static constexpr float TOP_BAR_HEIGHT = TopPanel::HEIGHT;
    static constexpr float BOTTOM_BAR_HEIGHT = BottomPanel::HEIGHT;
    static constexpr float LEFT_BAR_WIDTH = LeftPanel::WIDTH;
    static constexpr int Z_WINDOWS = WindowPool::Z_WINDOWS;
    static constexpr int Z_MAXIMISED_WINDOW = WindowPool::Z_MAXIMISED_WINDOW;
    static constexpr int Z_LEFT_PANE = 49;
    static constexpr int Z_FRAME_BARS = LeftPanel::Z_ORDER;
    static constexpr int Z_TOP_BAR = TopPanel::Z_ORDER;
    static constexpr int Z_DIM = 120;
    static constexpr int Z_POPUPS = 128;
    static constexpr int Z_RECONNECT = 299;
    static constexpr int Z_TIP = 990;
    static constexpr int Z_TOAST = Toast::Z_TOAST;
    // After the choosers (-9) and their buttons (-10), before everything else.
    static constexpr int OUTSIDE_CLICK_PRIORITY = -8;
    static constexpr const char* DEFAULT_SYMBOL = "AUDJPY";

    // Creates and initialises the layer on first use.
    static WorldScene* getInstance();
    // The layer when it exists, without creating it.
    static WorldScene* existingInstance();
    // Tests make their own kind of scene; the factory is used by the next getInstance.
    static void setFactory(std::function<WorldScene*()> factory);
    // Releases the layer (tests only: the program keeps it until it ends).
    static void destroyInstance();

    ~WorldScene() override;
    bool init() override;
    void update(float dt) override;
    // A click outside the open choosers closes them (and does nothing else).
    void registerWithTouchDispatcher() override;
    bool ccTouchBegan(cocos2d::CCTouch* touch, cocos2d::CCEvent* event) override;

    // --- start-up
    void onStartupReady();
    void dismissConnectingLayer();
    void onWindowResized(float width, float height);
    void setForeground(bool foreground);
    bool isForeground() const { return foreground_; }
    // Every shown window's chart is drawn afresh (after the program comes back to the foreground).
    void redrawShownWindows();
    // Captures the shown windows and the layout into the settings (written by the next save).
    void captureLayout();
    // Whether layout k (0-based) has a cell for every shown window.
    bool layoutFits(int k) const;
    // Stores the left pane's page switches and saves the settings file.
    void savePanelSwitches();
    void saveSettingsTick(float dt);

    // --- the stock stream (forwards to the MarketStream)
    MarketStream* getMarketStream() const { return stream_; }
    // The quote subscription: the left pane's instruments, the add-instrument chooser's, and every
    // shown window's, in that order.
    void setAdvSubscription();
    // The K-line subscription: code and time type of every shown window, in window order.
    void setKlineSubscription();
    void recvAdvancedEvent(SIOClient* client, const std::string& data) {
        stream_->recvAdvancedEvent(client, data);
    }
    void recvKLineEvent(SIOClient* client, const std::string& data) { stream_->recvKLineEvent(client, data); }
    // Routed by client: the news client's callbacks never reach the stock stream, nor the reverse.
    void onClose(SIOClient* client);
    void onError(SIOClient* client, const std::string& data);
    std::string getKlineHistoryServer() override { return stream_->getKlineHistoryServer(); }
    void GetKlineSocketServerListCallback(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response) {
        stream_->GetKlineSocketServerListCallback(client, response);
    }
    bool applyStockList(const std::string& body, bool fromCache) {
        return stream_->applyStockList(body, fromCache);
    }

    // --- the news stream (forwards to the NewsStream)
    NewsStream* getNewsStream() const { return news_; }
    void getNewsServer() { news_->getNewsServer(); }
    void connectNewsSocket(float retryDelay) { news_->connectNewsSocket(retryDelay); }
    void recvNewsEvent(SIOClient* client, const std::string& data) { news_->recvNewsEvent(client, data); }
    void getNewsHistoryServerList() { news_->getNewsHistoryServerList(); }
    void getHistoryNews() { news_->getHistoryNews(); }
    void getHistoryNewsCallback(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response) {
        news_->getHistoryNewsCallback(client, response);
    }
    static std::string stripTags(const std::string& text);

    // --- what the stream reports
    void marketConnected(bool first) override;
    void marketLost(int64_t disconnectTime) override;
    void quoteArrived(const market_messages::Quote& quote) override;
    void barArrived(const market_messages::LiveBar& bar) override;
    void instrumentListApplied(bool first) override;
    void historyServersUnreachable() override;

    // --- windows (forwards to the WindowPool)
    // Adds a window for code (or switches target to it); null when all nine are open.
    StockWindow* addStockWindow(const std::string& code, const cocos2d::CCPoint& position, bool activate,
                                StockWindow* target);
    void activateWindow(StockWindow* window) override;
    void maximiseWindow(StockWindow* window);
    void toggleMaximise(StockWindow* window) override;
    void closeWindow(StockWindow* window) override;
    // Lays the shown windows out in the current layout; rebuild takes the cells afresh from the table.
    void applyLayout(bool rebuild);
    void restoreLayout();
    void showToast(const std::string& text, const cocos2d::ccColor3B& colour, float seconds);
    // The settings pop-up over the dim layer, made on first use.
    void showSettingPanel() override;

    // --- what the panels ask
    void openStockChooser(StockWindow* window, const cocos2d::CCPoint& at) override;
    void openTimeTypeChooser(StockWindow* window, const cocos2d::CCPoint& at) override;
    void openToolbarPopup(StockWindow* window, int tag, const cocos2d::CCPoint& at) override;
    void openDrawingTextInput(StockWindow* window, const cocos2d::CCPoint& at,
                              const std::string& text) override;
    void setCrosshairInAllWindows(bool show) override;
    void weekHistoryMerged(StockWindow* window) override;
    void windowsReordered(const std::vector<StockWindow*>& order) override;
    bool canDragButtons() override;
    void openChooser(int tag, float x, float y) override;
    void applyLayout(int layout, bool animated) override;
    void saveWindowLayout() override;
    void renewKLineSubscriptions() override { setKlineSubscription(); }
    StockWindow* addStockWindow(const std::string& symbol, const cocos2d::CCPoint& at,
                                StockWindow* target) override;
    void refreshQuoteSubscriptions() override { setAdvSubscription(); }
    void setKeyboardEnabled(bool enabled) override { keyboardEnabled_ = enabled; }
    // The frame bars' feedback button: uploads a copy of the log.
    void sendFeedback() override;
    void toggleLeftPage(int page) override;
    void openLayoutChooserAt(const cocos2d::CCPoint& at) override;
    // Saves the window's picture (the selected one for null) in the pictures folder after the next
    // frame; a toast gives the path or the failure.
    void saveChartImage(StockWindow* window) override;
    void placePriceAlert(StockWindow* window, double price) override;
    void movePriceAlert(StockWindow* window, int id, double price) override;
    void removePriceAlert(int id) override;
    // The other shown windows (of the same instrument or all, as the preference says) mark that time.
    void crosshairMoved(StockWindow* window, long long time) override;
    // The user's price alerts (they fire on the quotes of their instruments, shown or not).
    PriceAlerts* getPriceAlerts() const { return alerts_.get(); }
    // Control+S saves the selected window's picture.
    void keyDown(cocos2d::CCKeyCode key) override;
    // Letters typed over the selected window open its instrument chooser searching for them.
    void openChooserOnTypedLetters(const std::string& letters);

    // --- state, for the application and tests
    bool isKeyboardEnabled() const { return keyboardEnabled_; }
    bool isFirstHistoryPending() const { return firstHistoryPending_; }
    int getShownWindowCount() const { return pool_->shownCount(); }
    int getLayoutType() const { return pool_->layoutType(); }
    bool isMaximisedMode() const { return pool_->isMaximisedMode(); }
    bool isStockConnectedOnce() const { return stream_->isStockConnectedOnce(); }
    bool isStockListLoaded() const { return stream_->isStockListLoaded(); }
    int getStockConnectCount() const { return stream_->getStockConnectCount(); }
    SIOClient* getStockClient() const { return stream_->getStockClient(); }
    StockWindow* getSelectedWindow() const { return pool_->selected(); }
    const std::vector<StockWindow*>& getWindows() const { return pool_->windows(); }
    // The shown windows in window order.
    std::vector<StockWindow*> getShownWindows() const { return pool_->shownWindows(); }
    const std::vector<LayoutCell>& getLayoutCells() const { return pool_->cells(); }
    const std::vector<std::string>& getHistoryServerList() const { return stream_->getHistoryServerList(); }
    const std::vector<std::string>& getStockServerList() const { return stream_->getStockServerList(); }
    int64_t getLastStockDisconnect() const { return stream_->getLastStockDisconnect(); }
    ReconnectPanel* getReconnectPanel() const { return reconnectPanel_; }
    LeftPaneMaster* getLeftPane() const { return leftPane_; }
    StockButtonPanel* getStrip() const;
    TopPanel* getTopPanel() const { return topPanel_; }
    LeftPanel* getLeftPanel() const { return leftPanel_; }
    BottomPanel* getBottomPanel() const { return bottomPanel_; }
    AddStockPanel* getAddStockPanel() const { return choosers_->addStockPanel(); }
    IndicatorPanel* getIndicatorPanel() const { return choosers_->indicatorPanel(); }
    LayoutPanel* getLayoutPanel() const { return choosers_->layoutPanel(); }
    SelectChartTypePanel* getChartTypePanel() const { return choosers_->chartTypePanel(); }
    SelectTimePanel* getTimePanel() const { return choosers_->timePanel(); }
    // Null until first shown.
    SettingPanel* getSettingPanel() const { return settingPanel_; }
    int getStartupReadyRuns() const { return startupReadyRuns_; }
    bool isReconnectScheduled() const { return stream_->isReconnectScheduled(); }
    // The chart area for the current window size and left pane.
    cocos2d::CCRect getChartArea() const;

protected:
    WorldScene();

    // Seams for tests: how windows and the market stream are made.
    virtual StockWindow* createWindow(int number);
    virtual MarketStream* createMarketStream();
    virtual NewsStream* createNewsStream();
    // The network steps of start-up, each after its delay.
    virtual void startNetworkSteps();
    // The crash handler at the start of init and the upload of earlier dumps at its end.
    virtual bool handlesCrashes() const { return true; }

private:
    void createFrameBars();
    void createPanels();
    void leftPageChanged();
    void createWindows();
    void reconnectStep();
    void rebuildInstrumentPanels();
    void installTipDisplay();

    bool foreground_ = true;
    bool firstHistoryPending_ = true;
    bool keyboardEnabled_ = false;
    bool restoringPages_ = false;
    LeftPaneMaster* leftPane_ = nullptr;
    CStockPanel* stockPanel_ = nullptr;
    // A child of the layer, made in init.
    MarketStream* stream_ = nullptr;
    // A child of the layer, made in init; its items go to the left pane's news page.
    NewsStream* news_ = nullptr;
    std::unique_ptr<DrawingStore> drawingStore_;
    std::unique_ptr<PriceAlerts> alerts_;
    // What each window's chart was last given of the alerts: its instrument and the list's revision.
    std::map<StockWindow*, std::pair<std::string, unsigned>> alertViews_;
    void showAlertLevels();
    // Where a new or moved alert of the window's instrument starts from: the last quote, else the
    // newest bar's close.
    double lastPriceOf(StockWindow* window) const;
    std::unique_ptr<WindowPool> pool_;
    ReconnectPanel* reconnectPanel_ = nullptr;
    std::unique_ptr<KeyShortcuts> keys_;
    std::unique_ptr<TypeToSwitch> typing_;
    int startupReadyRuns_ = 0;
    TopPanel* topPanel_ = nullptr;
    LeftPanel* leftPanel_ = nullptr;
    BottomPanel* bottomPanel_ = nullptr;
    cocos2d::CCLayerColor* dim_ = nullptr;
    TipFrameLabel* tip_ = nullptr;
    std::unique_ptr<PopupChoosers> choosers_;
    SettingPanel* settingPanel_ = nullptr;
    cocos2d::CCSize windowSize_;
};
