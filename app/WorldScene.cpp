#include "WorldScene.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "AddStockPanel.h"
#include "AppGlobals.h"
#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CCCommon.h"
#include "CCDirector.h"
#include "CCFadeOutTRTiles.h"
#include "CCHttpResponse.h"
#include "CCKeyboard.h"
#include "CCLayerColor.h"
#include "CCSprite.h"
#include "CCTouch.h"
#include "CCTouchDispatcher.h"
#include "CDebugModule.h"
#include "CStockPanel.h"
#include "ConfigTable.h"
#include "ConnectingLayer.h"
#include "DrawingKLine.h"
#include "ExScaleWindows.h"
#include "HttpHelpers.h"
#include "IndicatorPanel.h"
#include "KLineHistoryLoader.h"
#include "LanguageTable.h"
#include "LayoutPanel.h"
#include "LeftPaneMaster.h"
#include "MarketMessages.h"
#include "PanelButton.h"
#include "PopuPanelBase.h"
#include "ReconnectPanel.h"
#include "SIOClient.h"
#include "SelectChartTypePanel.h"
#include "SelectTimePanel.h"
#include "StockButton.h"
#include "StockButtonPanel.h"
#include "StockData.h"
#include "StockInfo.h"
#include "StockListCache.h"
#include "StockWindow.h"
#include "TipFrameLabel.h"
#include "UserData.h"

USING_NS_CC;

