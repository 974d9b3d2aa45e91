#include "WorldScene.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "AddStockPanel.h"
#include "AlertListPage.h"
#include "AppGlobals.h"
#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CCCommon.h"
#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCFadeOutTRTiles.h"
#include "CCFileUtils.h"
#include "CCKeyboard.h"
#include "CCLayerColor.h"
#include "CCTouch.h"
#include "CCTouchDispatcher.h"
#include "CDebugModule.h"
#include "CStockPanel.h"
#include "ChartImage.h"
#include "ConnectingLayer.h"
#include "CrashHandler.h"
#include "DesktopNotifier.h"
#include "DisplaySwitches.h"
#include "DisplayTimeZone.h"
#include "DrawingKLine.h"
#include "DrawingStore.h"
#include "DrawingSync.h"
#include "DrawingToolbar.h"
#include "KLineBar.h"
#include "KLineHistoryLoader.h"
#include "KeyShortcuts.h"
#include "LanguageTable.h"
#include "LeftPaneMaster.h"
#include "NewsPanel.h"
#include "NewsRecords.h"
#include "PanelButton.h"
#include "PopuPanelBase.h"
#include "PopupChoosers.h"
#include "Preferences.h"
#include "PriceAlerts.h"
#include "ReconnectPanel.h"
#include "Resources.h"
#include "SettingPanel.h"
#include "StatsOverlay.h"
#include "StockButton.h"
#include "StockButtonPanel.h"
#include "StockData.h"
#include "StockInfo.h"
#include "StockWindow.h"
#include "Theme.h"
#include "TipFrameLabel.h"
#include "UpdateClient.h"
#include "UsageReports.h"
#include "UserData.h"

USING_NS_CC;

namespace {
WorldScene* instance = nullptr;

std::function<WorldScene*()>& factory() {
    static std::function<WorldScene*()> make;
    return make;
}

const ccColor3B WHITE{255, 255, 255};
constexpr uint8_t DIM_OPACITY = 80;
constexpr float DISMISS_WAIT_SECONDS = 2.0f;
constexpr float DISMISS_FADE_SECONDS = 0.8f;
constexpr float TILE_SIZE = 20.0f;
constexpr float RESEND_QUOTES_SECONDS = 0.5f;
constexpr const char* KEY_RESEND_QUOTES = "resendQuotes";
}  // namespace

// ---- the singleton

WorldScene* WorldScene::getInstance() {
    if (instance) return instance;
    WorldScene* scene = factory() ? factory()() : new WorldScene();
    if (!scene) return nullptr;
    // The pointer is kept before init so that anything init reaches finds the layer.
    instance = scene;
    if (!scene->init()) {
        instance = nullptr;
        delete scene;
        return nullptr;
    }
    scene->autorelease();
    // The layer lives until the process ends, whatever parent it has.
    scene->retain();
    return instance;
}

WorldScene* WorldScene::existingInstance() {
    return instance;
}

void WorldScene::setFactory(std::function<WorldScene*()> make) {
    factory() = std::move(make);
}

void WorldScene::destroyInstance() {
    WorldScene* scene = instance;
    if (!scene) return;
    scene->removeFromParentAndCleanup(true);
    scene->release();
}

WorldScene::WorldScene() = default;

WorldScene::~WorldScene() {
    if (instance == this) instance = nullptr;
    PopuPanelBase::setDimLayer(nullptr);
    PanelButton::setTipDisplay(nullptr);
    DrawingToolbar::setTipDisplay(nullptr);
    if (DrawingSync::getSharedStore() == drawingStore_.get()) DrawingSync::setSharedStore(nullptr);
}

// ---- start-up

