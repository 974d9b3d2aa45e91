#include "InputDrawingTextPanel.h"

#include "CCKeyboard.h"
#include "CCLabelTTF.h"
#include "CCScale9Sprite.h"
#include "CCTextFieldTTF.h"
#include "DrawingKLine.h"
#include "LanguageTable.h"
#include "Resources.h"

USING_NS_CC;

namespace {
constexpr float CAPTION_FONT_SIZE = 14;
constexpr float FIELD_FONT_SIZE = 16;
constexpr float FRAME_HEIGHT = 30;
constexpr float INSET = 12;
constexpr const char* FRAME = "rectFrame.png";
}  // namespace

InputDrawingTextPanel* InputDrawingTextPanel::create(const ccColor3B& colour) {
    return createAutoreleased<InputDrawingTextPanel>(&InputDrawingTextPanel::initInput, colour);
}

InputDrawingTextPanel::~InputDrawingTextPanel() {
    releaseChart();
}

bool InputDrawingTextPanel::initInput(const ccColor3B& colour) {
    if (!initPanel(colour, CCSize(WIDTH, HEIGHT))) return false;
    CCLabelTTF* caption = CCLabelTTF::create("", FONT_FILE, CAPTION_FONT_SIZE);
    if (!caption) return false;
    bindLangText(caption, "inputDrawingText");
    caption->setAnchorPoint(CCPoint(0, 0.5f));
    caption->setPosition(CCPoint(INSET, HEIGHT - 18));
    addChild(caption);
    CCScale9Sprite* frame = CCScale9Sprite::createWithSpriteFrameName(FRAME);
    if (!frame) return false;
    frame->setContentSize(CCSize(WIDTH - 2 * INSET, FRAME_HEIGHT));
    frame->setAnchorPoint(CCPoint(0, 0));
    frame->setPosition(CCPoint(INSET, INSET + 4));
    addChild(frame, 1);
    field_ = CCTextFieldTTF::textFieldWithPlaceHolder("", CCSize(WIDTH - 2 * INSET - 16, 22),
                                                      kCCTextAlignmentLeft, FONT_FILE, FIELD_FONT_SIZE);
    if (!field_) return false;
    field_->setMaxLength(MAX_CHARACTERS);
    field_->setAnchorPoint(CCPoint(0, 0.5f));
    field_->setPosition(CCPoint(8, FRAME_HEIGHT / 2));
    field_->setOnEnter([this](CCTextFieldTTF*) { finish(true); });
    frame->addChild(field_);
    return true;
}

void InputDrawingTextPanel::openFor(DrawingKLine* chart, const std::string& text) {
    if (chart != chart_) {
        if (chart) chart->retain();
        releaseChart();
        chart_ = chart;
    }
    field_->setString(text.c_str());
    escapeWasDown_ = CCKeyboard::isKeyDown(kCCKeyEscape);
    show();
    field_->attachWithIME();
    scheduleUpdate();
    if (keyboardSwitch_) keyboardSwitch_(false);
}

void InputDrawingTextPanel::finish(bool apply) {
    DrawingKLine* chart = chart_;
    const std::string text = field_->getString();
    // Taken first: the chart's answer may reopen the input for another tool.
    chart_ = nullptr;
    unscheduleUpdate();
    field_->detachWithIME();
    if (isShown()) PopuPanelBase::hide();
    if (keyboardSwitch_) keyboardSwitch_(true);
    if (!chart) return;
    chart->finishTextEdit(apply, text);
    chart->release();
}

void InputDrawingTextPanel::hide() {
    finish(true);
}

void InputDrawingTextPanel::update(float) {
    const bool escapeDown = CCKeyboard::isKeyDown(kCCKeyEscape);
    if (escapeDown && !escapeWasDown_) finish(false);
    escapeWasDown_ = escapeDown;
}

void InputDrawingTextPanel::releaseChart() {
    if (chart_) chart_->release();
    chart_ = nullptr;
}
