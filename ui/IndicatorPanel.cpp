#include "IndicatorPanel.h"

#include <algorithm>
#include <string>

#include "CCLabelTTF.h"
#include "CCLayerColor.h"
#include "CDebugModule.h"
#include "ChartChooserDelegate.h"
#include "IndicatorBase.h"
#include "IndicatorPane.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "Resources.h"
#include "StockWindow.h"
#include "Theme.h"

USING_NS_CC;

namespace {
constexpr const char* HIT_FRAME = "rectFrame.png";
constexpr float TITLE_FONT_SIZE = 18;
constexpr float INFO_FONT_SIZE = 13;
constexpr float MARGIN = 10;
constexpr float ICON_X = 30;
constexpr float INFO_X = 56;
// By indicator type, 1 to 5.
constexpr const char* INFO_KEYS[IndicatorPanel::INDICATOR_COUNT] = {"maInfo", "tradingInfo", "macdInfo",
                                                                    "kdjInfo", "bollInfo"};

bool isPresent(const StockWindow* window, int type) {
    if (type == IndicatorBase::TYPE_MOVING_AVERAGE) return window->isShowMA();
    const std::vector<IndicatorPane> panes = window->getIndicatorPanes();
    return std::any_of(panes.begin(), panes.end(),
                       [type](const IndicatorPane& pane) { return pane.type == type; });
}
}  // namespace

IndicatorPanel* IndicatorPanel::create(const ccColor3B& colour) {
    return createAutoreleased<IndicatorPanel>(&IndicatorPanel::initPicker, colour);
}

IndicatorPanel::~IndicatorPanel() {
    releaseWindow();
}

bool IndicatorPanel::initPicker(const ccColor3B& colour) {
    if (!initPanel(colour, CCSize(WIDTH, HEIGHT))) return false;
    CCLabelTTF* title = CCLabelTTF::create("", FONT_FILE, TITLE_FONT_SIZE);
    if (!title) return false;
    bindLangText(title, "indicators");
    title->setPosition(CCPoint(WIDTH / 2, HEIGHT - TITLE_HEIGHT / 2));
    addChild(title);
    const float rowWidth = WIDTH - 2 * MARGIN;
    for (int type = IndicatorPane::MIN_TYPE; type <= IndicatorPane::MAX_TYPE; ++type) {
        PanelButton* button = PanelButton::create(
            HIT_FRAME, HIT_FRAME, type, [this](PanelButton* clicked) { onIndicatorRow(clicked->getTag()); });
        const std::string icon = "index_icon_" + std::to_string(type) + ".png";
        CCSprite* iconSprite = CCSprite::createWithSpriteFrameName(icon.c_str());
        CCLayerColor* mark = CCLayerColor::create(PANEL_SELECTION, rowWidth, ROW_HEIGHT);
        CCLabelTTF* info =
            CCLabelTTF::create("", FONT_FILE, INFO_FONT_SIZE, CCSize(rowWidth - INFO_X - 4, ROW_HEIGHT),
                               kCCTextAlignmentLeft, kCCVerticalTextAlignmentCenter);
        if (!button || !iconSprite || !mark || !info) return false;
        // Only the mark, the icon and the text show; the frame is the hit area.
        button->setOpacity(0);
        button->setAnchorPoint(CCPointZero);
        button->setContentSize(CCSize(rowWidth, ROW_HEIGHT));
        button->setPosition(CCPoint(MARGIN, HEIGHT - TITLE_HEIGHT - ROW_HEIGHT * static_cast<float>(type)));
        mark->setVisible(false);
        button->addChild(mark, -1);
        iconSprite->setPosition(CCPoint(ICON_X, ROW_HEIGHT / 2));
        button->addChild(iconSprite);
        bindLangText(info, INFO_KEYS[type - 1]);
        info->setAnchorPoint(CCPoint(0, 0.5f));
        info->setPosition(CCPoint(INFO_X, ROW_HEIGHT / 2));
        button->addChild(info);
        addPanelButton(button);
        rows_.push_back(Row{button, mark, iconSprite, info});
    }
    return true;
}

void IndicatorPanel::setTargetWindow(StockWindow* window) {
    if (window == window_) return;
    if (window) window->retain();
    releaseWindow();
    window_ = window;
}

void IndicatorPanel::releaseWindow() {
    if (window_) window_->release();
    window_ = nullptr;
}

void IndicatorPanel::showAt(const CCPoint& topLeft) {
    setAnchorPoint(CCPoint(0, 1));
    setPosition(getParent() ? getParent()->convertToNodeSpace(topLeft) : topLeft);
    show();
}

void IndicatorPanel::show() {
    PopuPanelBase::show();
    markRows();
}

void IndicatorPanel::markRows() {
    for (int type = IndicatorPane::MIN_TYPE; type <= IndicatorPane::MAX_TYPE; ++type)
        rows_[static_cast<size_t>(type - 1)].mark->setVisible(window_ && isPresent(window_, type));
}

PanelButton* IndicatorPanel::getRowButton(int type) const {
    if (type < IndicatorPane::MIN_TYPE || type > IndicatorPane::MAX_TYPE) return nullptr;
    return rows_[static_cast<size_t>(type - 1)].button;
}

CCSprite* IndicatorPanel::getRowIcon(int type) const {
    if (type < IndicatorPane::MIN_TYPE || type > IndicatorPane::MAX_TYPE) return nullptr;
    return rows_[static_cast<size_t>(type - 1)].icon;
}

CCLabelTTF* IndicatorPanel::getRowInfo(int type) const {
    if (type < IndicatorPane::MIN_TYPE || type > IndicatorPane::MAX_TYPE) return nullptr;
    return rows_[static_cast<size_t>(type - 1)].info;
}

bool IndicatorPanel::isRowSelected(int type) const {
    if (type < IndicatorPane::MIN_TYPE || type > IndicatorPane::MAX_TYPE) return false;
    return rows_[static_cast<size_t>(type - 1)].mark->isVisible();
}

void IndicatorPanel::onIndicatorRow(int type) {
    if (type < IndicatorPane::MIN_TYPE || type > IndicatorPane::MAX_TYPE) return;
    playHoverSound();
    if (!window_) {
        hide();
        return;
    }
    if (isPresent(window_, type)) {
        window_->removeIndicator(type);
    } else if (!window_->addIndicator(type, IndicatorPane::DEFAULT_HEIGHT_RATIO)) {
        logInfo("add indicator failed:%d", type);
    }
    hide();
    if (delegate_) delegate_->saveWindowLayout();
}

void IndicatorPanel::hide() {
    PopuPanelBase::hide();
    if (!window_) return;
    window_->clearToolbarSelection();
    releaseWindow();
}
