#include "StockWindow.h"

#include <algorithm>
#include <cstdio>

#include "CCActionInterval.h"
#include "CDebugModule.h"
#include "DisplaySwitches.h"
#include "DrawingBase.h"
#include "DrawingKLine.h"
#include "DrawingView.h"
#include "IndicatorBase.h"
#include "KLineBar.h"
#include "KLineHistoryLoader.h"
#include "LanguageTable.h"
#include "LinkedWindowButton.h"
#include "PanelButton.h"
#include "Resources.h"
#include "StockWindowDelegate.h"
#include "UserData.h"

USING_NS_CC;

namespace {

constexpr float TITLE_LEFT_WITH_CLOSE = 35;
constexpr float TITLE_LEFT_WITHOUT_CLOSE = 3;
constexpr float CLOSE_BUTTON_INSET = 18;
const ccColor3B WINDOW_BACKGROUND{12, 15, 24};
constexpr int TITLE_Z = 100;
constexpr float SHOW_FADE_SECONDS = 0.3f;

}  // namespace

StockWindow* StockWindow::create(const std::string& displayName, const CCSize& size) {
    return createAutoreleased<StockWindow>(&StockWindow::initWindow, displayName, size);
}

StockWindow::~StockWindow() {
    if (loader_) loader_->shutdown();
    // The panes read the chart, and the chart reads this window's pane list and the loader's bars:
    // let them go in that order while everything they read still lives.
    panes_.removeAll();
    if (chart_) chart_->removeFromParent();
    removeAllChildrenWithCleanup(true);
}

KLineHistoryLoader* StockWindow::createLoader() {
    return KLineHistoryLoader::create(this);
}

bool StockWindow::initWindow(const std::string& displayName, const CCSize& size) {
    if (!CCSprite::init()) return false;
    setAnchorPoint(CCPointZero);
    // The window is an untextured sprite: its colour is the chart's background.
    setColor(WINDOW_BACKGROUND);
    displayName_ = displayName;

    loader_ = createLoader();
    if (!loader_) return false;
    addChild(loader_);

    decorations_.addWorldMap(this);

    // Chart windows take touches at the ordinary priority, whatever the connecting screen set.
    DrawingView::setDefaultTouchPriority(0);
    chart_ = DrawingKLine::createChart(this, &loader_->series().bars(), panes_.views());
    if (!chart_) return false;
    loader_->setView(chart_);
    addChild(chart_);

    if (!decorations_.addShades(this)) return false;

    if (!buildTitle() ||
        !toolbar_.build(this, TITLE_Z, [this](PanelButton* button) { onToolbarButton(button); }))
        return false;
    quotePanel_ = QuotePanel::create(WINDOW_BACKGROUND);
    if (!quotePanel_) return false;
    addChild(quotePanel_, TITLE_Z);

    decorations_.addClosedBackground(this);

    // The display switches live in the settings; a change anywhere reaches every window at once.
    DisplaySwitches::shared().bind(this, [this] { applyUserChartSettings(); });
    setWindowSize(size.width, size.height);
    setTimeType(0, false);
    // The title's time type and the read-out's captions follow the language; their widths move the
    // labels beside them.
    bindLangRefresh(this, [this] {
        updateTitle();
        title_->composeReadout();
        placeHoverLabels();
    });
    // A window starts hidden; the main scene shows the ones it lays out.
    setVisible(false);
    chart_->setShown(false);
    return true;
}

