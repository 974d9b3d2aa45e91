#include "BottomPanel.h"

#include "CCCommon.h"
#include "CCEGLView.h"
#include "CCLabelTTF.h"
#include "CCSprite.h"
#include "CCSpriteFrameCache.h"
#include "CDebugModule.h"
#include "DisplayTimeZone.h"
#include "FramePanelDelegate.h"
#include "LanguageTable.h"
#include "Resources.h"
#include "SimpleAudioEngine.h"
#include "TimeZoomPanel.h"
#include "UserData.h"

USING_NS_CC;

namespace {
constexpr CCSize FEEDBACK_SIZE(64, 20);
constexpr float FEEDBACK_FONT_SIZE = 12;
constexpr float CLOCK_FONT_SIZE = 16;
constexpr float FLAG_X = 10;
constexpr float CLOCK_GAP = 25;
// Right edges of the small buttons, counted from the zone button's left edge.
constexpr float SMALL_BUTTON_STEP = 30;
constexpr float FEEDBACK_GAP = 20;
}  // namespace

BottomPanel::ScreenMode BottomPanel::viewScreenMode() {
    return ScreenMode{[] { return CCEGLView::sharedOpenGLView()->isFullscreen(); },
                      [] { CCEGLView::sharedOpenGLView()->enterFullscreen(); },
                      [] { CCEGLView::sharedOpenGLView()->exitFullscreen(); }};
}

BottomPanel* BottomPanel::create(float width, ScreenMode screen) {
    return createAutoreleased<BottomPanel>(&BottomPanel::initBottom, width, std::move(screen));
}

BottomPanel::~BottomPanel() {
    if (zoneChooser_) zoneChooser_->release();
}

bool BottomPanel::initBottom(float width, ScreenMode screen) {
    if (!initPanel(CCSize(width, HEIGHT))) return false;
    screen_ = std::move(screen);

    if (PanelButton* feedback = addButton(
            PanelButton::create("frame_red.png", "frame_red_sel.png", FEEDBACK_TAG, buttonCallback()),
            nullptr)) {
        const CCSize frame = feedback->getContentSize();
        if (frame.width > 0 && frame.height > 0) {
            feedback->setScaleX(FEEDBACK_SIZE.width / frame.width);
            feedback->setScaleY(FEEDBACK_SIZE.height / frame.height);
        }
        feedbackCaption_ = CCLabelTTF::create("", FONT_FILE, FEEDBACK_FONT_SIZE);
        if (feedbackCaption_) {
            bindLangText(feedbackCaption_, "feedback");
            addChild(feedbackCaption_, 2);
        }
    }
    addButton(PanelToggleButton::create("fullScreen.png", "fullScreen_sel.png", "min_size.png",
                                        "min_size_sel.png", FULL_SCREEN_TAG, buttonCallback()),
              nullptr);
    addButton(PanelToggleButton::create("mute.png", "mute_sel.png", "sound.png", "sound_sel.png", SOUND_TAG,
                                        buttonCallback()),
              "turnOnOffAudio");
    addButton(
        PanelButton::create("setting_small.png", "setting_small_sel.png", SETTING_TAG, buttonCallback()),
        "setting");

    // The zone button is a bare hit area holding the flag and the clock.
    if (PanelButton* zone =
            addButton(PanelButton::create("frame_red.png", "frame_red.png", TIME_ZONE_TAG, buttonCallback()),
                      "selectTimeZone")) {
        zone->setOpacity(0);
        zone->setContentSize(CCSize(ZONE_BUTTON_WIDTH, HEIGHT));
        zoneFlag_ = CCSprite::createWithSpriteFrameName(DisplayTimeZone::flagImage(0));
        clockLabel_ = CCLabelTTF::create("", FONT_FILE, CLOCK_FONT_SIZE);
        if (!zoneFlag_ || !clockLabel_) return false;
        zoneFlag_->setAnchorPoint(CCPoint(0, 0.5f));
        zoneFlag_->setPosition(CCPoint(FLAG_X, HEIGHT / 2));
        clockLabel_->setAnchorPoint(CCPoint(0, 0.5f));
        clockLabel_->setPosition(CCPoint(FLAG_X + zoneFlag_->getContentSize().width + CLOCK_GAP, HEIGHT / 2));
        zone->addChild(zoneFlag_);
        zone->addChild(clockLabel_);
        DisplayTimeZone& zones = DisplayTimeZone::shared();
        zones.bind(zoneFlag_, [this] { showZone(); });
        zones.bindClock(clockLabel_, [this] {
            DisplayTimeZone& shared = DisplayTimeZone::shared();
            clockLabel_->setString(shared.format(shared.nowSeconds(), CLOCK_FORMAT).c_str());
        });
    }
    refreshScreenState();
    refreshSoundState();
    layoutButtons();
    scheduleUpdate();
    return true;
}

