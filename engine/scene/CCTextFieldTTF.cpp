#include "CCTextFieldTTF.h"

#include <algorithm>
#include <cmath>

#include "CCDirector.h"
#include "CCFontAtlas.h"
#include "CCIMEDispatcher.h"

NS_CC_BEGIN

namespace {
constexpr double CURSOR_BLINK_SECONDS = 0.5;
}

CCTextFieldTTF::~CCTextFieldTTF() {
    CCIMEDispatcher::sharedDispatcher()->detach(this);
}

CCTextFieldTTF* CCTextFieldTTF::textFieldWithPlaceHolder(const char* placeholder, const char* fontName,
                                                         float fontSize) {
    return textFieldWithPlaceHolder(placeholder, CCSizeZero, kCCTextAlignmentLeft, fontName, fontSize);
}

CCTextFieldTTF* CCTextFieldTTF::textFieldWithPlaceHolder(const char* placeholder, const CCSize& dimensions,
                                                         CCTextAlignment alignment, const char* fontName,
                                                         float fontSize) {
    auto* field = new CCTextFieldTTF();
    field->placeholder_ = placeholder ? placeholder : "";
    field->initWithString("", fontName, fontSize, dimensions, alignment, kCCVerticalTextAlignmentTop);
    field->autorelease();
    return field;
}

int CCTextFieldTTF::getCharCount() const {
    return static_cast<int>(CCFontAtlas::decodeUTF8(text_).size());
}

void CCTextFieldTTF::setString(const char* text) {
    std::vector<uint32_t> chars = CCFontAtlas::decodeUTF8(text ? text : "");
    if (maxLength_ > 0 && chars.size() > static_cast<size_t>(maxLength_))
        chars.resize(static_cast<size_t>(maxLength_));
    std::string next = CCFontAtlas::encodeUTF8(chars);
    cursor_ = static_cast<int>(chars.size());
    if (next == text_) return;
    text_ = std::move(next);
    relayout();
}

void CCTextFieldTTF::setPlaceHolder(const char* text) {
    placeholder_ = text ? text : "";
    if (text_.empty()) relayout();
}

void CCTextFieldTTF::setMaxLength(int characters) {
    maxLength_ = std::max(characters, 0);
    if (maxLength_ > 0 && getCharCount() > maxLength_) {
        std::string current = text_;
        setString(current.c_str());
        changed();
    }
}

bool CCTextFieldTTF::attachWithIME() {
    if (delegate_ && delegate_->onTextFieldAttachWithIME(this)) return false;
    attached_ = true;
    CCIMEDispatcher::sharedDispatcher()->attach(this);
    return true;
}

bool CCTextFieldTTF::detachWithIME() {
    if (!attached_) return false;
    if (delegate_ && delegate_->onTextFieldDetachWithIME(this)) return false;
    CCIMEDispatcher::sharedDispatcher()->detach(this);
    attached_ = false;
    return true;
}

void CCTextFieldTTF::didDetachWithIME() {
    attached_ = false;
}

void CCTextFieldTTF::changed() {
    if (onChange_) onChange_(this);
}

void CCTextFieldTTF::insertText(const std::string& utf8) {
    // A line break (pasted text) ends the input: what comes before it is inserted, then enter.
    size_t newline = utf8.find_first_of("\r\n");
    std::string piece = utf8.substr(0, newline);
    std::vector<uint32_t> inserted = CCFontAtlas::decodeUTF8(piece);
    // Control characters are not text.
    inserted.erase(
        std::remove_if(inserted.begin(), inserted.end(), [](uint32_t c) { return c < 0x20 || c == 0x7F; }),
        inserted.end());
    std::vector<uint32_t> chars = CCFontAtlas::decodeUTF8(text_);
    if (maxLength_ > 0) {
        size_t room = chars.size() >= static_cast<size_t>(maxLength_) ? 0 : maxLength_ - chars.size();
        if (inserted.size() > room) inserted.resize(room);
    }
    if (!inserted.empty()) {
        std::string text = CCFontAtlas::encodeUTF8(inserted);
        if (!delegate_ ||
            !delegate_->onTextFieldInsertText(this, text.c_str(), static_cast<int>(text.size()))) {
            size_t at = std::min(static_cast<size_t>(cursor_), chars.size());
            chars.insert(chars.begin() + static_cast<long>(at), inserted.begin(), inserted.end());
            text_ = CCFontAtlas::encodeUTF8(chars);
            cursor_ = static_cast<int>(at + inserted.size());
            relayout();
            changed();
        }
    }
    if (newline != std::string::npos) enterPressed();
}

void CCTextFieldTTF::deleteBackward() {
    std::vector<uint32_t> chars = CCFontAtlas::decodeUTF8(text_);
    if (cursor_ <= 0 || chars.empty()) return;
    size_t at = std::min(static_cast<size_t>(cursor_), chars.size()) - 1;
    std::string removed = CCFontAtlas::encodeUTF8({chars[at]});
    if (delegate_ &&
        delegate_->onTextFieldDeleteBackward(this, removed.c_str(), static_cast<int>(removed.size())))
        return;
    chars.erase(chars.begin() + static_cast<long>(at));
    text_ = CCFontAtlas::encodeUTF8(chars);
    cursor_ = static_cast<int>(at);
    relayout();
    changed();
}

void CCTextFieldTTF::deleteForward() {
    std::vector<uint32_t> chars = CCFontAtlas::decodeUTF8(text_);
    if (cursor_ < 0 || static_cast<size_t>(cursor_) >= chars.size()) return;
    chars.erase(chars.begin() + cursor_);
    text_ = CCFontAtlas::encodeUTF8(chars);
    relayout();
    changed();
}

void CCTextFieldTTF::moveCursor(int delta) {
    cursor_ = std::clamp(cursor_ + delta, 0, getCharCount());
}

void CCTextFieldTTF::moveCursorToStart() {
    cursor_ = 0;
}

void CCTextFieldTTF::moveCursorToEnd() {
    cursor_ = getCharCount();
}

void CCTextFieldTTF::enterPressed() {
    if (onEnter_) onEnter_(this);
}

void CCTextFieldTTF::draw() {
    CCRenderer* r = CCRenderer::current();
    if (!r) return;
    if (text_.empty()) {
        // The placeholder in its own colour.
        ccColor3B color = displayedColor_;
        displayedColor_ = placeholderColor_;
        CCLabelTTF::draw();
        displayedColor_ = color;
    } else {
        CCLabelTTF::draw();
    }
    if (!attached_) return;
    double t = CCDirector::sharedDirector()->getTotalTime();
    if (std::fmod(t, 2 * CURSOR_BLINK_SECONDS) >= CURSOR_BLINK_SECONDS) return;
    float x = text_.empty() ? getCaretX(0) : getCaretX(static_cast<size_t>(cursor_));
    if (text_.empty() && hAlignment_ == kCCTextAlignmentCenter) x = contentSize_.width * 0.5f;
    float lineHeight = getLineHeight();
    float bottom = std::max(
        contentSize_.height - lineHeight * static_cast<float>(std::max<size_t>(getLineCount(), 1)), 0.0f);
    r->setDrawColor({displayedColor_.r / 255.0f, displayedColor_.g / 255.0f, displayedColor_.b / 255.0f,
                     displayedOpacity_ / 255.0f});
    r->setLineWidth(1);
    r->drawLine(CCPoint(x + 0.5f, bottom + 2), CCPoint(x + 0.5f, bottom + lineHeight - 2));
}

NS_CC_END