bool WorldScene::init() {
    if (!CCLayer::init()) return false;
    if (handlesCrashes()) installCrashHandler();
    windowSize_ = CCDirector::sharedDirector()->getWinSize();
    setContentSize(windowSize_);
    stream_ = createMarketStream();
    if (!stream_) return false;
    addChild(stream_);
    news_ = createNewsStream();
    if (!news_) return false;
    addChild(news_);
    createFrameBars();
    // Before the windows: their charts restore their drawings from it.
    drawingStore_ = std::make_unique<DrawingStore>(CCFileUtils::sharedFileUtils()->getWritablePath());
    drawingStore_->load();
    DrawingSync::setSharedStore(drawingStore_.get());
    alerts_ = std::make_unique<PriceAlerts>(CCFileUtils::sharedFileUtils()->getWritablePath());
    alerts_->load();
    // A window shows its instrument's levels: pushed when the list changes, and when a window's
    // instrument does (every such change renews the K-line subscription).
    alerts_->bind(this, [this] { showAlertLevels(); });
    createWindows();
    createPanels();
    if (leftPane_) news_->setSink(leftPane_->getNewsPanel());
    schedule(schedule_selector(WorldScene::saveSettingsTick), SAVE_INTERVAL_SECONDS);
    startNetworkSteps();
    onWindowResized(windowSize_.width, windowSize_.height);
    scheduleUpdate();
    setTouchEnabled(true);
    setKeypadEnabled(true);
    if (handlesCrashes()) uploadPendingDumps();
    return true;
}

void WorldScene::registerWithTouchDispatcher() {
    CCDirector::sharedDirector()->getTouchDispatcher()->addTargetedDelegate(this, OUTSIDE_CLICK_PRIORITY,
                                                                            true, false, false);
}

bool WorldScene::ccTouchBegan(CCTouch* touch, CCEvent*) {
    return PopupChoosers::closeOnClickOutside(touch->getLocation());
}

void WorldScene::startNetworkSteps() {
    scheduleOnce([this](float) { stream_->getKlineHistoryServerList(); }, 0.1f, "startHistoryServers");
    scheduleOnce([this](float) { stream_->getStockList(); }, 0.1f, "startStockList");
    scheduleOnce([this](float) { stream_->getKlineSocketServerList(); }, 0.2f, "startStockServers");
    scheduleOnce([this](float) { news_->getNewsHistoryServerList(); }, 0.2f, "startNewsHistoryServers");
    scheduleOnce([this](float) { news_->getNewsServer(); }, 0.3f, "startNewsServers");
}

void WorldScene::createWindows() {
    pool_ = std::make_unique<WindowPool>(this, getStrip(), [this] { return getChartArea(); });
    // Each window follows the display switches itself; the catalogue's boxes follow the colours here.
    for (int number = 0; number < WINDOW_COUNT; ++number) {
        StockWindow* window = createWindow(number);
        if (!window) continue;
        window->setDelegate(this);
        pool_->adopt(window, number);
    }
    DisplaySwitches::shared().bind(this, [] {
        StockData::getInstance()->refreshColors(DisplaySwitches::get(DisplaySwitches::INVERSE_RED_GREEN));
    });
    keys_ = std::make_unique<KeyShortcuts>(*pool_, getStrip());
    typing_ = std::make_unique<TypeToSwitch>(
        [this](const std::string& letters) { openChooserOnTypedLetters(letters); });
}

StockWindow* WorldScene::createWindow(int) {
    return StockWindow::create("", CCSize(100, 100));
}

void WorldScene::createFrameBars() {
    topPanel_ = TopPanel::create(windowSize_.width, this);
    leftPanel_ = LeftPanel::create(std::max(0.0f, windowSize_.height - TOP_BAR_HEIGHT - BOTTOM_BAR_HEIGHT));
    bottomPanel_ = BottomPanel::create(windowSize_.width);
    for (CPanelBase* bar : std::initializer_list<CPanelBase*>{topPanel_, leftPanel_, bottomPanel_})
        if (bar) bar->setDelegate(this);
    if (topPanel_) addChild(topPanel_, TopPanel::Z_ORDER);
    if (leftPanel_) addChild(leftPanel_, LeftPanel::Z_ORDER);
    if (bottomPanel_) {
        addChild(bottomPanel_, BottomPanel::Z_ORDER);
        if (AppGlobals::showStats) {
            StatsOverlay* stats = StatsOverlay::create();
            stats->setPosition(CCPoint(LEFT_BAR_WIDTH + 8, BOTTOM_BAR_HEIGHT / 2));
            bottomPanel_->addChild(stats);
        }
    }
}

