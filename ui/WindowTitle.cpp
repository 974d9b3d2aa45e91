#include "WindowTitle.h"

#include <algorithm>
#include <cstdio>

#include "CCLabelTTF.h"
#include "CCSprite.h"
#include "CCSpriteFrameCache.h"
#include "CDebugModule.h"
#include "ChartColours.h"
#include "KLineBar.h"
#include "LanguageTable.h"
#include "QuotePanel.h"
#include "Resources.h"

USING_NS_CC;

namespace {

constexpr const char* DEFAULT_FLAG = "defualt.png";
constexpr const ccColor3B TITLE_GREY{120, 120, 120};
constexpr const ccColor3B TITLE_WHITE{255, 255, 255};
constexpr const ccColor3B HOVER_COLOUR{170, 176, 190};
static_assert(WindowTitle::MA_COUNT == MA_LINE_COUNT);

constexpr float TITLE_FONT_SIZE = 19;
constexpr float SMALL_FONT_SIZE = 13;
constexpr float STOCK_BUTTON_WIDTH = 100;
constexpr float TIME_BUTTON_WIDTH = 70;
constexpr float FLAG_X = 5;
constexpr float STOCK_BUTTON_EXTRA_WIDTH = 67;
constexpr float TIME_BUTTON_EXTRA_WIDTH = 30;
constexpr float BUTTON_EXTRA_HEIGHT = 6;
constexpr float TOP_GAP = 5;
constexpr float HOVER_GAP = 10;
constexpr float HOVER_COLUMN_GAP = 20;
constexpr float HOVER_ROW_HEIGHT = 15;
// Room kept between the read-out and a toolbar above it.
constexpr float TOOLBAR_GAP = 5;

PanelButton* makeTitleButton(float width, const CCPoint& anchor, PanelButton::Callback onClick) {
    auto* button = PanelButton::create("rectFrame.png", "rectFrame.png", 0, std::move(onClick));
    if (!button) return nullptr;
    // Only the labels show; the frame is the hit area.
    button->setOpacity(0);
    button->setAnchorPoint(anchor);
    button->setContentSize(CCSize(width, WindowTitle::BUTTON_HEIGHT));
    return button;
}

}  // namespace

WindowTitle* WindowTitle::create(const std::string& displayName, PanelButton::Callback onStockButton,
                                 PanelButton::Callback onTimeTypeButton) {
    return createAutoreleased<WindowTitle>(&WindowTitle::initTitle, displayName, std::move(onStockButton),
                                           std::move(onTimeTypeButton));
}

bool WindowTitle::initTitle(const std::string& displayName, PanelButton::Callback onStockButton,
                            PanelButton::Callback onTimeTypeButton) {
    if (!CCNode::init()) return false;
    setAnchorPoint(CCPointZero);
    stockButton_ = makeTitleButton(STOCK_BUTTON_WIDTH, CCPoint(0, 1), std::move(onStockButton));
    if (!stockButton_) return false;
    addChild(stockButton_);

    flag_ = CCSprite::createWithSpriteFrameName(DEFAULT_FLAG);
    if (!flag_) return false;
    flag_->setAnchorPoint(CCPoint(0, 0.5f));
    stockButton_->addChild(flag_);
    nameLabel_ = CCLabelTTF::create(displayName.c_str(), FONT_FILE, TITLE_FONT_SIZE);
    nameLabel_->setAnchorPoint(CCPoint(0, 0.5f));
    nameLabel_->setColor(TITLE_GREY);
    stockButton_->addChild(nameLabel_);

    timeTypeButton_ = makeTitleButton(TIME_BUTTON_WIDTH, CCPoint(0, 0.5f), std::move(onTimeTypeButton));
    if (!timeTypeButton_) return false;
    stockButton_->addChild(timeTypeButton_);
    timeTypeLabel_ = CCLabelTTF::create("[]", FONT_FILE, TITLE_FONT_SIZE);
    timeTypeLabel_->setAnchorPoint(CCPoint(0.5f, 0.5f));
    timeTypeLabel_->setColor(TITLE_GREY);
    timeTypeButton_->addChild(timeTypeLabel_);
    buildReadout();
    return true;
}

void WindowTitle::buildReadout() {
    for (auto*& label : hoverLabels_) {
        label = CCLabelTTF::create("", FONT_FILE, SMALL_FONT_SIZE);
        label->setAnchorPoint(CCPoint(0, 0.5f));
        label->setColor(HOVER_COLOUR);
        label->setVisible(false);
        addChild(label);
    }
    for (int i = 0; i < MA_COUNT; ++i) {
        maLabels_[i] = CCLabelTTF::create("", FONT_FILE, SMALL_FONT_SIZE);
        maLabels_[i]->setAnchorPoint(CCPoint(0, 0.5f));
        maLabels_[i]->setColor(labelColourOf(MA_COLOURS[i]));
        maLabels_[i]->setVisible(false);
        addChild(maLabels_[i]);
    }
}

void WindowTitle::placeInWindow(float left, float windowHeight) {
    stockButton_->setPosition(left, windowHeight - TOP_GAP);
}

