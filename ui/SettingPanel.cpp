#include "SettingPanel.h"

#include <cstdio>

#include "CCLabelTTF.h"
#include "CCLayerColor.h"
#include "CCSprite.h"
#include "CCSpriteFrameCache.h"
#include "CDebugModule.h"
#include "DisplaySwitches.h"
#include "DisplayTimeZone.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "Preferences.h"
#include "Resources.h"
#include "SelectLanguagePanel.h"
#include "Theme.h"
#include "TimeZoomPanel.h"
#include "UserData.h"

USING_NS_CC;

namespace {
constexpr float TITLE_FONT_SIZE = 18;
constexpr float CAPTION_FONT_SIZE = 15;
constexpr float FIELD_FONT_SIZE = 13;
constexpr float MARGIN = 30;
constexpr float CONTROL_X = 190;
constexpr float FIELD_WIDTH = SettingPanel::WIDTH - CONTROL_X - 20;
constexpr float FIELD_HEIGHT = 32;
constexpr float FLAG_INSET = 14;
constexpr float NAME_INSET = 30;
constexpr float CLOCK_INSET = 8;
constexpr float CLOSE_INSET = 22;
constexpr float ZONE_ROW_Y = 75;
constexpr float ROW_STEP = 45;
constexpr float SWITCH_STEP = 36;
constexpr float CHECK_X = CONTROL_X + 12;
constexpr float LOGO_Y = 78;
constexpr float LOGO_SCALE = 0.75f;
constexpr float ABOUT_Y = 30;
constexpr float CHOOSER_Z = 10;
constexpr const char* FIELD_FRAME = "stockFrameRect.png";
constexpr const char* FIELD_HOVER_FRAME = "stockFrameRect2.png";
constexpr const char* CHECK_OFF_FRAME = "checkBox.png";
constexpr const char* CHECK_ON_FRAME = "checkBox_sel.png";
constexpr const char* PROGRAM_NAME = "Zento";
const ccColor4B LINE_COLOUR{58, 67, 96, 255};
const ccColor3B CLOCK_COLOUR{160, 168, 190};
const ccColor3B ABOUT_COLOUR{160, 160, 160};

struct SwitchRow {
    int tag;
    DisplaySwitches::Switch which;
    const char* key;
};
constexpr SwitchRow SWITCH_ROWS[] = {
    {SettingPanel::TAG_SHOW_BG, DisplaySwitches::SHOW_BG, "showBg"},
    {SettingPanel::TAG_SHOW_CROSS_POINT, DisplaySwitches::SHOW_CROSS_POINT, "showCrossPoint"},
    {SettingPanel::TAG_SHOW_GRID, DisplaySwitches::SHOW_GRID, "showGrid"},
    {SettingPanel::TAG_INVERSE_RED_GREEN, DisplaySwitches::INVERSE_RED_GREEN, "inverseRedGreen"},
};

const SwitchRow* switchRow(int tag) {
    for (const SwitchRow& row : SWITCH_ROWS)
        if (row.tag == tag) return &row;
    return nullptr;
}

void showFrame(CCSprite* sprite, const char* frameName) {
    if (!sprite || !frameName) return;
    if (CCSpriteFrame* frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(frameName))
        sprite->setDisplayFrame(frame);
}

void setText(CCLabelTTF* label, const std::string& text) {
    // The label itself skips an unchanged text.
    if (label) label->setString(text.c_str());
}
}  // namespace

SettingPanel* SettingPanel::create(int version) {
    return createAutoreleased<SettingPanel>(&SettingPanel::initSettings, version);
}