namespace {
WorldScene* instance = nullptr;

std::function<WorldScene*()>& factory() {
    static std::function<WorldScene*()> make;
    return make;
}

void logInfo(const char* format, const std::string& text) {
    CDebugModule::getInstance()->log(LOG_LEVEL_INFO, format, text.c_str());
}

const ccColor3B WHITE{255, 255, 255};
const ccColor4B FRAME_BAR_COLOUR{16, 19, 30, 255};
constexpr float TOAST_START_SCALE = 0.5f;
constexpr uint8_t TOAST_OPACITY = 180;
constexpr float TOAST_POP_SECONDS = 0.1f;
constexpr float TOAST_FADE_SECONDS = 0.15f;
constexpr float TOAST_FONT_SIZE = 20.0f;
constexpr uint8_t DIM_OPACITY = 80;
constexpr float DISMISS_WAIT_SECONDS = 2.0f;
constexpr float DISMISS_FADE_SECONDS = 0.8f;
constexpr float TILE_SIZE = 20.0f;
constexpr float RESEND_QUOTES_SECONDS = 0.5f;
constexpr float LAYOUT_GLIDE_SECONDS = 0.25f;
constexpr int LAYOUT_GLIDE_TAG = 0x1A70;
constexpr float RECONNECT_RETRY_SECONDS = 1.0f;
constexpr int MIN_HISTORY_SERVERS = 2;
constexpr float KEY_ZOOM_STEP = 2.0f;
constexpr float KEY_SCROLL_SPEED = 100.0f;
constexpr const char* HISTORY_PATH = "/history.php";
constexpr const char* CLIENT_NOT_CONNECTED = "Client not yet connected";
constexpr const char* KEY_STOCK_SERVER_RETRY = "stockServerRetry";
constexpr const char* KEY_STOCK_RECONNECT = "stockReconnect";
constexpr const char* KEY_STOCK_LIST_RETRY = "stockListRetry";
constexpr const char* KEY_HISTORY_SERVER_RETRY = "historyServerRetry";
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

WorldScene::~WorldScene() {
    if (instance == this) instance = nullptr;
    PopuPanelBase::setDimLayer(nullptr);
    PanelButton::setTipDisplay(nullptr);
    for (StockWindow* window : windows_) {
        window->setDelegate(nullptr);
        window->release();
    }
}

// ---- start-up

bool WorldScene::init() {
    if (!CCLayer::init()) return false;
    windowSize_ = CCDirector::sharedDirector()->getWinSize();
    setContentSize(windowSize_);
    createFrameBars();
    createWindows();
    createPanels();
    schedule(schedule_selector(WorldScene::saveSettingsTick), SAVE_INTERVAL_SECONDS);
    startNetworkSteps();
    onWindowResized(windowSize_.width, windowSize_.height);
    scheduleUpdate();
    setTouchEnabled(true);
    return true;
}

void WorldScene::registerWithTouchDispatcher() {
    CCDirector::sharedDirector()->getTouchDispatcher()->addTargetedDelegate(this, OUTSIDE_CLICK_PRIORITY,
                                                                            true, false, false);
}

bool WorldScene::ccTouchBegan(CCTouch* touch, CCEvent*) {
    const std::vector<PopuPanelBase*> open = PopuPanelBase::getOpenPopups();
    if (open.empty() || PopuPanelBase::openPopupAt(touch->getLocation())) return false;
    for (PopuPanelBase* panel : open)
        if (panel->isShown()) panel->hide();
    return true;
}

void WorldScene::startNetworkSteps() {
    scheduleOnce([this](float) { getKlineHistoryServerList(); }, 0.1f, "startHistoryServers");
    scheduleOnce([this](float) { getStockList(); }, 0.1f, "startStockList");
    scheduleOnce([this](float) { getKlineSocketServerList(); }, 0.2f, "startStockServers");
    // The news history list (0.2 s) and the news socket (0.3 s) join with the news stream.
}

void WorldScene::createFrameBars() {
    topBar_ = CCLayerColor::create(FRAME_BAR_COLOUR);
    leftBar_ = CCLayerColor::create(FRAME_BAR_COLOUR);
    bottomBar_ = CCLayerColor::create(FRAME_BAR_COLOUR);
    addChild(topBar_, Z_TOP_BAR);
    addChild(leftBar_, Z_FRAME_BARS);
    addChild(bottomBar_, Z_FRAME_BARS);
    if (CCSprite* logo = CCSprite::createWithSpriteFrameName("logomini.png")) {
        logo_ = logo;
        addChild(logo, Z_TOP_BAR + 1);
    }
    strip_ = StockButtonPanel::create(CCSize(windowSize_.width, TOP_BAR_HEIGHT));
    if (strip_) {
        strip_->setDelegate(this);
        addChild(strip_, Z_TOP_BAR + 1);
    }
}

void WorldScene::createWindows() {
    for (int number = 0; number < WINDOW_COUNT; ++number) {
        StockWindow* window = createWindow(number);
        if (!window) continue;
        window->retain();
        window->setDelegate(this);
        window->setAnchorPoint(CCPointZero);
        window->setTag(number);
        window->setShown(false);
        if (window->getChart())
            window->getChart()->setShowCrosshair(UserData::getInstance()->getShowCrossPoint());
        addChild(window, Z_WINDOWS);
        windows_.push_back(window);
    }
}

StockWindow* WorldScene::createWindow(int) {
    return StockWindow::create("", CCSize(100, 100));
}

void WorldScene::createPanels() {
    leftPane_ =
        LeftPaneMaster::create(std::max(0.0f, windowSize_.height - TOP_BAR_HEIGHT - BOTTOM_BAR_HEIGHT));
    if (leftPane_) {
        leftPane_->setWidthChangedCallback(
            [this] { onWindowResized(windowSize_.width, windowSize_.height); });
        leftPane_->setPageChangedCallback([this] { savePanelSwitches(); });
        stockPanel_ = leftPane_->getStockPanel();
        addChild(leftPane_, Z_LEFT_PANE);
    }

    dim_ = CCLayerColor::create(ccColor4B{0, 0, 0, DIM_OPACITY});
    if (dim_) {
        dim_->setVisible(false);
        addChild(dim_, Z_DIM);
        PopuPanelBase::setDimLayer(dim_);
    }

    auto addPopup = [this](PopuPanelBase* panel) {
        if (!panel) return;
        panel->setAnchorPoint(CCPoint(0, 1));
        panel->setVisible(false);
        addChild(panel, Z_POPUPS);
    };
    layoutPanel_ = LayoutPanel::create();
    if (layoutPanel_) layoutPanel_->setDelegate(this);
    addPopup(layoutPanel_);
    chartTypePanel_ = SelectChartTypePanel::create();
    if (chartTypePanel_) chartTypePanel_->setDelegate(this);
    addPopup(chartTypePanel_);
    timePanel_ = SelectTimePanel::create();
    if (timePanel_) timePanel_->setDelegate(this);
    addPopup(timePanel_);
    addStockPanel_ =
        AddStockPanel::create(CCSize(AddStockPanel::DEFAULT_WIDTH, AddStockPanel::DEFAULT_HEIGHT));
    if (addStockPanel_) addStockPanel_->setDelegate(this);
    addPopup(addStockPanel_);
    indicatorPanel_ = IndicatorPanel::create();
    if (indicatorPanel_) indicatorPanel_->setDelegate(this);
    addPopup(indicatorPanel_);

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
}

void WorldScene::onStartupReady() {
    if (!stockListLoaded_ || !stockConnectedOnce_) return;
    ++startupReadyRuns_;
    restoreLayout();
    // Nothing restored (no saved layout, or none of its instruments is known): one default window, so
    // the terminal never starts empty and the connecting screen can leave.
    if (layoutType_ == -1 || shownWindowCount_ == 0) {
        addStockWindow(DEFAULT_SYMBOL, CCPoint(50, windowSize_.height - 40), true, nullptr);
        layoutType_ = 0;
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
    CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "first chart history arrived");
    if (ConnectingLayer::existingInstance() && stockListLoaded_ && stockConnectedOnce_)
        dismissConnectingLayer();
}

void WorldScene::setForeground(bool foreground) {
    foreground_ = foreground;
}

void WorldScene::redrawShownWindows() {
    for (StockWindow* window : windows_)
        if (window->isShown() && window->getChart()) window->getChart()->markForRedraw();
}

void WorldScene::saveSettingsTick(float) {
    UserData::getInstance()->saveSettings();
}

void WorldScene::captureLayout() {
    std::vector<const LayoutWindowSource*> sources;
    StockWindow* maximised = nullptr;
    for (StockWindow* window : getShownWindows()) {
        sources.push_back(window);
        if (maximisedMode_ && window->isMaximised()) maximised = window;
    }
    UserData* settings = UserData::getInstance();
    settings->saveLayout(sources, std::max(0, layoutType_));
    settings->setWindowMaximised(maximised != nullptr);
    if (maximised) {
        settings->setMaximisedCode(maximised->getCode());
        settings->setMaximisedPeriod(maximised->getLoader()->getTtype());
    }
    if (leftPane_) {
        settings->setPanelSwitchA(leftPane_->isPageShown(LeftPaneMaster::NEWS_PAGE));
        settings->setPanelSwitchB(leftPane_->isPageShown(LeftPaneMaster::STOCK_PAGE));
    }
}

void WorldScene::savePanelSwitches() {
    if (!leftPane_) return;
    // Saved at once: a crash before the next timed save must not bring a closed page back.
    UserData* settings = UserData::getInstance();
    settings->setPanelSwitchA(leftPane_->isPageShown(LeftPaneMaster::NEWS_PAGE));
    settings->setPanelSwitchB(leftPane_->isPageShown(LeftPaneMaster::STOCK_PAGE));
    settings->saveSettings();
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
    layoutFrameBars(width, height);
    if (dim_) dim_->setContentSize(windowSize_);
    if (reconnectPanel_) reconnectPanel_->setWindowSize(width, height);
    if (maximisedMode_)
        for (StockWindow* window : windows_)
            if (window->isShown() && window->isMaximised()) fitToChartArea(window);
    applyLayout(false);
}

void WorldScene::layoutFrameBars(float width, float height) {
    topBar_->setContentSize(CCSize(width, TOP_BAR_HEIGHT));
    topBar_->setPosition(CCPoint(0, height - TOP_BAR_HEIGHT));
    bottomBar_->setContentSize(CCSize(width, BOTTOM_BAR_HEIGHT));
    bottomBar_->setPosition(CCPointZero);
    leftBar_->setContentSize(
        CCSize(LEFT_BAR_WIDTH, std::max(0.0f, height - TOP_BAR_HEIGHT - BOTTOM_BAR_HEIGHT)));
    leftBar_->setPosition(CCPoint(0, BOTTOM_BAR_HEIGHT));
    if (logo_) logo_->setPosition(CCPoint(width - 60, height - TOP_BAR_HEIGHT / 2));
    if (strip_) {
        // The strip leaves room for the logo at the right.
        strip_->setContentSize(CCSize(std::max(0.0f, width - 120), TOP_BAR_HEIGHT));
        strip_->setPosition(CCPoint(0, height - TOP_BAR_HEIGHT));
        strip_->relayout(false);
    }
    if (leftPane_) {
        leftPane_->setPaneHeight(std::max(0.0f, height - TOP_BAR_HEIGHT - BOTTOM_BAR_HEIGHT));
        leftPane_->setPosition(CCPoint(LEFT_BAR_WIDTH, BOTTOM_BAR_HEIGHT));
    }
}

void WorldScene::applyLayout(bool rebuild) {
    if (layoutType_ < 0) return;
    LayoutShape shape = layout_grid::shapeOf(layoutType_);
    if (!rebuild && !layoutCells_.empty()) shape.cells = std::move(layoutCells_);
    layout_grid::placeCells(shape, getChartArea());
    layoutCells_ = std::move(shape.cells);

    size_t next = 0;
    for (StockWindow* window : windows_) {
        if (!window->isShown()) continue;
        if (next < layoutCells_.size()) {
            const LayoutCell& cell = layoutCells_[next++];
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

void WorldScene::applyLayout(int layout, bool animated) {
    const int k = layout - 1;
    if (k < 0 || k >= layout_grid::LAYOUT_COUNT) return;
    if (k == layoutType_) return;
    if (!layoutFits(k)) {
        CDebugModule::getInstance()->log(LOG_LEVEL_INFO,
                                         "layout %d has too few cells for %d windows: kept layout %d", layout,
                                         shownWindowCount_, layoutType_ + 1);
        return;
    }
    layoutType_ = k;
    if (maximisedMode_) {
        for (StockWindow* window : windows_) window->setMaximised(false);
        maximisedMode_ = false;
    }
    animateLayout_ = animated;
    applyLayout(true);
    animateLayout_ = false;
    saveWindowLayout();
}

bool WorldScene::layoutFits(int k) const {
    if (k < 0 || k >= layout_grid::LAYOUT_COUNT) return false;
    return static_cast<int>(layout_grid::shapeOf(k).cells.size()) >= shownWindowCount_;
}

void WorldScene::fitToChartArea(StockWindow* window, bool animate) {
    placeWindow(window, getChartArea(), animate && window->isVisible());
    window->setVisible(true);
}

CCRect WorldScene::cellRect(const LayoutCell& cell) {
    return CCRect(static_cast<float>(cell.x), static_cast<float>(cell.y), static_cast<float>(cell.width),
                  static_cast<float>(cell.height));
}

void WorldScene::placeWindow(StockWindow* window, const CCRect& rect, bool animate) {
    // A later placement wins over a glide still under way.
    window->stopActionByTag(LAYOUT_GLIDE_TAG);
    const CCRect from(window->getPositionX(), window->getPositionY(), window->getContentSize().width,
                      window->getContentSize().height);
    if (!animate || from.equals(rect)) {
        window->setPosition(rect.origin);
        window->setWindowSize(rect.size.width, rect.size.height);
        return;
    }
    ExScaleWindows* glide = ExScaleWindows::create(LAYOUT_GLIDE_SECONDS, from, rect,
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

std::vector<StockWindow*> WorldScene::getShownWindows() const {
    std::vector<StockWindow*> shown;
    for (StockWindow* window : windows_)
        if (window->isShown()) shown.push_back(window);
    return shown;
}

void WorldScene::moveToEndOfShown(StockWindow* window) {
    // Window order follows the strip: a window that joins takes the place after the shown ones.
    auto found = std::find(windows_.begin(), windows_.end(), window);
    if (found == windows_.end()) return;
    windows_.erase(found);
    auto firstHidden =
        std::find_if(windows_.begin(), windows_.end(), [](StockWindow* w) { return !w->isShown(); });
    windows_.insert(firstHidden, window);
}

void WorldScene::setSingleWindowState() {
    for (StockWindow* window : windows_)
        if (window->isShown()) window->setSingleWindow(shownWindowCount_ == 1);
}

StockWindow* WorldScene::addStockWindow(const std::string& code, const CCPoint&, bool activate,
                                        StockWindow* target) {
    StockWindow* window = target;
    if (!window) {
        auto hidden =
            std::find_if(windows_.begin(), windows_.end(), [](StockWindow* w) { return !w->isShown(); });
        if (hidden == windows_.end()) {
            showToast(getLangText("tooManyCharts"), WHITE, 3.0f);
            return nullptr;
        }
        window = *hidden;
    }
    StockInfo* info = StockData::getInstance()->findStock(code);
    if (!info) logInfo("failed to add stock[%s], info not found!!!!", code);
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
        ++shownWindowCount_;
        window->setShown(true);
        setSingleWindowState();
    }
    if (activate) activateWindow(window);
    return window;
}

StockWindow* WorldScene::addStockWindow(const std::string& symbol, const CCPoint& at, StockWindow* target) {
    const int before = shownWindowCount_;
    StockWindow* window = addStockWindow(symbol, at, true, target);
    if (window && !target && shownWindowCount_ != before) {
        // A new window needs a cell: the chosen layout stays while it has a free one.
        if (!layoutFits(layoutType_)) layoutType_ = layout_grid::layoutForWindowCount(shownWindowCount_);
        applyLayout(true);
    }
    if (window) {
        saveWindowLayout();
        setKlineSubscription();
        setAdvSubscription();
    }
    return window;
}

void WorldScene::closeWindow(StockWindow* window) {
    if (!window || !window->isShown() || shownWindowCount_ <= 1) return;
    const bool wasMaximised = maximisedMode_ && window->isMaximised();
    if (strip_)
        if (StockButton* button = strip_->buttonOf(window)) strip_->removeButton(button);
    window->setLinkedButton(nullptr);
    window->setMaximised(false);
    window->setActive(false);
    window->setShown(false);
    --shownWindowCount_;
    // Closed windows go to the end of the pool, behind every shown one.
    windows_.erase(std::find(windows_.begin(), windows_.end(), window));
    windows_.push_back(window);
    if (selectedWindow_ == window) selectedWindow_ = nullptr;
    if (wasMaximised) maximisedMode_ = false;
    setSingleWindowState();
    layoutType_ = layout_grid::layoutForWindowCount(shownWindowCount_);
    applyLayout(true);
    if (!selectedWindow_) {
        std::vector<StockWindow*> shown = getShownWindows();
        if (!shown.empty()) activateWindow(shown.front());
    }
    saveWindowLayout();
    setKlineSubscription();
    setAdvSubscription();
}

void WorldScene::activateWindow(StockWindow* window) {
    if (!window) {
        CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "select window error!!!");
        return;
    }
    if (window == selectedWindow_) {
        window->setActive(true);
        return;
    }
    StockWindow* previous = selectedWindow_;
    if (previous) previous->setActive(false);
    window->setActive(true);
    selectedWindow_ = window;
    if (maximisedMode_ && previous && previous->isMaximised()) {
        previous->setMaximised(false);
        previous->setVisible(false);
        maximiseWindow(window);
    }
}

void WorldScene::maximiseWindow(StockWindow* window) {
    if (!window) {
        CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "error no selected windows:::::::::");
        return;
    }
    reorderChild(window, Z_MAXIMISED_WINDOW);
    for (StockWindow* other : windows_)
        if (other != window && other->getZOrder() == Z_MAXIMISED_WINDOW) reorderChild(other, Z_WINDOWS);
    if (!maximisedMode_) return;
    window->setMaximised(true);
    fitToChartArea(window, animateLayout_);
    int hidden = 0;
    for (StockWindow* other : windows_) {
        if (other == window || !other->isVisible()) continue;
        other->setVisible(false);
        ++hidden;
    }
    CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "hide:%d", hidden);
}

void WorldScene::toggleMaximise(StockWindow* window) {
    if (!window || !window->isShown()) {
        CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "got error!!!!!!!!!!");
        return;
    }
    animateLayout_ = true;
    if (maximisedMode_ && window->isMaximised()) {
        maximisedMode_ = false;
        window->setMaximised(false);
        applyLayout(false);
    } else {
        for (StockWindow* other : windows_) other->setMaximised(false);
        maximisedMode_ = true;
        activateWindow(window);
        maximiseWindow(window);
    }
    animateLayout_ = false;
    saveWindowLayout();
}

void WorldScene::restoreLayout() {
    UserData* settings = UserData::getInstance();
    if (leftPane_) {
        // Read both first: opening one page saves the switches as the pane then stands.
        const bool newsShown = settings->getPanelSwitchA();
        const bool stockShown = settings->getPanelSwitchB();
        leftPane_->setPageShown(LeftPaneMaster::NEWS_PAGE, newsShown, false);
        leftPane_->setPageShown(LeftPaneMaster::STOCK_PAGE, stockShown, false);
    }
    bool restored = false;
    for (const WindowSetting& saved : settings->getWindows()) {
        if (!StockData::getInstance()->findStock(saved.code)) continue;
        auto hidden =
            std::find_if(windows_.begin(), windows_.end(), [](StockWindow* w) { return !w->isShown(); });
        if (hidden == windows_.end()) break;
        StockWindow* window = *hidden;
        window->setChartType(saved.chartType);
        window->setTimeType(saved.timeTypeIndex, false);
        window->setZoom(saved.zoom);
        window->clearIndicators();
        for (const IndicatorPane& pane : saved.panes) window->addIndicator(pane.type, pane.heightRatio);
        if (addStockWindow(saved.code, CCPointZero, false, nullptr)) restored = true;
    }
    if (restored) {
        layoutType_ = std::clamp(settings->getLayoutType(), 0, layout_grid::LAYOUT_COUNT - 1);
        // A saved layout with fewer cells than windows would hide some of them (a damaged or hand-made
        // file: the chooser never offers one).
        if (!layoutFits(layoutType_)) {
            const int widened = layout_grid::layoutForWindowCount(shownWindowCount_);
            CDebugModule::getInstance()->log(
                LOG_LEVEL_INFO, "saved layout %d has too few cells for %d windows: using layout %d",
                layoutType_ + 1, shownWindowCount_, widened + 1);
            layoutType_ = widened;
        }
        applyLayout(true);
        activateWindow(getShownWindows().front());
        setKlineSubscription();
        setAdvSubscription();
    }
    if (restored && settings->getWindowMaximised()) {
        for (StockWindow* window : getShownWindows()) {
            if (window->getCode() == settings->getMaximisedCode() &&
                window->getLoader()->getTtype() == settings->getMaximisedPeriod()) {
                maximisedMode_ = true;
                activateWindow(window);
                maximiseWindow(window);
                break;
            }
        }
    }
}

void WorldScene::windowsReordered(const std::vector<StockWindow*>& order) {
    std::vector<StockWindow*> reordered;
    for (StockWindow* window : order)
        if (std::find(windows_.begin(), windows_.end(), window) != windows_.end())
            reordered.push_back(window);
    for (StockWindow* window : windows_)
        if (std::find(reordered.begin(), reordered.end(), window) == reordered.end())
            reordered.push_back(window);
    windows_ = reordered;
    applyLayout(false);
    saveWindowLayout();
}

bool WorldScene::canDragButtons() {
    return !maximisedMode_;
}

void WorldScene::setCrosshairInAllWindows(bool show) {
    for (StockWindow* window : windows_)
        if (window->getChart()) window->getChart()->setShowCrosshair(show);
    UserData* settings = UserData::getInstance();
    settings->setShowCrossPoint(show);
    settings->saveSettings();
}

// ---- pop-ups

void WorldScene::placePopup(PopuPanelBase* panel, const CCPoint& topLeft) {
    // One chooser at a time: opening one closes the others.
    std::vector<PopuPanelBase*> open = PopuPanelBase::getOpenPopups();
    for (PopuPanelBase* other : open)
        if (other != panel && other->isShown()) other->hide();
    const CCSize size = panel->getContentSize();
    const float x = std::clamp(topLeft.x, 0.0f, std::max(0.0f, windowSize_.width - size.width));
    const float y = std::clamp(topLeft.y, std::min(size.height, windowSize_.height), windowSize_.height);
    panel->setPosition(CCPoint(x, y));
}

void WorldScene::openStockChooser(StockWindow* window, const CCPoint& at) {
    if (!addStockPanel_) return;
    addStockPanel_->setTargetWindow(window);
    placePopup(addStockPanel_, at);
    addStockPanel_->show();
}

void WorldScene::openTimeTypeChooser(StockWindow* window, const CCPoint& at) {
    if (!timePanel_) return;
    placePopup(timePanel_, at);
    timePanel_->showForWindow(window);
}

void WorldScene::openToolbarPopup(StockWindow* window, int tag, const CCPoint& at) {
    switch (tag) {
        case StockWindow::TOOLBAR_CHART_TYPE:
            if (chartTypePanel_) {
                placePopup(chartTypePanel_, at);
                chartTypePanel_->showForWindow(window);
            }
            break;
        case StockWindow::TOOLBAR_INDICATORS:
            if (indicatorPanel_) {
                indicatorPanel_->setTargetWindow(window);
                placePopup(indicatorPanel_, at);
                indicatorPanel_->show();
            }
            break;
        case StockWindow::TOOLBAR_TIME_TYPE:
            openTimeTypeChooser(window, at);
            break;
        default:
            // The drawing tools join with the drawing-tool chooser; until then the button does not
            // stay pressed.
            if (window)
                if (PanelToggleButton* button = window->getToolbarButton(tag)) button->setState(false);
            break;
    }
}

void WorldScene::openChooser(int tag, float x, float y) {
    if (tag == StockButtonPanel::LAYOUT_BUTTON_TAG && layoutPanel_) {
        // A layout with fewer cells than shown windows would hide windows that stay subscribed.
        for (int k = 0; k < layout_grid::LAYOUT_COUNT; ++k)
            layoutPanel_->setLayoutAvailable(k + 1, layoutFits(k));
        layoutPanel_->setCurrentLayout(layoutType_ + 1);
        placePopup(layoutPanel_, CCPoint(x, y));
        layoutPanel_->show();
    } else if (tag == StockButtonPanel::ADD_BUTTON_TAG && addStockPanel_) {
        addStockPanel_->setTargetWindow(nullptr);
        placePopup(addStockPanel_, CCPoint(x, y));
        addStockPanel_->show();
    }
}

void WorldScene::renewKLineSubscriptions() {
    setKlineSubscription();
}

void WorldScene::refreshQuoteSubscriptions() {
    setAdvSubscription();
}

void WorldScene::showToast(const std::string& text, const ccColor3B& colour, float seconds) {
    CCScene* scene = CCDirector::sharedDirector()->getRunningScene();
    TipFrameLabel* toast = TipFrameLabel::create("frame_black_sel.png", CCSize(30, 20), TOAST_FONT_SIZE);
    if (!toast) return;
    toast->setText(text, colour);
    toast->setPosition(CCPoint(0.5f * windowSize_.width, 0.25f * windowSize_.height));
    toast->setScale(TOAST_START_SCALE);
    toast->setCascadeOpacityEnabled(true);
    toast->setOpacity(TOAST_OPACITY);
    CCNode* parent = scene ? static_cast<CCNode*>(scene) : static_cast<CCNode*>(this);
    parent->addChild(toast, Z_TOAST);
    toast->runAction(CCSequence::create(CCScaleTo::create(TOAST_POP_SECONDS, 1.0f),
                                        CCDelayTime::create(seconds), CCFadeOut::create(TOAST_FADE_SECONDS),
                                        CCRemoveSelf::create(true), nullptr));
}

// ---- keyboard

void WorldScene::update(float) {
    if (!foreground_ || !AppGlobals::windowActive || !keyboardEnabled_ || !selectedWindow_) return;
    handleKeys();
}

void WorldScene::handleKeys() {
    DrawingKLine* chart = selectedWindow_->getChart();
    if (chart && CCKeyboard::isKeyDown(kCCKeyDown)) {
        if (chart->isZoomReady())
            chart->zoomTo(std::clamp(chart->getBarWidth() - KEY_ZOOM_STEP, DrawingKLine::MIN_BAR_WIDTH,
                                     DrawingKLine::MAX_BAR_WIDTH));
        return;
    }
    if (chart && CCKeyboard::isKeyDown(kCCKeyUp)) {
        if (chart->isZoomReady())
            chart->zoomTo(std::clamp(chart->getBarWidth() + KEY_ZOOM_STEP, DrawingKLine::MIN_BAR_WIDTH,
                                     DrawingKLine::MAX_BAR_WIDTH));
        return;
    }
    if (chart && CCKeyboard::isKeyDown(kCCKeyLeft)) {
        chart->startScroll(KEY_SCROLL_SPEED);
        return;
    }
    if (chart && CCKeyboard::isKeyDown(kCCKeyRight)) {
        chart->startScroll(-KEY_SCROLL_SPEED);
        return;
    }
    for (int digit = 0; digit <= 9; ++digit) {
        const int key = static_cast<int>(CCKeyboard::digitKey(digit));
        if (!CCKeyboard::isKeyDown(CCKeyboard::digitKey(digit))) continue;
        if (key != lastDigitKey_) {
            lastDigitKey_ = key;
            handleDigit(digit);
        }
        return;
    }
    if (lastDigitKey_ != -1 && !CCKeyboard::isKeyDown(static_cast<CCKeyCode>(lastDigitKey_)))
        lastDigitKey_ = -1;
}

void WorldScene::handleDigit(int digit) {
    if (digit == 0) {
        activateWindow(selectedWindow_);
        return;
    }
    if (!strip_) return;
    const std::vector<StockButton*>& buttons = strip_->getButtons();
    // Only as many digits as there are buttons mean anything.
    if (digit > static_cast<int>(buttons.size())) return;
    StockWindow* window = buttons[static_cast<size_t>(digit - 1)]->getWindow();
    if (window) activateWindow(window);
}

// ---- the stock stream

void WorldScene::sendRequest(const std::string& url, const std::string& tag, SEL_HttpResponse selector) {
    httpGet(url, tag, this, selector);
}

SIOClient* WorldScene::openStockSocket(const std::string& uri) {
    return SocketIO::connect(uri, *this, "http://");
}

void WorldScene::emitStock(const std::string& event, const std::string& text, const std::string& id) {
    if (stockClient_) stockClient_->emit(event, text, id);
}

bool WorldScene::isStockConnected() const {
    return stockClient_ && stockClient_->isConnected();
}

void WorldScene::getKlineSocketServerList() {
    serverListPending_ = true;
    const std::string url =
        getConfigValue(CONFIG_KEY_KLINE_SOCKET_SERVER_LIST_URL, DEFAULT_KLINE_SOCKET_SERVER_LIST_URL);
    sendRequest(url, "stockServerList", httpresponse_selector(WorldScene::GetKlineSocketServerListCallback));
}

void WorldScene::GetKlineSocketServerListCallback(CCHttpClient*, CCHttpResponse* response) {
    serverListPending_ = false;
    std::vector<std::string> servers;
    if (!responseToUrlList(response, servers)) {
        requestStockServerListAgain();
        CDebugModule::getInstance()->log(LOG_LEVEL_ERROR,
                                         "1 get kline socketIo server error! will try after %dsecond",
                                         static_cast<int>(RETRY_SECONDS));
        return;
    }
    stockServerList_ = std::move(servers);
    connectKlineSocket(0);
}

void WorldScene::requestStockServerListAgain() {
    serverListPending_ = true;
    scheduleOnce([this](float) { getKlineSocketServerList(); }, RETRY_SECONDS, KEY_STOCK_SERVER_RETRY);
}

void WorldScene::connectKlineSocket(float retryDelay) {
    reconnectScheduled_ = false;
    // One attempt at a time: a live or handshaking client is left alone.
    if (stockClient_) return;
    if (stockServerList_.empty()) {
        // An empty list at start-up would otherwise be asked for again on every frame.
        const float delay = std::max(retryDelay, RETRY_SECONDS);
        if (!serverListPending_) {
            serverListPending_ = true;
            scheduleOnce([this](float) { getKlineSocketServerList(); }, delay, KEY_STOCK_SERVER_RETRY);
        }
        CDebugModule::getInstance()->log(LOG_LEVEL_ERROR,
                                         "2 get kline socketIo server error! will try after %dsecond",
                                         static_cast<int>(delay));
        return;
    }
    const std::string& entry = stockServerList_[static_cast<size_t>(std::rand()) % stockServerList_.size()];
    SIOClient* client = openStockSocket(entry);
    if (!client) {
        // Nothing to wait for: try again as after a drop.
        reconnectAfterDelay(RECONNECT_RETRY_SECONDS);
        return;
    }
    stockClient_ = client;
    client->setTag("stock");
    client->on("rec_advanced", [this](SIOClient* c, const std::string& data) { recvAdvancedEvent(c, data); });
    client->on("rec_kline", [this](SIOClient* c, const std::string& data) { recvKLineEvent(c, data); });
    client->on("9",
               [this](SIOClient* c, const std::string& data) { recvSetKlineSubscriptionEvent(c, data); });
    logInfo("start connect kline socket:%s", entry);
}

void WorldScene::reconnectAfterDelay(float retryDelay) {
    if (reconnectScheduled_) return;
    reconnectScheduled_ = true;
    scheduleOnce([this, retryDelay](float) { connectKlineSocket(retryDelay); }, RETRY_SECONDS,
                 KEY_STOCK_RECONNECT);
}

bool WorldScene::readyToSubscribe() {
    if (isStockConnected()) return true;
    // A handshake in progress or a reconnect already waiting needs no second attempt.
    if (!stockServerList_.empty() && !stockClient_ && !reconnectScheduled_) connectKlineSocket(0);
    CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "stock server not connected!!");
    return false;
}