bool StockWindow::buildTitle() {
    title_ = WindowTitle::create(
        displayName_, [this](PanelButton* button) { onStockButton(button); },
        [this](PanelButton* button) { onTimeTypeButton(button); });
    if (!title_) return false;
    addChild(title_, TITLE_Z);

    closeButton_ = PanelButton::create("close_small.png", "close_small_sel.png", 0,
                                       [this](PanelButton* button) { onCloseButton(button); });
    maximiseButton_ =
        PanelToggleButton::create("btn_max.png", "btn_max_sel.png", "btn_min.png", "btn_min_sel.png", 0,
                                  [this](PanelButton* button) { onMaximiseButton(button); });
    if (!closeButton_ || !maximiseButton_) return false;
    addChild(closeButton_, TITLE_Z);
    const CCSize closeSize = closeButton_->getContentSize();
    // Just below the close button, so the two never share a point.
    maximiseButton_->setPosition(closeSize.width * 0.5f,
                                 -maximiseButton_->getContentSize().height * 0.5f - 2);
    closeButton_->addChild(maximiseButton_);
    return true;
}

// --- layout

void StockWindow::setWindowSize(float width, float height) {
    windowSize_ = CCSize(std::max(0.0f, width), std::max(0.0f, height));
    layout();
}

void StockWindow::layout() {
    const float w = windowSize_.width;
    const float h = windowSize_.height;
    setContentSize(windowSize_);
    decorations_.layout(w, h);

    const bool panelShown = quotePanel_->isVisible();
    const float chartWidth = std::max(0.0f, panelShown ? w - QuotePanel::WIDTH : w);
    quotePanel_->placeInWindow(w, h);

    const float panesHeight = panes_.layout(chartWidth, h, shown_);
    chart_->setPosition(0, panesHeight);
    chart_->setViewSize(chartWidth, std::max(0.0f, h - panesHeight));
    panes_.relink(chart_, shown_);

    const float titleLeft = closeButton_->isVisible() ? TITLE_LEFT_WITH_CLOSE : TITLE_LEFT_WITHOUT_CLOSE;
    title_->placeInWindow(titleLeft, h);
    closeButton_->setPosition(CLOSE_BUTTON_INSET, h - CLOSE_BUTTON_INSET);
    placeToolbar();
    placeHoverLabels();
}

void StockWindow::placeToolbar() {
    toolbar_.place(chart_->getPositionX() + chart_->getContentSize().width, windowSize_.height,
                   title_->getRight(), WindowTitle::BUTTON_HEIGHT);
}

void StockWindow::placeHoverLabels() {
    title_->placeReadout(windowSize_.height, toolbar_.getNode());
}

void StockWindow::setRightPanelVisible(bool visible) {
    quotePanel_->setVisible(visible);
    layout();
}

bool StockWindow::isRightPanelVisible() const {
    return quotePanel_->isVisible();
}

bool StockWindow::IsPointOnMe(float x, float y) {
    const CCPoint local = convertToNodeSpace(CCPoint(x, y));
    float width = windowSize_.width;
    if (quotePanel_->isVisible()) width -= QuotePanel::WIDTH;
    return local.x >= 0 && local.y >= 0 && local.x < width && local.y < windowSize_.height;
}

// --- instrument, time type, chart settings

void StockWindow::setStock(const std::string& symbol, const std::string& displayName) {
    // A pooled window shown again for its old instrument starts afresh: its bars stopped when it closed.
    if (!loader_->setSymbol(symbol) && shown_) return;
    chart_->setDrawingSymbol(symbol);
    chart_->resetView();
    // The read-out showed a bar of the old instrument.
    showBarInfo(nullptr);
    displayName_ = displayName;
    shownBarTime_ = -1;
    quotePanel_->clearLastPrice();
    setTimeType(loader_->getTimeTypeIndex(), true);
    updateTitle();
    redrawLinkedButton();
    title_->showFlag(getCode());
    applyUserChartSettings();
}

void StockWindow::setTimeType(int index, bool fetch) {
    if (index < 0 || index > MAX_TIME_TYPE_INDEX) return;
    loader_->setTimeType(index, fetch);
    // The read-out's bar belongs to the bars just dropped.
    shownBarTime_ = -1;
}

void StockWindow::setChartType(int type) {
    chart_->setChartType(std::clamp(type, 0, 3));
    // The strip's small chart runs high to low for candles and bars, close to open otherwise.
    redrawLinkedButton();
}

