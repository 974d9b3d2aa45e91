#include "NewsDetailPanel.h"

#include <algorithm>
#include <vector>

#include "CCLabelTTF.h"
#include "CCTouch.h"
#include "LanguageTable.h"
#include "NewsRow.h"
#include "PanelButton.h"
#include "Resources.h"

USING_NS_CC;

namespace {
constexpr float CLOSE_INSET = 20;
constexpr float TIME_ROW_HEIGHT = 30;
constexpr size_t PREVIOUS_FIELD = 3;
constexpr size_t COUNTRY_FIELD = 7;
constexpr size_t CURRENCY_FIELD = 9;
constexpr size_t UNIT_FIELD = 10;
constexpr size_t EFFECT_FIELD = 11;

std::string fieldOr(const std::vector<std::string>& fields, size_t index) {
    return index < fields.size() ? fields[index] : "";
}
}  // namespace

NewsDetailPanel* NewsDetailPanel::create() {
    return createAutoreleased<NewsDetailPanel>(&NewsDetailPanel::initDetail);
}

bool NewsDetailPanel::initDetail() {
    if (!initPanel(BACKGROUND, CCSize(WIDTH, 100))) return false;
    time_ = CCLabelTTF::create("", FONT_FILE, FONT_SIZE);
    body_ = CCLabelTTF::create("", FONT_FILE, FONT_SIZE, CCSize(WIDTH - 2 * MARGIN, 0), kCCTextAlignmentLeft);
    closeButton_ =
        PanelButton::create("close_small.png", "close_small_sel.png", 0, [this](PanelButton*) { close(); });
    if (!time_ || !body_ || !closeButton_) return false;
    time_->setAnchorPoint(CCPoint(0, 0.5f));
    body_->setAnchorPoint(CCPoint(0, 1));
    addChild(time_);
    addChild(body_);
    addPanelButton(closeButton_);
    return true;
}

void NewsDetailPanel::showRow(NewsRow* row, const CCSize& winSize) {
    if (!row) return;
    key_ = row->getKey();
    time_->setString(row->getTimeLabel()->getString());
    const std::vector<std::string> fields = row->getFields();
    const std::string text = row->getTextLabel()->getString();
    const bool data = row->getKind() == NewsRow::Kind::Data;
    // Composed in the current language; a switch while it is open composes it again.
    bindLangRefresh(body_, [this, fields, text, data, winSize] {
        std::string body = text;
        if (data) {
            body += "\n" + getLangText("begin") + fieldOr(fields, PREVIOUS_FIELD) + getLangText("expect") +
                    fieldOr(fields, PREVIOUS_FIELD + 1) + getLangText("actual") +
                    fieldOr(fields, PREVIOUS_FIELD + 2);
            body += "\n" + getLangText("newsCountry") + fieldOr(fields, COUNTRY_FIELD);
            body += "\n" + getLangText("newsCurrency") + fieldOr(fields, CURRENCY_FIELD);
            body += "\n" + getLangText("newsUnit") + fieldOr(fields, UNIT_FIELD);
            body += "\n" + getLangText("newsEffect") + fieldOr(fields, EFFECT_FIELD);
        }
        body_->setString(body.c_str());
        layout(winSize);
    });
    show();
}

void NewsDetailPanel::layout(const CCSize& winSize) {
    const float height = TIME_ROW_HEIGHT + body_->getContentSize().height + MARGIN;
    setContentSize(CCSize(WIDTH, height));
    getBackground()->changeWidthAndHeight(WIDTH, height);
    time_->setPosition(CCPoint(MARGIN, height - TIME_ROW_HEIGHT / 2));
    body_->setPosition(CCPoint(MARGIN, height - TIME_ROW_HEIGHT));
    closeButton_->setPosition(CCPoint(WIDTH - CLOSE_INSET, height - TIME_ROW_HEIGHT / 2));
    setAnchorPoint(CCPointZero);
    setPosition(
        CCPoint(std::max(0.0f, (winSize.width - WIDTH) / 2), std::max(0.0f, (winSize.height - height) / 2)));
}

void NewsDetailPanel::close() {
    if (!isShown()) return;
    key_.clear();
    unbindLang(body_);
    hide();
}

bool NewsDetailPanel::ccTouchBegan(CCTouch* touch, CCEvent* event) {
    if (!isShown()) return false;
    if (containsPoint(touch->getLocation())) return PopuPanelBase::ccTouchBegan(touch, event);
    close();
    return false;
}