void WorldScene::setAdvSubscription() {
    if (!readyToSubscribe()) return;
    std::vector<std::string> codes;
    if (stockPanel_ && stockPanel_->isShown())
        for (const std::string& code : stockPanel_->getListedCodes()) codes.push_back(code);
    if (addStockPanel_ && addStockPanel_->isShown())
        for (const std::string& code : addStockPanel_->getVisibleCodes()) codes.push_back(code);
    for (StockWindow* window : windows_)
        if (window->isShown()) codes.push_back(window->getCode());
    const std::string text = market_messages::quoteSubscription(codes);
    logInfo("setAdvSubscription:%s", text);
    emitStock("setAdvSubscription", text, "8");
}

void WorldScene::setKlineSubscription() {
    if (!readyToSubscribe()) return;
    std::vector<std::pair<std::string, int>> list;
    for (StockWindow* window : windows_)
        if (window->isShown()) list.emplace_back(window->getCode(), window->getLoader()->getTtype());
    const std::string text = market_messages::klineSubscription(list);
    logInfo("setKlineSubscription:%s", text);
    emitStock("setKlineSubscription", text, "9");
}

void WorldScene::recvAdvancedEvent(SIOClient*, const std::string& data) {
    if (std::rand() % LOG_SAMPLE == 0) logInfo("recvAdvancedEvent: %s", data);
    market_messages::Quote quote;
    const auto result = market_messages::parseQuote(data, quote);
    if (result == market_messages::ParseResult::BadJson) {
        CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "parse advanced error!!!");
        return;
    }
    if (result != market_messages::ParseResult::Ok) return;
    if (StockInfo* info = StockData::getInstance()->findStock(quote.code))
        info->updateQuote(quote.last, quote.time, quote.reference, quote.high, quote.low);
    for (StockWindow* window : windows_)
        if (window->isShown() && window->getCode() == quote.code)
            window->showQuote(quote.reference, quote.high, quote.low, quote.last);
}