void StockWindow::setZoom(float zoom) {
    CCPoint widthAndScale = chart_->getBarWidthAndScale();
    widthAndScale.x = zoom;
    chart_->setBarWidthAndScale(widthAndScale);
}

void StockWindow::applyUserChartSettings() {
    UserData* settings = UserData::getInstance();
    decorations_.setWorldMapVisible(settings->getShowBg());
    chart_->setShowGrid(settings->getShowGrid());
    chart_->setShowCrosshair(settings->getShowCrossPoint());
    setRiseGreen(settings->getInverseRedGreen());
    chart_->markForRedraw();
}

void StockWindow::setRiseGreen(bool riseGreen) {
    loader_->series().setRiseGreen(riseGreen);
    chart_->setRiseGreen(riseGreen);
    // The quote card's frame changes colour now, not with the next quote.
    if (quotePanel_) quotePanel_->setRiseGreen(riseGreen);
}

bool StockWindow::getRiseGreen() const {
    return loader_->series().getRiseGreen();
}

void StockWindow::setBollPeriodIndex(int index) {
    loader_->series().setBollPeriodIndex(index);
}

void StockWindow::updateKLine(uint32_t time, float open, float high, float low, float close, int32_t volume) {
    loader_->updateKLine(time, open, high, low, close, volume);
}

void StockWindow::setLinkedButton(LinkedWindowButton* button) {
    linkedButton_ = button;
    if (linkedButton_) {
        linkedButton_->setDisplayName(displayName_);
        linkedButton_->setChartShown(shown_);
        linkedButton_->redrawChart();
    }
}

// --- states

void StockWindow::setActive(bool active) {
    active_ = active;
    title_->setActive(active);
    // Keyboard focus needs nothing of the view: the main scene sends its keys to the selected window.
}

void StockWindow::setMaximised(bool maximised) {
    if (maximised && !maximised_) sizeBeforeMaximise_ = windowSize_;
    maximised_ = maximised;
    maximiseButton_->setState(maximised);
}

void StockWindow::setShown(bool shown) {
    if (shown) {
        shown_ = true;
        setVisible(true);
        loader_->setWindowShown(true);
        loader_->scheduleHistoryTick();
        chart_->setShown(true);
        panes_.setVisible(true);
        title_->getStockButton()->setVisible(true);
        closeButton_->setVisible(!singleWindow_);
        toolbar_.getNode()->setVisible(true);
        if (linkedButton_) linkedButton_->setChartShown(true);
        if (fadeInOnShow_) {
            fadeInOnShow_ = false;
            setCascadeOpacityEnabled(true);
            runAction(CCFadeIn::create(SHOW_FADE_SECONDS));
        }
        layout();
        return;
    }
    const bool wasShown = shown_;
    shown_ = false;
    loader_->setWindowShown(false);
    if (!maximised_) loader_->unscheduleHistoryTick();
    setVisible(false);
    chart_->setShown(false);
    panes_.setVisible(false);
    title_->getStockButton()->setVisible(false);
    closeButton_->setVisible(false);
    toolbar_.getNode()->setVisible(false);
    if (linkedButton_) linkedButton_->setChartShown(false);
    if (sizeBeforeMaximise_.width > 0 && sizeBeforeMaximise_.height > 0) {
        windowSize_ = sizeBeforeMaximise_;
        sizeBeforeMaximise_ = CCSize();
        layout();
    }
    clearToolbarSelection();
    if (wasShown) fadeInOnShow_ = true;
}

PanelToggleButton* StockWindow::getToolbarButton(int tag) const {
    return toolbar_.getButton(tag);
}

void StockWindow::clearToolbarSelection() {
    toolbar_.reset();
    if (chart_) chart_->startAlertPlacement(false);
}

void StockWindow::drawingToolPlaced() {
    clearToolbarSelection();
}