bool SettingPanel::initSettings(int version) {
    if (!initPanel(PANEL_BACKGROUND, CCSize(WIDTH, HEIGHT))) return false;
    setModal(true);
    if (!buildHeader() || !buildZoneRow(HEIGHT - ZONE_ROW_Y) ||
        !buildLanguageRow(HEIGHT - ZONE_ROW_Y - ROW_STEP))
        return false;
    float y = HEIGHT - ZONE_ROW_Y - 2 * ROW_STEP - 5;
    for (const SwitchRow& row : SWITCH_ROWS) {
        if (!buildSwitchRow(row.tag, row.key, y)) return false;
        y -= SWITCH_STEP;
    }
    y -= ROW_STEP - SWITCH_STEP;
    if (!buildLinkedRow(y) || !buildAbout(version, y - ROW_STEP / 2 - 8)) return false;
    // One source for what the panel shows: the services tell it of every change, from here or elsewhere.
    DisplayTimeZone::shared().bind(zoneName_, [this] { refreshZone(); });
    bindLangRefresh(zoneName_, [this] { refreshZone(); });
    DisplayTimeZone::shared().bindClock(clock_, [this] { refreshClock(); });
    bindLangRefresh(languageName_, [this] { refreshLanguage(); });
    DisplaySwitches::shared().bind(this, [this] { refreshChecks(); });
    return true;
}

CCLabelTTF* SettingPanel::addCaption(const char* key, const CCPoint& at, float fontSize) {
    CCLabelTTF* caption = CCLabelTTF::create("", FONT_FILE, fontSize);
    if (!caption) return nullptr;
    bindLangText(caption, key);
    caption->setAnchorPoint(CCPoint(0, 0.5f));
    caption->setPosition(at);
    addChild(caption, 1);
    return caption;
}

bool SettingPanel::buildHeader() {
    CCLabelTTF* title = addCaption("setting", CCPoint(MARGIN, HEIGHT - CLOSE_INSET), TITLE_FONT_SIZE);
    PanelButton* close = PanelButton::create("close.png", "close_sel.png", TAG_CLOSE,
                                             [this](PanelButton* button) { onButton(button->getTag()); });
    if (!title || !close) return false;
    close->setPosition(CCPoint(WIDTH - CLOSE_INSET, HEIGHT - CLOSE_INSET));
    addPanelButton(close);
    tagged_.push_back(close);
    return true;
}

PanelButton* SettingPanel::addFieldButton(int tag, float y) {
    PanelButton* button = PanelButton::create(FIELD_FRAME, FIELD_HOVER_FRAME, tag,
                                              [this](PanelButton* clicked) { onButton(clicked->getTag()); });
    if (!button) return nullptr;
    // The frame is a plate stretched over the field; flag and texts lie on it.
    button->setPosition(CCPoint(CONTROL_X + FIELD_WIDTH / 2, y));
    const CCSize frame = button->getContentSize();
    if (frame.width > 0 && frame.height > 0) {
        button->setScaleX(FIELD_WIDTH / frame.width);
        button->setScaleY(FIELD_HEIGHT / frame.height);
    }
    addPanelButton(button);
    tagged_.push_back(button);
    return button;
}

bool SettingPanel::buildZoneRow(float y) {
    if (!addCaption("timeZoneSetting", CCPoint(MARGIN, y), CAPTION_FONT_SIZE) ||
        !addFieldButton(TAG_TIME_ZONE, y))
        return false;
    zoneFlag_ = CCSprite::createWithSpriteFrameName(DisplayTimeZone::flagImage(0));
    zoneName_ = CCLabelTTF::create("", FONT_FILE, FIELD_FONT_SIZE);
    clock_ = CCLabelTTF::create("", FONT_FILE, FIELD_FONT_SIZE);
    if (!zoneFlag_ || !zoneName_ || !clock_) return false;
    zoneFlag_->setPosition(CCPoint(CONTROL_X + FLAG_INSET, y));
    zoneName_->setAnchorPoint(CCPoint(0, 0.5f));
    zoneName_->setPosition(CCPoint(CONTROL_X + NAME_INSET, y));
    clock_->setAnchorPoint(CCPoint(1, 0.5f));
    clock_->setPosition(CCPoint(CONTROL_X + FIELD_WIDTH - CLOCK_INSET, y));
    clock_->setColor(CLOCK_COLOUR);
    addChild(zoneFlag_, 1);
    addChild(zoneName_, 1);
    addChild(clock_, 1);
    return true;
}