StockButtonPanel* WorldScene::getStrip() const {
    return topPanel_ ? topPanel_->getStrip() : nullptr;
}

void WorldScene::createPanels() {
    leftPane_ =
        LeftPaneMaster::create(std::max(0.0f, windowSize_.height - TOP_BAR_HEIGHT - BOTTOM_BAR_HEIGHT));
    if (leftPane_) {
        leftPane_->setWidthChangedCallback(
            [this] { onWindowResized(windowSize_.width, windowSize_.height); });
        leftPane_->setPageChangedCallback([this] { leftPageChanged(); });
        stockPanel_ = leftPane_->getStockPanel();
        stockPanel_->setRowCallback([this](const std::string& code) {
            // The selected window switches to the row's instrument; with none, a new window opens.
            addStockWindow(code, CCPointZero, pool_->selected());
        });
        leftPane_->getAlertPage()->setAlerts(alerts_.get());
        leftPane_->getAlertPage()->setRemoveCallback([this](int id) { removePriceAlert(id); });
        addChild(leftPane_, Z_LEFT_PANE);
    }

    dim_ = CCLayerColor::create(ccColor4B{0, 0, 0, DIM_OPACITY});
    if (dim_) {
        dim_->setVisible(false);
        addChild(dim_, Z_DIM);
        PopuPanelBase::setDimLayer(dim_);
    }

    choosers_ =
        std::make_unique<PopupChoosers>(this, Z_POPUPS, this, this, this, [this] { return windowSize_; });

    tip_ = TipFrameLabel::create("frame_black_sel.png", CCSize(10, 6), 14);
    if (tip_) {
        tip_->setVisible(false);
        addChild(tip_, Z_TIP);
        installTipDisplay();
    }
    reconnectPanel_ = ReconnectPanel::create();
    if (reconnectPanel_) addChild(reconnectPanel_, Z_RECONNECT);
}

void WorldScene::installTipDisplay() {
    PanelButton::setTipDisplay(tip_->makeTipDisplay());
    DrawingToolbar::setTipDisplay(tip_->makeTipDisplay());
}

void WorldScene::onStartupReady() {
    if (!stream_->isStockListLoaded() || !stream_->isStockConnectedOnce()) return;
    ++startupReadyRuns_;
    restoreLayout();
    // Nothing restored (no saved layout, or none of its instruments is known): one default window, so
    // the terminal never starts empty and the connecting screen can leave.
    if (pool_->layoutType() == -1 || pool_->shownCount() == 0) {
        addStockWindow(DEFAULT_SYMBOL, CCPoint(50, windowSize_.height - 40), true, nullptr);
        pool_->setLayoutType(0);
        applyLayout(true);
        setKlineSubscription();
        setAdvSubscription();
    } else {
        setKlineSubscription();
    }
    // The arrow and digit keys work from the start; choosers with text fields switch them off while shown.
    keyboardEnabled_ = true;
    if (ConnectingLayer::existingInstance() && !firstHistoryPending_) dismissConnectingLayer();
    scheduleOnce([this](float) { setAdvSubscription(); }, RESEND_QUOTES_SECONDS, KEY_RESEND_QUOTES);
}

void WorldScene::dismissConnectingLayer() {
    ConnectingLayer* connecting = ConnectingLayer::existingInstance();
    if (!connecting || connecting->isDismissing()) return;
    connecting->setDismissing();
    const CCSize size = connecting->getContentSize();
    const CCSize grid(static_cast<float>(static_cast<int>(size.width / TILE_SIZE) + 1),
                      static_cast<float>(static_cast<int>(size.height / TILE_SIZE) + 1));
    connecting->runAction(CCSequence::create(CCDelayTime::create(DISMISS_WAIT_SECONDS),
                                             CCFadeOutTRTiles::create(DISMISS_FADE_SECONDS, grid),
                                             CCRemoveSelf::create(true), nullptr));
}