void StockWindow::openDrawingTextInput(DrawingBase* tool) {
    CCPoint at = chart_->convertToWorldSpace(CCPointZero);
    if (!tool->getPoints().empty())
        at = chart_->convertToWorldSpace(CCPoint(tool->getPoints()[0].x, tool->getPoints()[0].y));
    if (delegate_)
        delegate_->openDrawingTextInput(this, at, tool->getText());
    else
        chart_->finishTextEdit(false, std::string());
}

// --- quote and read-out

void StockWindow::showQuote(float reference, float high, float low, float last) {
    if (linkedButton_) linkedButton_->showQuote(last, QuotePanel::changePercent(reference, last));
    quotePanel_->showQuote(reference, high, low, last, getRiseGreen());
}

void StockWindow::showBarInfo(const KLineBar* bar) {
    if (!bar) {
        title_->hideReadout();
        shownBarTime_ = -1;
        return;
    }
    if (static_cast<long long>(bar->time) == shownBarTime_) return;
    shownBarTime_ = bar->time;
    title_->showBar(*bar, showMA_);
    placeHoverLabels();
}

// --- title

void StockWindow::updateTitle() {
    if (!title_) return;  // called by the loader while the window is still being built
    char key[32];
    std::snprintf(key, sizeof(key), "timeType%d", loader_->getTimeTypeIndex());
    quotePanel_->setTitle(displayName_, getCode());
    title_->setNames(displayName_, getLangTextOrDefault(key, ""));
    if (linkedButton_) linkedButton_->setDisplayName(displayName_);
    placeHoverLabels();
    if (toolbar_.getNode() && chart_) placeToolbar();
}

// --- buttons

void StockWindow::onToolbarButton(PanelButton* button) {
    const int tag = button->getTag();
    if (tag < TOOLBAR_CHART_TYPE || tag > TOOLBAR_PRICE_ALERT) return;
    playHoverSound();
    if (tag == TOOLBAR_PRICE_ALERT) {
        // The bell stays pressed while the next click on the chart is an alert's; again cancels.
        const bool start = !chart_->isPlacingAlert();
        logInfo("toolbar callback:%d", tag);
        toolbar_.getButton(tag)->setState(start);
        if (start) toolbar_.getButton(TOOLBAR_DRAWING_TOOLS)->setState(false);
        chart_->startAlertPlacement(start);
        if (!active_) activateWindow();
        return;
    }
    if (tag == TOOLBAR_DRAWING_TOOLS && chart_->isPlacingAlert()) {
        chart_->startAlertPlacement(false);
        toolbar_.getButton(TOOLBAR_PRICE_ALERT)->setState(false);
    }
    if (tag == TOOLBAR_CHART_IMAGE) {
        logInfo("toolbar callback:%d", tag);
        if (!active_) activateWindow();
        if (delegate_) delegate_->saveChartImage(this);
        return;
    }
    toolbar_.getButton(tag)->setState(true);
    logInfo("toolbar callback:%d", tag);
    const CCSize size = button->getContentSize();
    const CCPoint corner = button->convertToWorldSpace(CCPoint(size.width, 0));
    // TOOLBAR_INDICATORS asks for the indicator picker; the main scene decides what opens.
    if (delegate_) delegate_->openToolbarPopup(this, tag, corner);
    if (!active_) activateWindow();
}

void StockWindow::onStockButton(PanelButton* button) {
    playHoverSound();
    logInfo("call change stock");
    if (delegate_) delegate_->openStockChooser(this, button->convertToWorldSpace(CCPointZero));
    if (!active_) activateWindow();
}

void StockWindow::onTimeTypeButton(PanelButton* button) {
    playHoverSound();
    if (delegate_) delegate_->openTimeTypeChooser(this, button->convertToWorldSpace(CCPointZero));
    if (!active_) activateWindow();
}

void StockWindow::onCloseButton(PanelButton*) {
    playHoverSound();
    if (delegate_) delegate_->closeWindow(this);
}

void StockWindow::onMaximiseButton(PanelButton*) {
    playHoverSound();
    if (delegate_) delegate_->toggleMaximise(this);
}