void WorldScene::recvKLineEvent(SIOClient*, const std::string& data) {
    if (std::rand() % LOG_SAMPLE == 0) logInfo("recvKLineEvent:%s", data);
    std::vector<market_messages::LiveBar> bars;
    const auto result = market_messages::parseBars(data, bars);
    if (result == market_messages::ParseResult::BadJson) {
        CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "parse advanced data error!!!");
        return;
    }
    for (const market_messages::LiveBar& bar : bars)
        for (StockWindow* window : windows_)
            if (window->isShown() && window->getCode() == bar.code &&
                window->getLoader()->getTtype() == bar.timeType)
                window->updateKLine(bar.time, bar.open, bar.high, bar.low, bar.close, bar.volume);
}

void WorldScene::recvSetKlineSubscriptionEvent(SIOClient*, const std::string& data) {
    logInfo("recvSetKlineSubscriptionEvent:%s", data);
    if (!market_messages::isJson(data))
        CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "parse recvSetKlineSubscriptionEvent failed!!!!");
}

void WorldScene::onConnect(SIOClient* client) {
    if (!client || client != stockClient_) return;
    CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "stock socket  connect success!!!!!!!!!!!!!!!!!!!!!");
    if (reconnectPanel_) reconnectPanel_->hidePanel();
    if (stockConnectCount_ == 0) {
        stockConnectedOnce_ = true;
        onStartupReady();
    } else {
        reconnectStep();
    }
    ++stockConnectCount_;
}