void WorldScene::weekHistoryMerged(StockWindow*) {
    if (!firstHistoryPending_) return;
    firstHistoryPending_ = false;
    logInfo("first chart history arrived");
    if (ConnectingLayer::existingInstance() && stream_->isStockListLoaded() &&
        stream_->isStockConnectedOnce())
        dismissConnectingLayer();
}

void WorldScene::setForeground(bool foreground) {
    foreground_ = foreground;
}

void WorldScene::redrawShownWindows() {
    pool_->redrawShown();
}

void WorldScene::saveSettingsTick(float) {
    UserData::getInstance()->saveSettings();
}

void WorldScene::captureLayout() {
    UserData* settings = UserData::getInstance();
    pool_->captureInto(*settings);
    if (leftPane_) {
        settings->setPanelSwitchA(leftPane_->isPageShown(LeftPaneMaster::NEWS_PAGE));
        settings->setPanelSwitchB(leftPane_->isPageShown(LeftPaneMaster::STOCK_PAGE));
    }
}

void WorldScene::savePanelSwitches() {
    if (!leftPane_ || restoringPages_) return;
    // Saved at once: a crash before the next timed save must not bring a closed page back.
    UserData* settings = UserData::getInstance();
    settings->setPanelSwitchA(leftPane_->isPageShown(LeftPaneMaster::NEWS_PAGE));
    settings->setPanelSwitchB(leftPane_->isPageShown(LeftPaneMaster::STOCK_PAGE));
    settings->saveSettings();
}

void WorldScene::leftPageChanged() {
    if (!leftPane_) return;
    for (int page = 0; page < LeftPaneMaster::PAGE_COUNT; ++page)
        if (leftPanel_) leftPanel_->showPageState(page, leftPane_->isPageShown(page));
    if (restoringPages_) return;
    savePanelSwitches();
    // The quote page's instruments join or leave the quote subscription with it.
    setAdvSubscription();
}

void WorldScene::toggleLeftPage(int page) {
    if (leftPane_) leftPane_->setPageShown(page, !leftPane_->isPageShown(page), true);
}

void WorldScene::openLayoutChooserAt(const CCPoint& at) {
    choosers_->openLayoutChooser(
        at, [this](int k) { return layoutFits(k); }, pool_->layoutType());
}

void WorldScene::sendFeedback() {
    const std::string folder = CCFileUtils::sharedFileUtils()->getWritablePath();
    const std::string name =
        "feedback_" + std::to_string(static_cast<long long>(std::time(nullptr))) + ".txt";
    const std::string copy = folder + name;
    // The log goes on growing while it uploads: a copy is sent and only the copy is deleted.
    std::error_code error;
    std::filesystem::copy_file(CDebugModule::getInstance()->getLogFilePath(), copy,
                               std::filesystem::copy_options::overwrite_existing, error);
    auto report = [](bool sent) {
        if (WorldScene* scene = WorldScene::existingInstance())
            scene->showToast(getLangText(sent ? "feedbackSent" : "feedbackFailed"), WHITE, 3.0f);
    };
    if (error) {
        logError("feedback: cannot copy the log to %s: %s", copy.c_str(), error.message().c_str());
        report(false);
        return;
    }
    sendLog(copy, name, [copy, report](bool sent) {
        // A copy that was not accepted is not kept: the next feedback sends a fresh one.
        if (!sent) std::remove(copy.c_str());
        report(sent);
    });
}

void WorldScene::saveWindowLayout() {
    captureLayout();
    UserData::getInstance()->saveSettings();
}

// ---- layout

CCRect WorldScene::getChartArea() const {
    const float pane = leftPane_ && leftPane_->isPaneShown() ? leftPane_->getPaneWidth() : 0.0f;
    return layout_grid::chartArea(windowSize_.width, windowSize_.height, pane);
}

