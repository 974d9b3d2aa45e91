#include "SelectChartTypePanel.h"

#include <string>

#include "CCLabelTTF.h"
#include "CDebugModule.h"
#include "ChartChooserDelegate.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "Resources.h"
#include "StockWindow.h"

USING_NS_CC;

namespace {
constexpr float TITLE_FONT_SIZE = 18;
constexpr float CAPTION_FONT_SIZE = 14;
constexpr const char* CAPTION_KEYS[SelectChartTypePanel::CHART_TYPE_COUNT] = {"candlesticks", "line", "area",
                                                                              "bars"};
constexpr const char* INFO_KEYS[SelectChartTypePanel::CHART_TYPE_COUNT] = {"candlesticksInfo", "lineInfo",
                                                                           "areaInfo", "barsInfo"};
}  // namespace

SelectChartTypePanel* SelectChartTypePanel::create(const ccColor3B& colour) {
    return createAutoreleased<SelectChartTypePanel>(&SelectChartTypePanel::initChooser, colour);
}

SelectChartTypePanel::~SelectChartTypePanel() {
    releaseWindow();
}

bool SelectChartTypePanel::initChooser(const ccColor3B& colour) {
    if (!initPanel(colour, CCSize(WIDTH, HEIGHT))) return false;
    CCLabelTTF* title = CCLabelTTF::create("", FONT_FILE, TITLE_FONT_SIZE);
    if (!title) return false;
    bindLangText(title, "chartType");
    title->setPosition(CCPoint(WIDTH / 2, HEIGHT - 20));
    addChild(title);
    for (int type = 0; type < CHART_TYPE_COUNT; ++type) {
        const std::string normal = "chartType_" + std::to_string(type) + ".png";
        const std::string selected = "chartType_sel_" + std::to_string(type) + ".png";
        PanelToggleButton* button = PanelToggleButton::create(
            normal.c_str(), selected.c_str(), selected.c_str(), selected.c_str(), type + 1,
            [this](PanelButton* clicked) { onTypeButton(clicked->getTag()); });
        if (!button) return false;
        const float x = 40 + 80 * static_cast<float>(type);
        button->setPosition(CCPoint(x, HEIGHT - 75));
        addPanelButton(button);
        typeButtons_.push_back(button);
        CCLabelTTF* caption = CCLabelTTF::create("", FONT_FILE, CAPTION_FONT_SIZE);
        if (!caption) return false;
        bindLangText(caption, CAPTION_KEYS[type]);
        caption->setPosition(CCPoint(x, HEIGHT - 120));
        addChild(caption);
    }
    bindLangRefresh(this, [this] {
        infoTexts_.clear();
        for (const char* key : INFO_KEYS) infoTexts_.push_back(getLangTextOrDefault(key, ""));
    });
    infoLabel_ = CCLabelTTF::create("", FONT_FILE, INFO_FONT_SIZE, CCSize(INFO_WIDTH, HEIGHT - 145),
                                    kCCTextAlignmentLeft, kCCVerticalTextAlignmentTop);
    if (!infoLabel_) return false;
    infoLabel_->setAnchorPoint(CCPoint(0, 1));
    infoLabel_->setPosition(CCPoint((WIDTH - INFO_WIDTH) / 2, HEIGHT - 140));
    infoLabel_->setVisible(false);
    addChild(infoLabel_);
    scheduleUpdate();
    return true;
}

PanelToggleButton* SelectChartTypePanel::getTypeButton(int tag) const {
    if (tag < 1 || tag > static_cast<int>(typeButtons_.size())) return nullptr;
    return typeButtons_[static_cast<size_t>(tag - 1)];
}

void SelectChartTypePanel::showForWindow(StockWindow* window) {
    show();
    if (window != window_) {
        if (window) window->retain();
        releaseWindow();
        window_ = window;
    }
    for (PanelToggleButton* button : typeButtons_) button->setState(false);
    if (window_) {
        if (PanelToggleButton* current = getTypeButton(window_->getChartType() + 1)) current->setState(true);
    }
}

void SelectChartTypePanel::onTypeButton(int tag) {
    PanelToggleButton* button = getTypeButton(tag);
    if (!window_ || !button) return;
    playHoverSound();
    const int type = tag - 1;
    const int old = window_->getChartType();
    if (type != old) {
        logInfo("change chart type:%d -> %d", old, type);
        if (PanelToggleButton* oldButton = getTypeButton(old + 1)) oldButton->setState(false);
        button->setState(true);
        window_->setChartType(type);
    }
    hide();
}

void SelectChartTypePanel::hide() {
    PopuPanelBase::hide();
    infoLabel_->setVisible(false);
    if (!window_) return;
    window_->clearToolbarSelection();
    releaseWindow();
    if (delegate_) delegate_->saveWindowLayout();
}

void SelectChartTypePanel::releaseWindow() {
    if (window_) window_->release();
    window_ = nullptr;
}

void SelectChartTypePanel::update(float) {
    if (!isShown()) return;
    for (size_t i = 0; i < typeButtons_.size(); ++i) {
        if (!typeButtons_[i]->isHovered()) continue;
        infoLabel_->setString(infoTexts_[i].c_str());
        infoLabel_->setVisible(true);
        return;
    }
    infoLabel_->setVisible(false);
}