// --- indicators

bool StockWindow::addIndicator(int type, float heightRatio) {
    if (type == IndicatorBase::TYPE_MOVING_AVERAGE) {
        if (showMA_) return false;
        showMA_ = true;
        chart_->setShowMA(true);
        return true;
    }
    if (!panes_.add(type, heightRatio, this, chart_, windowSize_.width, windowSize_.height)) return false;
    layout();
    chart_->markForRedraw();
    return true;
}

void StockWindow::removeIndicator(int type) {
    if (type == IndicatorBase::TYPE_MOVING_AVERAGE) {
        showMA_ = false;
        chart_->setShowMA(false);
        title_->hideMALabels();
        return;
    }
    if (!panes_.remove(type)) return;
    layout();
    chart_->markForRedraw();
}

void StockWindow::layoutPanes() {
    // A border drag changed the heights: keep the new shares.
    panes_.takeHeights(windowSize_.height);
    layout();
}

// --- LayoutWindowSource

std::string StockWindow::getCode() const {
    return loader_->getSymbol();
}

int StockWindow::getChartType() const {
    return chart_->getChartType();
}

int StockWindow::getTimeTypeIndex() const {
    return loader_->getTimeTypeIndex();
}

float StockWindow::getZoom() const {
    return chart_->getBarWidthAndScale().x;
}

std::vector<IndicatorPane> StockWindow::getIndicatorPanes() const {
    std::vector<IndicatorPane> result;
    if (showMA_)
        result.push_back(IndicatorPane{IndicatorBase::TYPE_MOVING_AVERAGE, IndicatorPane::MIN_HEIGHT_RATIO});
    panes_.appendTo(result);
    return result;
}

// --- ChartViewOwner

void StockWindow::activateWindow() {
    if (delegate_)
        delegate_->activateWindow(this);
    else
        setActive(true);
}

void StockWindow::setCrosshairInAllWindows(bool show) {
    if (delegate_)
        delegate_->setCrosshairInAllWindows(show);
    else
        chart_->setShowCrosshair(show);
}

void StockWindow::loadOlderHistory() {
    loader_->scheduleHistoryTick();
}

// --- KLineChartHost

void StockWindow::updatePriceLabel(const KLineBar& newest) {
    quotePanel_->showLastPrice(newest.close);
    if (chart_) chart_->setLastPrice(newest.close, newest.close >= newest.open);
}

void StockWindow::redrawLinkedButton() {
    if (linkedButton_) linkedButton_->redrawChart();
}

void StockWindow::setRiseGreenConvention(bool) {
    redrawLinkedButton();
    if (chart_) chart_->markForRedraw();
}

void StockWindow::weekHistoryMerged() {
    if (delegate_) delegate_->weekHistoryMerged(this);
}

std::string StockWindow::getKlineHistoryServer() {
    return delegate_ ? delegate_->getKlineHistoryServer() : std::string();
}

void StockWindow::clearIndicators() {
    removeIndicator(IndicatorBase::TYPE_MOVING_AVERAGE);
    while (!panes_.empty()) removeIndicator(panes_.lastType());
}

void StockWindow::setSingleWindow(bool single) {
    singleWindow_ = single;
    if (shown_) closeButton_->setVisible(!single);
    layout();
}

void StockWindow::crosshairTimeChanged(long long time) {
    if (delegate_) delegate_->crosshairMoved(this, time);
}

void StockWindow::alertPlaced(double price) {
    if (PanelToggleButton* bell = toolbar_.getButton(TOOLBAR_PRICE_ALERT)) bell->setState(false);
    if (delegate_) delegate_->placePriceAlert(this, price);
}

void StockWindow::alertMoved(int id, double price) {
    if (delegate_) delegate_->movePriceAlert(this, id, price);
}

void StockWindow::alertRemoved(int id) {
    if (delegate_) delegate_->removePriceAlert(id);
}
