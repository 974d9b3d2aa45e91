#include "NewsRow.h"

#include <algorithm>
#include <charconv>

#include "CCLabelTTF.h"
#include "CCSprite.h"
#include "CCSpriteFrameCache.h"
#include "DisplayTimeZone.h"
#include "LanguageTable.h"
#include "NewsRecords.h"
#include "Resources.h"

USING_NS_CC;

namespace {
constexpr const char* MARKER_IMAGE = "news_point.png";
constexpr const char* STAR_UNLIT = "star0.png";
constexpr const char* STAR_LIT_LOW = "star1.png";
constexpr const char* STAR_LIT_HIGH = "star2.png";
constexpr int HIGH_IMPORTANCE = 3;
constexpr size_t TITLE_FIELD = 2;
constexpr size_t PREVIOUS_FIELD = 3;
constexpr size_t EXPECTED_FIELD = 4;
constexpr size_t ACTUAL_FIELD = 5;
constexpr size_t IMPORTANCE_FIELD = 6;

// A whole number at the start of text; anything else, or a negative number, is 0.
int importanceOf(const std::string& text) {
    int value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || value < 0) return 0;
    return value;
}

CCLabelTTF* makeLabel(const std::string& text, float wrapWidth) {
    return CCLabelTTF::create(text.c_str(), FONT_FILE, NewsRow::FONT_SIZE, CCSize(wrapWidth, 0),
                              kCCTextAlignmentLeft);
}
}  // namespace

NewsRow* NewsRow::createFlash(const std::string& key, const std::string& text, float width) {
    return createAutoreleased<NewsRow>(&NewsRow::initFlash, key, text, width);
}

NewsRow* NewsRow::createData(const std::vector<std::string>& fields, float width) {
    if (fields.size() < MIN_DATA_FIELDS) return nullptr;
    return createAutoreleased<NewsRow>(&NewsRow::initData, fields, width);
}

std::string NewsRow::displayTime(const std::string& key) {
    const auto utc = news_records::parseUtcKey(key);
    if (!utc) return key;
    return DisplayTimeZone::shared().format(utc->unixSeconds,
                                            utc->withSeconds ? "%Y-%m-%d %H:%M:%S" : "%Y-%m-%d %H:%M");
}

bool NewsRow::initCommon(Kind kind, const std::string& key, const std::string& text, float width) {
    if (!initWithColor(ccColor4B{BACKGROUND.r, BACKGROUND.g, BACKGROUND.b, 255}, width, 0)) return false;
    kind_ = kind;
    key_ = key;
    width_ = width;
    time_ = makeLabel("", 0);
    text_ = makeLabel(text, std::max(0.0f, width - WRAP_MARGIN));
    marker_ = CCSprite::createWithSpriteFrameName(MARKER_IMAGE);
    if (!time_ || !text_ || !marker_) return false;
    time_->setAnchorPoint(CCPoint(0, 0.5f));
    time_->setTag(TIME_TAG);
    text_->setAnchorPoint(CCPoint(0, 1));
    marker_->setTag(MARKER_TAG);
    addChild(time_);
    addChild(text_);
    addChild(marker_, MARKER_Z);
    // The key stays UTC: only what is shown follows the zone.
    DisplayTimeZone::shared().bind(time_, [this] { time_->setString(displayTime(key_).c_str()); });
    return true;
}

bool NewsRow::initFlash(const std::string& key, const std::string& text, float width) {
    if (!initCommon(Kind::Flash, key, text, width)) return false;
    text_->setColor(FLASH_TEXT_COLOUR);
    text_->setTag(TEXT_OR_VALUES_TAG);
    layoutFlash();
    return true;
}

