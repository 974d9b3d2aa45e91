#include "QuotePanel.h"

#include <cstdio>

#include "CCLabelTTF.h"
#include "CCScale9Sprite.h"
#include "CCSprite.h"
#include "LanguageTable.h"
#include "NumberAtlasLabel.h"
#include "Resources.h"
#include "RiseFallColours.h"

USING_NS_CC;

namespace {

constexpr const char* NO_PRICE = "--/--";
constexpr float CAPTION_FONT_SIZE = 13;
constexpr float TITLE_FONT_SIZE = 16;
constexpr float FRAME_WIDTH = 102;
constexpr float FRAME_HEIGHT = 45;
constexpr float FRAME_X = 60;
constexpr float FRAME_INITIAL_Y = 130;
constexpr float FRAME_TOP_GAP = 75;
constexpr float ROW_HEIGHT = 24;
constexpr float ROW_SPACING = 28;
constexpr float ROWS_GAP = 22;

}  // namespace

QuotePanel* QuotePanel::create(const ccColor3B& background) {
    return createAutoreleased<QuotePanel>(&QuotePanel::initPanel, background);
}

bool QuotePanel::initPanel(const ccColor3B& background) {
    if (!CCNode::init()) return false;
    setAnchorPoint(CCPointZero);
    // Opaque, so a title too long for a narrow window runs under the panel instead of through it.
    background_ = CCSprite::create();
    background_->setAnchorPoint(CCPointZero);
    background_->setColor(background);
    addChild(background_, -1);

    redFrame_ = CCScale9Sprite::createWithSpriteFrameName("frame_red.png");
    greenFrame_ = CCScale9Sprite::createWithSpriteFrameName("frame_green.png");
    if (!redFrame_ || !greenFrame_) return false;
    redFrame_->setContentSize(CCSize(FRAME_WIDTH, FRAME_HEIGHT));
    redFrame_->setPosition(FRAME_X, FRAME_INITIAL_Y);
    addChild(redFrame_);
    greenFrame_->setContentSize(CCSize(FRAME_WIDTH, FRAME_HEIGHT));
    greenFrame_->setPosition(FRAME_WIDTH * 0.5f, FRAME_HEIGHT * 0.5f);
    greenFrame_->setVisible(false);
    redFrame_->addChild(greenFrame_);

    title_ = CCLabelTTF::create("---\n---", FONT_FILE, TITLE_FONT_SIZE);
    title_->setAnchorPoint(CCPoint(0.5f, 0));
    title_->setPosition(FRAME_WIDTH * 0.5f, FRAME_HEIGHT + 4);
    redFrame_->addChild(title_, 1);

    lastPriceLabel_ = NumberAtlasLabel::create(NO_PRICE);
    changeLabel_ = NumberAtlasLabel::create("");
    if (!lastPriceLabel_ || !changeLabel_) return false;
    lastPriceLabel_->setPosition(6, FRAME_HEIGHT * 0.5f + 2);
    changeLabel_->setPosition(6, 3);
    redFrame_->addChild(lastPriceLabel_, 1);
    redFrame_->addChild(changeLabel_, 1);
    return buildRows();
}

bool QuotePanel::buildRows() {
    for (int i = 0; i < ROW_COUNT; ++i) {
        auto* row = CCScale9Sprite::createWithSpriteFrameName("rightPanelFrame.png");
        if (!row) return false;
        row->setContentSize(CCSize(FRAME_WIDTH, ROW_HEIGHT));
        auto* caption = CCLabelTTF::create("", FONT_FILE, CAPTION_FONT_SIZE);
        bindLangText(caption, ROW_KEYS[i]);
        caption->setAnchorPoint(CCPoint(0, 0.5f));
        caption->setPosition(5, ROW_HEIGHT * 0.5f);
        row->addChild(caption);
        valueLabels_[i] = NumberAtlasLabel::create("");
        if (!valueLabels_[i]) return false;
        valueLabels_[i]->setPosition(40, (ROW_HEIGHT - NumberAtlasLabel::CELL_HEIGHT) * 0.5f);
        row->addChild(valueLabels_[i]);
        addChild(row);
        rows_[i] = row;
    }
    return true;
}

void QuotePanel::placeInWindow(float windowWidth, float windowHeight) {
    setContentSize(CCSize(WIDTH, windowHeight));
    background_->setTextureRect(CCRect(0, 0, WIDTH, windowHeight));
    setPosition(windowWidth - WIDTH, 0);
    const float frameY = windowHeight - FRAME_TOP_GAP;
    redFrame_->setPosition(FRAME_X, frameY);
    float rowY = frameY - FRAME_HEIGHT * 0.5f - ROWS_GAP - ROW_HEIGHT * 0.5f;
    for (CCNode* row : rows_) {
        row->setPosition(FRAME_X, rowY);
        rowY -= ROW_SPACING;
    }
}

float QuotePanel::changePercent(float reference, float last) {
    const float move = last - reference;
    const float divisor = reference != 0 ? reference : move * 100;
    return divisor != 0 ? move / divisor * 100 : 0.0f;
}

void QuotePanel::showQuote(float reference, float high, float low, float last, bool riseGreen) {
    const float change = changePercent(reference, last);
    const float values[ROW_COUNT] = {high, reference, low, last};
    for (int i = 0; i < ROW_COUNT; ++i) glideNumber(i, valueLabels_[i], values[i], "%g");
    glideNumber(ROW_COUNT, changeLabel_, change, "%.3f/");
    rising_ = change >= 0;
    setRiseGreen(riseGreen);
}

void QuotePanel::setRiseGreen(bool riseGreen) {
    greenFrame_->setVisible(showsGreen(rising_, riseGreen));
}

void QuotePanel::glideNumber(int slot, NumberAtlasLabel* label, float to, const char* format) {
    if (glideTargets_[slot] == to) return;
    glideTargets_[slot] = to;
    label->stopAllActions();
    ExChangeLabelString* glide = ExChangeLabelString::create(GLIDE_SECONDS, label->getNumberValue(), to);
    if (!glide) {
        char text[64];
        std::snprintf(text, sizeof(text), format, static_cast<double>(to));
        label->setNumberText(text);
        label->setNumberValue(to);
        return;
    }
    glide->setFormat(format);
    glide->setLabelKind(true);
    // A ticking number reads as well at the ambient frame rate.
    glide->setAmbient(true);
    label->runAction(glide);
}

void QuotePanel::showLastPrice(float close) {
    char text[64];
    std::snprintf(text, sizeof(text), "%g", static_cast<double>(close));
    lastPriceLabel_->setString(text);
    lastPriceLabel_->setNumberValue(close);
}

void QuotePanel::clearLastPrice() {
    lastPriceLabel_->setString(NO_PRICE);
}

void QuotePanel::setTitle(const std::string& displayName, const std::string& symbol) {
    title_->setString((displayName + "\n" + symbol).c_str());
}

NumberAtlasLabel* QuotePanel::getValueLabel(int row) const {
    return row >= 0 && row < ROW_COUNT ? valueLabels_[row] : nullptr;
}