void WorldScene::reconnectStep() {
    setKlineSubscription();
    CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "reset kline subscription");
    CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "reget week history KLine on reconnect!!!!!!!");
    for (StockWindow* window : windows_) {
        if (!window->isShown()) continue;
        KLineHistoryLoader* loader = window->getLoader();
        // The refill runs on the next frame, after the subscription has gone out.
        scheduleOnce([loader](float) { loader->refill(); }, 0.0f,
                     "refill" + std::to_string(window->getTag()));
    }
    showToast(getLangText("connecSuccessfull"), WHITE, 3.0f);
    setAdvSubscription();
}

void WorldScene::onMessage(SIOClient*, const std::string&) {
    // Every stock message arrives through its event handler; the raw copy is not needed.
}

void WorldScene::fireEventToScript(SIOClient*, const std::string&, const std::string&) {
    // Quotes arrive several times a second: their handlers log a sample, not every one.
}

void WorldScene::onClose(SIOClient* client) {
    if (!client || client != stockClient_) return;
    stockConnectionLost(client, false);
}

void WorldScene::onError(SIOClient* client, const std::string& data) {
    if (!client || client != stockClient_) return;
    // A send refused during the handshake is not a broken connection.
    if (data == CLIENT_NOT_CONNECTED && !client->isConnected()) {
        CDebugModule::getInstance()->log(LOG_LEVEL_WARN,
                                         "stock message not sent: the connection is not ready");
        return;
    }
    stockConnectionLost(client, true);
}