void WindowTitle::setNames(const std::string& displayName, const std::string& timeTypeName) {
    nameLabel_->setString(displayName.c_str());
    timeTypeLabel_->setString(("[" + timeTypeName + "]").c_str());

    const CCSize nameSize = nameLabel_->getContentSize();
    const CCSize flagSize = flag_->getContentSize();
    const CCSize stockSize(nameSize.width + STOCK_BUTTON_EXTRA_WIDTH, nameSize.height + BUTTON_EXTRA_HEIGHT);
    stockButton_->setContentSize(stockSize);
    flag_->setPosition(FLAG_X, stockSize.height * 0.5f);
    nameLabel_->setPosition(FLAG_X + flagSize.width + 4, stockSize.height * 0.5f);
    const CCSize timeSize = timeTypeLabel_->getContentSize();
    const CCSize buttonSize(timeSize.width + TIME_BUTTON_EXTRA_WIDTH, timeSize.height + BUTTON_EXTRA_HEIGHT);
    timeTypeButton_->setContentSize(buttonSize);
    timeTypeButton_->setPosition(stockSize.width, stockSize.height * 0.5f);
    timeTypeLabel_->setPosition(buttonSize.width * 0.5f, buttonSize.height * 0.5f);
}

void WindowTitle::showFlag(const std::string& code) {
    const std::string flagName = code + ".png";
    CCSpriteFrame* frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(flagName);
    if (!frame) {
        logInfo("get stock flag error:%s", flagName.c_str());
        frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(DEFAULT_FLAG);
    }
    if (frame) flag_->setDisplayFrame(frame);
}

void WindowTitle::setActive(bool active) {
    const ccColor3B colour = active ? TITLE_WHITE : TITLE_GREY;
    nameLabel_->setColor(colour);
    timeTypeLabel_->setColor(colour);
}

float WindowTitle::getRight() const {
    return stockButton_->getPositionX() + stockButton_->getContentSize().width +
           timeTypeButton_->getContentSize().width;
}

void WindowTitle::showBar(const KLineBar& bar, bool showMA) {
    const float values[READOUT_COUNT] = {bar.high, bar.open, bar.low, bar.close};
    for (int i = 0; i < READOUT_COUNT; ++i) {
        readoutValues_[i] = values[i];
        hoverLabels_[i]->setVisible(true);
    }
    composeReadout();
    for (int i = 0; i < MA_COUNT; ++i) {
        char text[64];
        std::snprintf(text, sizeof(text), "MA:%.4f", static_cast<double>(bar.ma[i]));
        maLabels_[i]->setString(text);
        maLabels_[i]->setVisible(showMA);
    }
}

void WindowTitle::composeReadout() {
    for (int i = 0; i < READOUT_COUNT; ++i) {
        char text[128];
        const std::string caption = getLangTextOrDefault(QuotePanel::ROW_KEYS[i], "");
        std::snprintf(text, sizeof(text), "%s %g", caption.c_str(), static_cast<double>(readoutValues_[i]));
        hoverLabels_[i]->setString(text);
    }
}

void WindowTitle::hideReadout() {
    for (CCLabelTTF* label : hoverLabels_) label->setVisible(false);
    hideMALabels();
}

void WindowTitle::hideMALabels() {
    for (CCLabelTTF* label : maLabels_) label->setVisible(false);
}

void WindowTitle::placeReadout(float windowHeight, const CCNode* toolbar) {
    const float left = getRight() + HOVER_GAP;
    float top = windowHeight - TOP_GAP - HOVER_ROW_HEIGHT * 0.5f;
    const float firstColumn =
        std::max(hoverLabels_[0]->getContentSize().width, hoverLabels_[2]->getContentSize().width);
    float right = left + firstColumn + HOVER_COLUMN_GAP +
                  std::max(hoverLabels_[1]->getContentSize().width, hoverLabels_[3]->getContentSize().width);
    float maRight = left;
    for (CCLabelTTF* label : maLabels_)
        if (label->isVisible()) maRight += label->getContentSize().width + HOVER_COLUMN_GAP;
    right = std::max(right, maRight - HOVER_COLUMN_GAP);
    const float toolbarBottom = toolbar->getPositionY();
    const float toolbarTop = toolbarBottom + toolbar->getContentSize().height;
    const float readoutTop = top + HOVER_ROW_HEIGHT * 0.5f;
    const float readoutBottom = readoutTop - 3 * HOVER_ROW_HEIGHT;
    if (toolbar->isVisible() && right > toolbar->getPositionX() && readoutBottom < toolbarTop &&
        readoutTop > toolbarBottom)
        top = toolbarBottom - TOOLBAR_GAP - HOVER_ROW_HEIGHT * 0.5f;
    hoverLabels_[0]->setPosition(left, top);
    hoverLabels_[2]->setPosition(left, top - HOVER_ROW_HEIGHT);
    const float second = left + firstColumn + HOVER_COLUMN_GAP;
    hoverLabels_[1]->setPosition(second, top);
    hoverLabels_[3]->setPosition(second, top - HOVER_ROW_HEIGHT);
    float maX = left;
    for (CCLabelTTF* label : maLabels_) {
        label->setPosition(maX, top - 2 * HOVER_ROW_HEIGHT);
        maX += label->getContentSize().width + HOVER_COLUMN_GAP;
    }
}

CCLabelTTF* WindowTitle::getHoverLabel(int index) const {
    return index >= 0 && index < READOUT_COUNT ? hoverLabels_[index] : nullptr;
}

CCLabelTTF* WindowTitle::getMALabel(int index) const {
    return index >= 0 && index < MA_COUNT ? maLabels_[index] : nullptr;
}