void WorldScene::onWindowResized(float width, float height) {
    if (width <= 0 || height <= 0) return;
    windowSize_ = CCSize(width, height);
    setContentSize(windowSize_);
    if (topPanel_) {
        topPanel_->setPanelSize(CCSize(width, TOP_BAR_HEIGHT));
        topPanel_->setPosition(CCPoint(0, height - TOP_BAR_HEIGHT));
    }
    if (leftPanel_) {
        leftPanel_->setPanelSize(
            CCSize(LEFT_BAR_WIDTH, std::max(0.0f, height - TOP_BAR_HEIGHT - BOTTOM_BAR_HEIGHT)));
        leftPanel_->setPosition(CCPoint(0, BOTTOM_BAR_HEIGHT));
    }
    if (bottomPanel_) {
        bottomPanel_->setPanelSize(CCSize(width, BOTTOM_BAR_HEIGHT));
        bottomPanel_->setPosition(CCPointZero);
    }
    if (leftPane_) {
        leftPane_->setPaneHeight(std::max(0.0f, height - TOP_BAR_HEIGHT - BOTTOM_BAR_HEIGHT));
        leftPane_->setPosition(CCPoint(LEFT_BAR_WIDTH, BOTTOM_BAR_HEIGHT));
    }
    if (dim_) dim_->setContentSize(windowSize_);
    if (reconnectPanel_) reconnectPanel_->setWindowSize(width, height);
    if (settingPanel_) settingPanel_->setPosition(CCPoint(width / 2, height / 2));
    pool_->fitMaximisedToArea();
    applyLayout(false);
}

void WorldScene::applyLayout(bool rebuild) {
    pool_->applyLayout(rebuild);
}

void WorldScene::applyLayout(int layout, bool animated) {
    // Layout buttons count from 1.
    if (pool_->chooseLayout(layout - 1, animated)) saveWindowLayout();
}

bool WorldScene::layoutFits(int k) const {
    return pool_->layoutFits(k);
}

// ---- windows

StockWindow* WorldScene::addStockWindow(const std::string& code, const CCPoint&, bool activate,
                                        StockWindow* target) {
    StockWindow* window = pool_->add(code, activate, target);
    if (!window) showToast(getLangText("tooManyCharts"), WHITE, 3.0f);
    return window;
}

StockWindow* WorldScene::addStockWindow(const std::string& symbol, const CCPoint& at, StockWindow* target) {
    const int before = pool_->shownCount();
    StockWindow* window = addStockWindow(symbol, at, true, target);
    if (window && !target && pool_->shownCount() != before) pool_->layOutNewWindow();
    if (window) {
        saveWindowLayout();
        setKlineSubscription();
        setAdvSubscription();
    }
    return window;
}

void WorldScene::closeWindow(StockWindow* window) {
    if (!pool_->close(window)) return;
    saveWindowLayout();
    setKlineSubscription();
    setAdvSubscription();
}

void WorldScene::activateWindow(StockWindow* window) {
    pool_->activate(window);
}

void WorldScene::maximiseWindow(StockWindow* window) {
    pool_->maximise(window);
}

void WorldScene::toggleMaximise(StockWindow* window) {
    if (pool_->toggleMaximise(window)) saveWindowLayout();
}

void WorldScene::restoreLayout() {
    UserData* settings = UserData::getInstance();
    if (leftPane_) {
        // The pages take the saved switches; nothing to save while they do.
        restoringPages_ = true;
        leftPane_->setPageShown(LeftPaneMaster::NEWS_PAGE, settings->getPanelSwitchA(), false);
        leftPane_->setPageShown(LeftPaneMaster::STOCK_PAGE, settings->getPanelSwitchB(), false);
        restoringPages_ = false;
    }
    if (!pool_->restoreWindows(*settings)) return;
    setKlineSubscription();
    setAdvSubscription();
    pool_->restoreMaximised(*settings);
}

void WorldScene::windowsReordered(const std::vector<StockWindow*>& order) {
    pool_->reorder(order);
    saveWindowLayout();
}

bool WorldScene::canDragButtons() {
    return !pool_->isMaximisedMode();
}