void WorldScene::stockConnectionLost(SIOClient*, bool error) {
    lastStockDisconnect_ = static_cast<int64_t>(std::time(nullptr));
    if (error)
        CDebugModule::getInstance()->log(LOG_LEVEL_ERROR, "stock socket onError!!!");
    else
        CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "------- stock socket close!!!");
    stockClient_ = nullptr;
    pendingList_.clear();
    if (reconnectPanel_ && !reconnectPanel_->isPanelShown()) reconnectPanel_->showPanel(lastStockDisconnect_);
    reconnectAfterDelay(RECONNECT_RETRY_SECONDS);
}

// ---- instrument list and history servers

void WorldScene::getStockList() {
    sendRequest(getConfigValue(CONFIG_KEY_STOCK_LIST, ""), "stockList",
                httpresponse_selector(WorldScene::GetStockListCallback));
}

void WorldScene::GetStockListCallback(CCHttpClient*, CCHttpResponse* response) {
    std::string body;
    if (responseToString(response, body) && applyStockList(body, false)) return;
    CDebugModule::getInstance()->log(LOG_LEVEL_ERROR,
                                     "GetStockServerList failed, will retry after %d second!",
                                     static_cast<int>(RETRY_SECONDS));
    requestStockListAgain();
    if (!stockListLoaded_) loadCachedStockList();
}