bool NewsRow::initData(const std::vector<std::string>& fields, float width) {
    if (fields.size() < MIN_DATA_FIELDS) return false;
    if (!initCommon(Kind::Data, fields[DATA_KEY_FIELD], fields[TITLE_FIELD], width)) return false;
    values_ = makeLabel("", 0);
    if (!values_) return false;
    values_->setAnchorPoint(CCPoint(0, 0.5f));
    values_->setPosition(CCPoint(VALUES_X, VALUES_Y));
    values_->setColor(VALUES_COLOUR);
    values_->setTag(TEXT_OR_VALUES_TAG);
    addChild(values_);
    for (int i = 0; i < STAR_COUNT; ++i) {
        CCSprite* star = CCSprite::createWithSpriteFrameName(STAR_UNLIT);
        if (!star) return false;
        star->setPosition(CCPoint(STAR_X + STAR_STEP * static_cast<float>(i), STAR_Y));
        addChild(star, STAR_Z);
        stars_.push_back(star);
    }
    bindLangRefresh(values_, [this] { refreshValues(); });
    setDataRecord(fields);
    return true;
}

void NewsRow::layoutFlash() {
    const float timeHeight = time_->getContentSize().height;
    const float height = timeHeight + text_->getContentSize().height + FLASH_PADDING;
    changeHeight(height);
    text_->setPosition(CCPoint(TEXT_X, height - timeHeight));
    time_->setPosition(CCPoint(TEXT_X, height - timeHeight * 0.5f + 5));
    marker_->setPosition(CCPoint(MARKER_X, time_->getPositionY()));
}

void NewsRow::layoutData() {
    const float timeHeight = time_->getContentSize().height;
    const float height = timeHeight + text_->getContentSize().height + DATA_PADDING;
    changeHeight(height);
    text_->setPosition(CCPoint(TEXT_X, height - timeHeight + 5));
    time_->setPosition(CCPoint(TEXT_X, height - timeHeight * 0.5f + 5));
    marker_->setPosition(CCPoint(MARKER_X, time_->getPositionY()));
}

void NewsRow::setFlashText(const std::string& text) {
    if (kind_ != Kind::Flash) return;
    text_->setString(text.c_str());
    layoutFlash();
}

void NewsRow::setDataRecord(const std::vector<std::string>& fields) {
    if (kind_ != Kind::Data || fields.size() < MIN_DATA_FIELDS) return;
    fields_ = fields;
    text_->setString(fields[TITLE_FIELD].c_str());
    showStars(importanceOf(fields[IMPORTANCE_FIELD]));
    setValues(fields[PREVIOUS_FIELD], fields[EXPECTED_FIELD], fields[ACTUAL_FIELD]);
    layoutData();
}

void NewsRow::setValues(const std::string& previous, const std::string& expected, const std::string& actual) {
    if (kind_ != Kind::Data) return;
    previous_ = previous;
    expected_ = expected;
    actual_ = actual;
    // The detail view reads the newest values from the record.
    if (fields_.size() > ACTUAL_FIELD) {
        fields_[PREVIOUS_FIELD] = previous;
        fields_[EXPECTED_FIELD] = expected;
        fields_[ACTUAL_FIELD] = actual;
    }
    refreshValues();
}

void NewsRow::refreshValues() {
    if (!values_) return;
    const std::string text = getLangText("begin") + previous_ + getLangText("expect") + expected_ +
                             getLangText("actual") + actual_;
    values_->setString(text.c_str());
}

void NewsRow::showStars(int importance) {
    CCSpriteFrameCache* frames = CCSpriteFrameCache::sharedSpriteFrameCache();
    CCSpriteFrame* lit =
        frames->spriteFrameByName(importance >= HIGH_IMPORTANCE ? STAR_LIT_HIGH : STAR_LIT_LOW);
    CCSpriteFrame* unlit = frames->spriteFrameByName(STAR_UNLIT);
    for (int i = 0; i < static_cast<int>(stars_.size()); ++i) {
        CCSpriteFrame* frame = i < importance ? lit : unlit;
        if (frame) stars_[static_cast<size_t>(i)]->setDisplayFrame(frame);
    }
}

void NewsRow::setMarkerDimmed(bool dimmed) {
    marker_->setOpacity(dimmed ? DIMMED_OPACITY : 255);
}

CCSprite* NewsRow::getStar(int index) const {
    if (index < 0 || index >= static_cast<int>(stars_.size())) return nullptr;
    return stars_[static_cast<size_t>(index)];
}