void WorldScene::setCrosshairInAllWindows(bool show) {
    // Through the one source, so the settings panel's check box shows a double click's choice too.
    DisplaySwitches::shared().set(DisplaySwitches::SHOW_CROSS_POINT, show);
}

// ---- pop-ups

void WorldScene::openStockChooser(StockWindow* window, const CCPoint& at) {
    choosers_->openStockChooser(window, at);
}

void WorldScene::openTimeTypeChooser(StockWindow* window, const CCPoint& at) {
    choosers_->openTimeTypeChooser(window, at);
}

void WorldScene::openDrawingTextInput(StockWindow* window, const CCPoint& at, const std::string& text) {
    choosers_->openTextInput(window, at, text);
}

void WorldScene::openToolbarPopup(StockWindow* window, int tag, const CCPoint& at) {
    choosers_->openToolbarPopup(window, tag, at);
}

void WorldScene::openChooser(int tag, float x, float y) {
    if (tag == StockButtonPanel::LAYOUT_BUTTON_TAG) {
        // A layout with fewer cells than shown windows would hide windows that stay subscribed.
        choosers_->openLayoutChooser(
            CCPoint(x, y), [this](int k) { return layoutFits(k); }, pool_->layoutType());
    } else if (tag == StockButtonPanel::ADD_BUTTON_TAG) {
        choosers_->openStockChooser(nullptr, CCPoint(x, y));
    }
}

void WorldScene::showSettingPanel() {
    if (!settingPanel_) {
        settingPanel_ = SettingPanel::create(UpdateClient::localVersion());
        if (!settingPanel_) {
            logWarn("settings panel could not be made");
            return;
        }
        addChild(settingPanel_, Z_POPUPS);
    }
    settingPanel_->setPosition(CCPoint(windowSize_.width / 2, windowSize_.height / 2));
    if (!settingPanel_->isShown()) settingPanel_->show();
}

void WorldScene::showToast(const std::string& text, const ccColor3B& colour, float seconds) {
    Toast::show(this, windowSize_, text, colour, seconds);
}

// ---- keyboard

void WorldScene::update(float) {
    // Shown clocks move on each whole second of the wall clock.
    DisplayTimeZone::shared().tick();
    const bool keysForUs = foreground_ && AppGlobals::windowActive && keyboardEnabled_ && pool_->selected();
    typing_->listen(keysForUs && PopuPanelBase::getOpenPopups().empty());
    if (!keysForUs) return;
    keys_->handleKeys();
}

void WorldScene::showAlertLevels() {
    if (!alerts_ || !pool_) return;
    const unsigned revision = alerts_->revision();
    for (StockWindow* window : pool_->windows()) {
        DrawingKLine* chart = window->getChart();
        if (!chart || !window->isShown()) continue;
        auto& seen = alertViews_[window];
        const std::string code = window->getCode();
        if (seen.first == code && seen.second == revision) continue;
        seen = {code, revision};
        std::vector<DrawingKLine::AlertLevel> levels;
        for (const PriceAlert& alert : alerts_->alerts())
            if (alert.symbol == code) levels.push_back({alert.id, alert.price, alert.fired});
        chart->setAlertLevels(std::move(levels));
    }
}

double WorldScene::lastPriceOf(StockWindow* window) const {
    const StockInfo* record = StockData::getInstance()->findStock(window->getCode());
    if (record && record->getQuoteTime() != 0) return record->getLastPrice();
    // No quote yet: the newest bar's close is the price the chart shows.
    const KLineBar* newest = window->getLoader()->series().newestBar();
    return newest ? newest->close : 0;
}

void WorldScene::placePriceAlert(StockWindow* window, double price) {
    if (!alerts_) return;
    const int id = alerts_->add(window->getCode(), price, lastPriceOf(window));
    if (id == 0) {
        logWarn("price alert refused: %s at %g", window->getCode().c_str(), price);
        return;
    }
    logInfo("price alert placed: %s at %g", window->getCode().c_str(), price);
    setAdvSubscription();
}