bool SettingPanel::buildLanguageRow(float y) {
    if (!addCaption("languageSetting", CCPoint(MARGIN, y), CAPTION_FONT_SIZE) ||
        !addFieldButton(TAG_LANGUAGE, y))
        return false;
    languageFlag_ = CCSprite::createWithSpriteFrameName("Beijing.png");
    languageName_ = CCLabelTTF::create("", FONT_FILE, FIELD_FONT_SIZE);
    if (!languageFlag_ || !languageName_) return false;
    languageFlag_->setPosition(CCPoint(CONTROL_X + FLAG_INSET, y));
    languageName_->setAnchorPoint(CCPoint(0, 0.5f));
    languageName_->setPosition(CCPoint(CONTROL_X + NAME_INSET, y));
    addChild(languageFlag_, 1);
    addChild(languageName_, 1);
    return true;
}

bool SettingPanel::buildSwitchRow(int tag, const char* captionKey, float y) {
    PanelToggleButton* box =
        PanelToggleButton::create(CHECK_OFF_FRAME, CHECK_OFF_FRAME, CHECK_ON_FRAME, CHECK_ON_FRAME, tag,
                                  [this](PanelButton* clicked) { onButton(clicked->getTag()); });
    if (!box || !addCaption(captionKey, CCPoint(MARGIN, y), CAPTION_FONT_SIZE)) return false;
    box->setPosition(CCPoint(CHECK_X, y));
    addPanelButton(box);
    tagged_.push_back(box);
    checks_.push_back(box);
    return true;
}

bool SettingPanel::buildLinkedRow(float y) {
    if (!addCaption("linkedCrosshair", CCPoint(MARGIN, y), CAPTION_FONT_SIZE) ||
        !addFieldButton(TAG_LINKED_CROSSHAIR, y))
        return false;
    linked_ = CCLabelTTF::create("", FONT_FILE, FIELD_FONT_SIZE);
    if (!linked_) return false;
    linked_->setAnchorPoint(CCPoint(0, 0.5f));
    linked_->setPosition(CCPoint(CONTROL_X + FLAG_INSET, y));
    addChild(linked_, 1);
    const auto refresh = [this] {
        static constexpr const char* KEYS[] = {"linkedOff", "linkedSame", "linkedAll"};
        setText(linked_, getLangText(KEYS[static_cast<int>(Preferences::shared().linkedCrosshair())]));
    };
    Preferences::shared().bind(linked_, refresh);
    bindLangRefresh(linked_, refresh);
    return true;
}

std::string SettingPanel::linkedCrosshairText() const {
    return linked_ ? linked_->getString() : "";
}

bool SettingPanel::buildAbout(int version, float top) {
    CCLayerColor* line = CCLayerColor::create(LINE_COLOUR, WIDTH - 2 * MARGIN, 1);
    CCSprite* logo = CCSprite::createWithSpriteFrameName("logo.png");
    char text[96];
    std::snprintf(text, sizeof(text), "%s  %d  %s", PROGRAM_NAME, version, getPlatformTag());
    about_ = CCLabelTTF::create(text, FONT_FILE, FIELD_FONT_SIZE);
    if (!line || !logo || !about_) return false;
    line->setPosition(CCPoint(MARGIN, top));
    addChild(line);
    addCaption("about", CCPoint(MARGIN, top - 18), CAPTION_FONT_SIZE);
    logo->setScale(LOGO_SCALE);
    logo->setPosition(CCPoint(WIDTH / 2, LOGO_Y));
    addChild(logo, 1);
    about_->setPosition(CCPoint(WIDTH / 2, ABOUT_Y));
    about_->setColor(ABOUT_COLOUR);
    addChild(about_, 1);
    return true;
}

void SettingPanel::onButton(int tag) {
    playHoverSound();
    if (tag != TAG_TIME_ZONE && tag != TAG_LANGUAGE) hideChoosers();
    if (const SwitchRow* row = switchRow(tag)) {
        DisplaySwitches::shared().toggle(row->which);
        return;
    }
    switch (tag) {
        case TAG_TIME_ZONE:
            openZoneChooser();
            break;
        case TAG_LANGUAGE:
            openLanguageChooser();
            break;
        case TAG_LINKED_CROSSHAIR: {
            const int next = (static_cast<int>(Preferences::shared().linkedCrosshair()) + 1) % 3;
            Preferences::shared().setLinkedCrosshair(static_cast<Preferences::LinkedCrosshair>(next));
            break;
        }
        case TAG_CLOSE:
            hide();
            break;
        default:
            break;
    }
}