void WorldScene::requestStockListAgain() {
    scheduleOnce([this](float) { getStockList(); }, RETRY_SECONDS, KEY_STOCK_LIST_RETRY);
}

void WorldScene::loadCachedStockList() {
    std::optional<std::string> cached = loadStockListCache();
    if (!cached) return;
    if (applyStockList(*cached, true))
        CDebugModule::getInstance()->log(LOG_LEVEL_INFO,
                                         "load stock list form cache ***********************");
}

bool WorldScene::applyStockList(const std::string& body, bool fromCache) {
    rapidjson::Document document;
    if (!parseJson(body, document) || !document.IsObject()) return false;
    if (!StockData::getInstance()->parseStockList(document)) return false;
    rebuildInstrumentPanels();
    if (!stockListLoaded_) {
        stockListLoaded_ = true;
        onStartupReady();
    }
    if (!fromCache) saveStockListCache(body);
    return true;
}

void WorldScene::rebuildInstrumentPanels() {
    if (stockPanel_) stockPanel_->rebuild();
    if (addStockPanel_) addStockPanel_->rebuildCategories();
}

void WorldScene::getKlineHistoryServerList() {
    sendRequest(getConfigValue(CONFIG_KEY_KLINE_HISTORY_SERVER_LIST, CONFIG_KEY_KLINE_HISTORY_SERVER_LIST),
                "historyServerList", httpresponse_selector(WorldScene::GetKlineHistoryServerListCallback));
}