void WorldScene::movePriceAlert(StockWindow* window, int id, double price) {
    if (!alerts_ || !alerts_->move(id, price, lastPriceOf(window))) return;
    logInfo("price alert moved: %s to %g", window->getCode().c_str(), price);
    setAdvSubscription();
}

void WorldScene::removePriceAlert(int id) {
    if (!alerts_ || !alerts_->remove(id)) return;
    logInfo("price alert removed: %d", id);
    setAdvSubscription();
}

void WorldScene::crosshairMoved(StockWindow* source, long long time) {
    const Preferences::LinkedCrosshair mode = Preferences::shared().linkedCrosshair();
    for (StockWindow* window : pool_->shownWindows()) {
        DrawingKLine* chart = window->getChart();
        if (!chart) continue;
        const bool linked =
            window != source && time > 0 && mode != Preferences::LinkedCrosshair::OFF &&
            (mode == Preferences::LinkedCrosshair::ALL_WINDOWS || window->getCode() == source->getCode());
        chart->setLinkedTime(linked ? time : 0);
    }
}

void WorldScene::keyDown(CCKeyCode key) {
    if (key == kCCKeyEscape) {
        // Escape gives up placing an alert, as the bell pressed again does.
        for (StockWindow* window : pool_->shownWindows())
            if (window->getChart() && window->getChart()->isPlacingAlert()) window->clearToolbarSelection();
        return;
    }
    // An event, not the per-frame key state: a quick Control+S falls between two frames.
    if (key != kCCKeyS || !CCKeyboard::isKeyDown(kCCKeyControl)) return;
    if (foreground_ && keyboardEnabled_ && pool_->selected()) saveChartImage(nullptr);
}

void WorldScene::saveChartImage(StockWindow* window) {
    if (!window) window = pool_->selected();
    if (!window || !window->isVisible()) return;
    const std::string path =
        chart_image::picturesFolder() + "/" +
        chart_image::fileName(window->getCode(), window->getChart()->getTimeType(), std::time(nullptr));
    const CCPoint corner = window->convertToWorldSpace(CCPointZero);
    const CCSize size = window->getContentSize();
    redrawShownWindows();
    CCEGLView::sharedOpenGLView()->captureRegionAfterFrame(
        path, CCRect(corner.x, corner.y, size.width, size.height), [path](bool saved) {
            WorldScene* world = WorldScene::existingInstance();
            if (saved) {
                logInfo("chart image saved to %s", path.c_str());
            } else {
                logWarn("chart image could not be saved to %s", path.c_str());
            }
            if (!world) return;
            const std::string text = getLangText(saved ? "chartImageSaved" : "chartImageFailed") + path;
            world->showToast(text, WHITE, saved ? 4.0f : 6.0f);
        });
}

void WorldScene::openChooserOnTypedLetters(const std::string& letters) {
    StockWindow* window = pool_->selected();
    if (!window || !keyboardEnabled_) return;
    // Over the window's top left, where its title's own chooser opens.
    const CCSize size = window->getContentSize();
    choosers_->openStockChooser(window, window->convertToWorldSpace(CCPoint(0, size.height)));
    if (AddStockPanel* panel = choosers_->addStockPanel()) panel->startTypedSearch(letters);
}

// ---- the stock stream

MarketStream* WorldScene::createMarketStream() {
    return MarketStream::create(this);
}