void BottomPanel::layoutButtons() {
    const float width = getContentSize().width;
    const float zoneCentre = width - ZONE_BUTTON_RIGHT_INSET;
    if (PanelButton* zone = getButtonByTag(TIME_ZONE_TAG)) zone->setPosition(CCPoint(zoneCentre, HEIGHT / 2));
    float x = zoneCentre - ZONE_BUTTON_WIDTH / 2;
    for (int tag : {SETTING_TAG, SOUND_TAG, FULL_SCREEN_TAG}) {
        x -= SMALL_BUTTON_STEP;
        if (PanelButton* button = getButtonByTag(tag)) button->setPosition(CCPoint(x, HEIGHT / 2));
    }
    x -= SMALL_BUTTON_STEP / 2 + FEEDBACK_GAP + FEEDBACK_SIZE.width / 2;
    if (PanelButton* feedback = getButtonByTag(FEEDBACK_TAG)) feedback->setPosition(CCPoint(x, HEIGHT / 2));
    if (feedbackCaption_) feedbackCaption_->setPosition(CCPoint(x, HEIGHT / 2));
}

PanelToggleButton* BottomPanel::toggle(int tag) const {
    return dynamic_cast<PanelToggleButton*>(getButtonByTag(tag));
}

void BottomPanel::refreshScreenState() {
    PanelToggleButton* button = toggle(FULL_SCREEN_TAG);
    const bool full = screen_.isFullscreen && screen_.isFullscreen();
    if (button && button->getState() != full) button->setState(full);
}

void BottomPanel::refreshSoundState() {
    if (PanelToggleButton* button = toggle(SOUND_TAG)) button->setState(UserData::getSoundSwitch());
}

bool BottomPanel::showsFullscreen() const {
    PanelToggleButton* button = toggle(FULL_SCREEN_TAG);
    return button && button->getState();
}

bool BottomPanel::showsSound() const {
    PanelToggleButton* button = toggle(SOUND_TAG);
    return button && button->getState();
}

void BottomPanel::update(float) {
    // The desktop may leave full screen on its own (a key of the window manager).
    refreshScreenState();
}

void BottomPanel::onButton(int tag) {
    logInfo("bottom panel callback:%d", tag);
    FramePanelDelegate* delegate = getDelegate();
    switch (tag) {
        case FEEDBACK_TAG:
            if (delegate) delegate->sendFeedback();
            break;
        case FULL_SCREEN_TAG:
            toggleFullscreen();
            break;
        case SOUND_TAG:
            toggleSound();
            break;
        case SETTING_TAG:
            if (delegate) delegate->showSettingPanel();
            break;
        case TIME_ZONE_TAG:
            openZoneChooser();
            break;
        default:
            break;
    }
}

void BottomPanel::toggleFullscreen() {
    if (screen_.isFullscreen && screen_.isFullscreen()) {
        if (screen_.exit) screen_.exit();
    } else if (screen_.enter) {
        screen_.enter();
    }
    refreshScreenState();
    UserData::getInstance()->saveSettings();
}

void BottomPanel::toggleSound() {
    const bool on = !UserData::getSoundSwitch();
    CCLog("set sound enabled: %d", on ? 1 : 0);
    UserData::setSoundSwitch(on);
    if (!on) SimpleAudioEngine::sharedEngine()->stopAllEffects();
    UserData* settings = UserData::getInstance();
    settings->setSoundEnabled(on);
    settings->saveSettings();
    refreshSoundState();
}

void BottomPanel::openZoneChooser() {
    CCNode* parent = getParent();
    PanelButton* zone = getButtonByTag(TIME_ZONE_TAG);
    if (!parent || !zone) return;
    if (!zoneChooser_) {
        zoneChooser_ = TimeZoomPanel::create([](int index) {
            if (index >= 0) DisplayTimeZone::shared().choose(index);
        });
        if (!zoneChooser_) return;
        zoneChooser_->retain();
        zoneChooser_->setAnchorPoint(CCPoint(0.5f, 0));
        zoneChooser_->setVisible(false);
        parent->addChild(zoneChooser_, Z_ZONE_CHOOSER);
    }
    const CCSize size = zone->getContentSize();
    zoneChooser_->setPosition(
        parent->convertToNodeSpace(zone->convertToWorldSpace(CCPoint(size.width / 2, size.height))));
    zoneChooser_->show();
}

void BottomPanel::showZone() {
    const char* image = DisplayTimeZone::flagImage(DisplayTimeZone::shared().index());
    if (!image) return;
    if (CCSpriteFrame* frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(image)) {
        zoneFlag_->setDisplayFrame(frame);
        zoneFlagImage_ = image;
    }
    DisplayTimeZone& shared = DisplayTimeZone::shared();
    if (clockLabel_) clockLabel_->setString(shared.format(shared.nowSeconds(), CLOCK_FORMAT).c_str());
}