void WorldScene::GetKlineHistoryServerListCallback(CCHttpClient*, CCHttpResponse* response) {
    std::vector<std::string> servers;
    const bool read = responseToUrlList(response, servers);
    if (!read || static_cast<int>(servers.size()) < MIN_HISTORY_SERVERS) {
        requestHistoryServerListAgain();
        CDebugModule::getInstance()->log(LOG_LEVEL_INFO,
                                         "GetKlineHistoryServerList error! will try after %d second!!!!",
                                         static_cast<int>(RETRY_SECONDS));
        if (!read) showToast(getLangText("retryConnection"), WHITE, 3.0f);
        return;
    }
    for (std::string& server : servers) server += HISTORY_PATH;
    historyServerList_ = std::move(servers);
    CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "GetKlineHistoryServerList: %d",
                                     static_cast<int>(historyServerList_.size()));
}

void WorldScene::requestHistoryServerListAgain() {
    scheduleOnce([this](float) { getKlineHistoryServerList(); }, RETRY_SECONDS, KEY_HISTORY_SERVER_RETRY);
}

std::string WorldScene::getKlineHistoryServer() {
    if (historyServerList_.empty()) return DEFAULT_KLINE_HISTORY_URL;
    return historyServerList_[static_cast<size_t>(std::rand()) % historyServerList_.size()];
}