void WorldScene::setAdvSubscription() {
    std::vector<std::string> codes;
    if (stockPanel_ && stockPanel_->isShown())
        for (const std::string& code : stockPanel_->getListedCodes()) codes.push_back(code);
    if (AddStockPanel* chooser = choosers_->addStockPanel(); chooser && chooser->isShown())
        for (const std::string& code : chooser->getVisibleCodes()) codes.push_back(code);
    for (StockWindow* window : pool_->shownWindows()) codes.push_back(window->getCode());
    // An armed alert needs its instrument's quotes even while no window shows it.
    if (alerts_)
        for (const std::string& code : alerts_->armedSymbols())
            if (std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
    stream_->setAdvSubscription(codes);
}

void WorldScene::setKlineSubscription() {
    std::vector<std::pair<std::string, int>> list;
    for (StockWindow* window : pool_->shownWindows())
        list.emplace_back(window->getCode(), window->getLoader()->getTtype());
    stream_->setKlineSubscription(list);
    showAlertLevels();
}

// ---- what the stream reports

void WorldScene::marketConnected(bool first) {
    if (reconnectPanel_) reconnectPanel_->hidePanel();
    if (first)
        onStartupReady();
    else
        reconnectStep();
}

void WorldScene::reconnectStep() {
    setKlineSubscription();
    logInfo("reset kline subscription");
    logInfo("reget week history KLine on reconnect!!!!!!!");
    for (StockWindow* window : pool_->shownWindows()) {
        KLineHistoryLoader* loader = window->getLoader();
        // The refill runs on the next frame, after the subscription has gone out.
        scheduleOnce([loader](float) { loader->refill(); }, 0.0f,
                     "refill" + std::to_string(window->getTag()));
    }
    showToast(getLangText("connecSuccessfull"), WHITE, 3.0f);
    setAdvSubscription();
}

void WorldScene::marketLost(int64_t disconnectTime) {
    if (reconnectPanel_ && !reconnectPanel_->isPanelShown()) reconnectPanel_->showPanel(disconnectTime);
}

void WorldScene::quoteArrived(const market_messages::Quote& quote) {
    for (StockWindow* window : pool_->windows())
        if (window->isShown() && window->getCode() == quote.code)
            window->showQuote(quote.reference, quote.high, quote.low, quote.last);
    if (!alerts_) return;
    const std::vector<PriceAlert> fired = alerts_->quote(quote.code, quote.last, quote.time);
    for (const PriceAlert& alert : fired) {
        const int64_t at = quote.time > 0 ? quote.time : DisplayTimeZone::shared().nowSeconds();
        const std::string when = DisplayTimeZone::shared().format(at, "%Y-%m-%d %H:%M:%S");
        char text[160];
        std::snprintf(text, sizeof(text), "%s %s %g  (%g)  %s", getLangText("priceAlertFired").c_str(),
                      alert.symbol.c_str(), alert.price, static_cast<double>(quote.last), when.c_str());
        logInfo("price alert fired: %s at %g by %g, %s", alert.symbol.c_str(), alert.price,
                static_cast<double>(quote.last), when.c_str());
        playHoverSound();
        showToast(text, WHITE, 6.0f);
        DesktopNotifier::shared().post(getLangText("priceAlertFired") + " " + alert.symbol, text);
    }
    if (!fired.empty()) setAdvSubscription();
}

void WorldScene::barArrived(const market_messages::LiveBar& bar) {
    for (StockWindow* window : pool_->windows())
        if (window->isShown() && window->getCode() == bar.code &&
            window->getLoader()->getTtype() == bar.timeType)
            window->updateKLine(bar.time, bar.open, bar.high, bar.low, bar.close, bar.volume);
}

void WorldScene::instrumentListApplied(bool first) {
    rebuildInstrumentPanels();
    if (first) onStartupReady();
}

void WorldScene::rebuildInstrumentPanels() {
    if (stockPanel_) stockPanel_->rebuild();
    if (AddStockPanel* chooser = choosers_->addStockPanel()) chooser->rebuildCategories();
}

void WorldScene::historyServersUnreachable() {
    showToast(getLangText("retryConnection"), WHITE, 3.0f);
}

// ---- the news stream

NewsStream* WorldScene::createNewsStream() {
    return NewsStream::create([this](const std::string& text) { showToast(text, WHITE, 3.0f); });
}

std::string WorldScene::stripTags(const std::string& text) {
    return news_records::stripTags(text);
}

void WorldScene::onClose(SIOClient* client) {
    if (client && client == news_->getNewsClient())
        news_->onClose(client);
    else
        stream_->onClose(client);
}

void WorldScene::onError(SIOClient* client, const std::string& data) {
    if (client && client == news_->getNewsClient())
        news_->onError(client, data);
    else
        stream_->onError(client, data);
}