bool SettingPanel::setTimeZone(int index, bool store) {
    if (index < 0 || index >= DisplayTimeZone::ZONE_COUNT) return false;
    return DisplayTimeZone::shared().choose(index, store);
}

bool SettingPanel::setLanguage(int index, bool store) {
    if (index < 0 || index > UserData::MAX_LANGUAGE) return false;
    if (store) {
        UserData* settings = UserData::getInstance();
        settings->setLanguage(index);
        if (!settings->saveSettings()) logWarn("language %d not saved", index);
    }
    return switchLanguage(index);
}

void SettingPanel::openZoneChooser() {
    if (languageChooser_ && languageChooser_->isShown()) languageChooser_->hide();
    if (!zoneChooser_) {
        zoneChooser_ = TimeZoomPanel::create([this](int index) {
            logInfo("set time zone :%d", index);
            setTimeZone(index, true);
        });
        if (!zoneChooser_) return;
        zoneChooser_->setAnchorPoint(CCPoint(0, 1));
        // Right-aligned under the field: the chooser is wider than the field's room to the right.
        zoneChooser_->setPosition(CCPoint(CONTROL_X + FIELD_WIDTH - TIME_ZONE_CHOOSER_WIDTH,
                                          HEIGHT - ZONE_ROW_Y - FIELD_HEIGHT / 2));
        addChild(zoneChooser_, CHOOSER_Z);
    }
    if (zoneChooser_->isShown())
        zoneChooser_->hide();
    else
        zoneChooser_->show();
}

void SettingPanel::openLanguageChooser() {
    if (zoneChooser_ && zoneChooser_->isShown()) zoneChooser_->hide();
    if (!languageChooser_) {
        languageChooser_ = SelectLanguagePanel::create(FIELD_WIDTH, [this](int language) {
            logInfo("set language:%d", language);
            setLanguage(language, true);
        });
        if (!languageChooser_) return;
        languageChooser_->setAnchorPoint(CCPoint(0, 1));
        languageChooser_->setPosition(CCPoint(CONTROL_X, HEIGHT - ZONE_ROW_Y - ROW_STEP - FIELD_HEIGHT / 2));
        addChild(languageChooser_, CHOOSER_Z);
    }
    if (languageChooser_->isShown())
        languageChooser_->hide();
    else
        languageChooser_->show();
}

void SettingPanel::hideChoosers() {
    if (zoneChooser_ && zoneChooser_->isShown()) zoneChooser_->hide();
    if (languageChooser_ && languageChooser_->isShown()) languageChooser_->hide();
}

void SettingPanel::hide() {
    hideChoosers();
    PopuPanelBase::hide();
}

void SettingPanel::refreshZone() {
    const int index = DisplayTimeZone::shared().index();
    showFrame(zoneFlag_, DisplayTimeZone::flagImage(index));
    setLangText(zoneName_, "country" + std::to_string(index));
    refreshClock();
}

void SettingPanel::refreshClock() {
    const ZonedTime now = DisplayTimeZone::shared().now();
    char text[64];
    std::snprintf(text, sizeof(text), "%d-%d-%02d %02d:%02d:%02d", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    setText(clock_, text);
}

void SettingPanel::refreshLanguage() {
    const int language = getCurrentLanguage();
    showFrame(languageFlag_, language == 0 ? "Newyork.png" : "Beijing.png");
    setLangText(languageName_, "language", " [language]");
}

void SettingPanel::refreshChecks() {
    for (PanelToggleButton* box : checks_)
        if (const SwitchRow* row = switchRow(box->getTag())) box->setState(DisplaySwitches::get(row->which));
}

PanelButton* SettingPanel::getButton(int tag) const {
    for (PanelButton* button : tagged_)
        if (button->getTag() == tag) return button;
    return nullptr;
}

bool SettingPanel::isChecked(int tag) const {
    for (PanelToggleButton* box : checks_)
        if (box->getTag() == tag) return box->getState();
    return false;
}

std::string SettingPanel::zoneNameText() const {
    return zoneName_->getString();
}

std::string SettingPanel::clockText() const {
    return clock_->getString();
}

std::string SettingPanel::languageNameText() const {
    return languageName_->getString();
}

std::string SettingPanel::aboutText() const {
    return about_->getString();
}
