#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BottomPanel.h"
#include "CCFileUtils.h"
#include "CCLabelTTF.h"
#include "CapturedLog.h"
#include "DisplayTimeZone.h"
#include "FramePanelDelegate.h"
#include "LeftPanel.h"
#include "Resources.h"
#include "SceneTest.h"
#include "SimpleAudioEngine.h"
#include "TimeZoomPanel.h"
#include "TopPanel.h"
#include "UserData.h"

USING_NS_CC;

namespace {

const std::string SUITE = "framebars";
constexpr int64_t NOW = 1741503599;  // 2025-03-09 06:59:59 UTC

struct RecordingDelegate : FramePanelDelegate {
    std::vector<std::string> calls;
    CCPoint chooserAt;
    void sendFeedback() override { calls.push_back("feedback"); }
    void showSettingPanel() override { calls.push_back("settings"); }
    void toggleLeftPage(int page) override { calls.push_back("page" + std::to_string(page)); }
    void openLayoutChooserAt(const CCPoint& at) override {
        calls.push_back("layout");
        chooserAt = at;
    }
};

class FrameBarsTest : public SceneTest {
protected:
    FrameBarsTest() : SceneTest(CCSize(1000, 600)) {}
    static void SetUpTestSuite() {
        setUpUiSuite(SUITE);
        CCFileUtils::purgeFileUtils();
    }
    static void TearDownTestSuite() { tearDownUiSuite(SUITE); }

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        CCFileUtils::sharedFileUtils()->setSearchPaths({std::string(ZENTO_RES_DIR) + "/.."});
        // The zone service loads the settings on first use, and every load mutes: sound after it.
        DisplayTimeZone::shared().resetForTest(0);
        DisplayTimeZone::shared().setClock([this] { return now; });
        UserData::setSoundSwitch(true);
    }
    void TearDown() override {
        DisplayTimeZone::shared().setClock(nullptr);
        SceneTest::TearDown();
    }

    BottomPanel* makeBottom() {
        BottomPanel* bar = BottomPanel::create(1000, fakeScreen());
        bar->setDelegate(&delegate);
        scene->addChild(bar, BottomPanel::Z_ORDER);
        return bar;
    }
    BottomPanel::ScreenMode fakeScreen() {
        return BottomPanel::ScreenMode{[this] { return fullscreen; }, [this] { fullscreen = true; },
                                       [this] { fullscreen = false; }};
    }
    static std::unique_ptr<UserData> savedSettings() {
        std::ifstream in(CCFileUtils::sharedFileUtils()->getWritablePath() + UserData::SETTINGS_FILE_NAME,
                         std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        auto saved = std::make_unique<UserData>();
        saved->loadSettingsFromBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        return saved;
    }

    RecordingDelegate delegate;
    bool fullscreen = false;
    int64_t now = NOW;
};

TEST_F(FrameBarsTest, EveryBottomClickIsLoggedAndFeedbackAndSettingsGoToTheScene) {
    BottomPanel* bar = makeBottom();
    CapturedLog log;
    click(bar->getButtonByTag(BottomPanel::FEEDBACK_TAG));
    click(bar->getButtonByTag(BottomPanel::SETTING_TAG));
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"feedback", "settings"}));
    EXPECT_EQ(log.count("bottom panel callback:1"), 1u);
    EXPECT_EQ(log.count("bottom panel callback:4"), 1u);
}

TEST_F(FrameBarsTest, SoundOffStopsAPlayingEffectAndLaterClicksPlayNone) {
    SimpleAudioEngine::end();
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    SimpleAudioEngine* audio = SimpleAudioEngine::sharedEngine();
    if (!audio->hasDevice()) {
        SimpleAudioEngine::end();
        ::unsetenv("SDL_AUDIODRIVER");
        GTEST_SKIP() << "SDL has no dummy audio driver here";
    }
    BottomPanel* bar = makeBottom();
    EXPECT_TRUE(bar->showsSound());
    ASSERT_GT(audio->playEffect(HOVER_SOUND_FILE, true), 0u);
    ASSERT_GT(audio->getPlayingCount(), 0);

    CapturedLog log;
    click(bar->getButtonByTag(BottomPanel::SOUND_TAG));
    EXPECT_EQ(audio->getPlayingCount(), 0);
    EXPECT_FALSE(UserData::getSoundSwitch());
    EXPECT_FALSE(UserData::getInstance()->getSoundEnabled());
    EXPECT_FALSE(bar->showsSound());
    EXPECT_GE(log.count("set sound enabled: 0"), 1u);

    const unsigned int requests = audio->getRequestCount(HOVER_SOUND_FILE);
    click(bar->getButtonByTag(BottomPanel::SETTING_TAG));
    EXPECT_EQ(audio->getRequestCount(HOVER_SOUND_FILE), requests);
    EXPECT_EQ(audio->getPlayingCount(), 0);

    click(bar->getButtonByTag(BottomPanel::SOUND_TAG));
    EXPECT_TRUE(UserData::getSoundSwitch());
    EXPECT_TRUE(bar->showsSound());
    EXPECT_GE(log.count("set sound enabled: 1"), 1u);
    click(bar->getButtonByTag(BottomPanel::SETTING_TAG));
    EXPECT_EQ(audio->getRequestCount(HOVER_SOUND_FILE), requests + 1);
    SimpleAudioEngine::end();
    ::unsetenv("SDL_AUDIODRIVER");
}

TEST_F(FrameBarsTest, FullScreenImagesFollowTheViewBothWaysAlsoWhenLeftFromOutside) {
    BottomPanel* bar = makeBottom();
    EXPECT_FALSE(bar->showsFullscreen());
    click(bar->getButtonByTag(BottomPanel::FULL_SCREEN_TAG));
    EXPECT_TRUE(fullscreen);
    EXPECT_TRUE(bar->showsFullscreen());
    click(bar->getButtonByTag(BottomPanel::FULL_SCREEN_TAG));
    EXPECT_FALSE(fullscreen);
    EXPECT_FALSE(bar->showsFullscreen());

    // The desktop enters and leaves full screen on its own: the next frame shows it.
    click(bar->getButtonByTag(BottomPanel::FULL_SCREEN_TAG));
    fullscreen = false;
    step(UI_STEP);
    EXPECT_FALSE(bar->showsFullscreen());
    fullscreen = true;
    step(UI_STEP);
    EXPECT_TRUE(bar->showsFullscreen());
}

TEST_F(FrameBarsTest, TheBarStartsFromTheStoredZoneAndTheRealSoundState) {
    DisplayTimeZone::shared().resetForTest(3);
    DisplayTimeZone::shared().setClock([this] { return now; });
    UserData::setSoundSwitch(false);
    fullscreen = true;
    BottomPanel* bar = makeBottom();
    EXPECT_EQ(bar->getZoneFlagImage(), DisplayTimeZone::flagImage(3));
    EXPECT_FALSE(bar->showsSound());
    EXPECT_TRUE(bar->showsFullscreen());
    EXPECT_EQ(std::string(bar->getClockLabel()->getString()),
              DisplayTimeZone::formatZoneTime(NOW, 3, BottomPanel::CLOCK_FORMAT));

    // The clock ticks with the wall clock.
    now = NOW + 1;
    DisplayTimeZone::shared().tick();
    EXPECT_EQ(std::string(bar->getClockLabel()->getString()),
              DisplayTimeZone::formatZoneTime(NOW + 1, 3, BottomPanel::CLOCK_FORMAT));
}

TEST_F(FrameBarsTest, AZoneChosenInTheBarIsShownAndSavedAtOnce) {
    BottomPanel* bar = makeBottom();
    PanelButton* zone = bar->getButtonByTag(BottomPanel::TIME_ZONE_TAG);
    EXPECT_FLOAT_EQ(zone->getPositionX(), 1000 - BottomPanel::ZONE_BUTTON_RIGHT_INSET);
    EXPECT_FLOAT_EQ(zone->getContentSize().width, BottomPanel::ZONE_BUTTON_WIDTH);
    EXPECT_EQ(bar->getZoneChooser(), nullptr);

    click(zone);
    TimeZoomPanel* chooser = bar->getZoneChooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->isShown());
    // Just above the button, centred on it.
    const CCPoint bottomCentre = chooser->convertToWorldSpace(CCPoint(TimeZoomPanel::WIDTH / 2, 0));
    EXPECT_NEAR(bottomCentre.x, zone->getPositionX(), 0.5f);
    EXPECT_NEAR(bottomCentre.y, BottomPanel::HEIGHT, 0.5f);
    step(0.5f);

    clickAt(chooser->convertToWorldSpace(chooser->rowCentre(1)));
    EXPECT_FALSE(chooser->isShown());
    EXPECT_EQ(DisplayTimeZone::shared().index(), 1);
    EXPECT_EQ(bar->getZoneFlagImage(), DisplayTimeZone::flagImage(1));
    EXPECT_EQ(savedSettings()->getTimeZone(), 1);

    // The same chooser opens again; the bar follows a wider window.
    click(zone);
    EXPECT_EQ(bar->getZoneChooser(), chooser);
    bar->setPanelSize(CCSize(1300, BottomPanel::HEIGHT));
    EXPECT_FLOAT_EQ(zone->getPositionX(), 1300 - BottomPanel::ZONE_BUTTON_RIGHT_INSET);
}

TEST_F(FrameBarsTest, LeftColumnButtonsAskForTheirPagesAndMarkTheShownOnes) {
    LeftPanel* column = LeftPanel::create(500);
    column->setDelegate(&delegate);
    column->setPosition(CCPoint(0, 30));
    scene->addChild(column, LeftPanel::Z_ORDER);
    for (int tag = LeftPanel::NEWS_TAG; tag <= LeftPanel::LAYOUT_TAG; ++tag)
        EXPECT_FLOAT_EQ(column->getButtonByTag(tag)->getPositionY(), 500 - (tag + 0.5f) * 50);

    click(column->getButtonByTag(LeftPanel::NEWS_TAG));
    click(column->getButtonByTag(LeftPanel::QUOTE_TAG));
    click(column->getButtonByTag(LeftPanel::LAYOUT_TAG));
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"page0", "page1", "layout"}));
    // Beside the column, level with the layout button's top.
    EXPECT_FLOAT_EQ(delegate.chooserAt.x, LeftPanel::WIDTH);
    EXPECT_FLOAT_EQ(delegate.chooserAt.y, 30 + 500 - 2 * LeftPanel::BUTTON_SIZE);

    column->showPageState(LeftPanel::QUOTE_TAG, true);
    EXPECT_TRUE(column->isPageMarked(LeftPanel::QUOTE_TAG));
    EXPECT_FALSE(column->isPageMarked(LeftPanel::NEWS_TAG));
    column->showPageState(LeftPanel::QUOTE_TAG, false);
    EXPECT_FALSE(column->isPageMarked(LeftPanel::QUOTE_TAG));
}

TEST_F(FrameBarsTest, TheTopLogoOnlyLogs) {
    TopPanel* top = TopPanel::create(1000, nullptr);
    top->setPosition(CCPoint(0, 600 - TopPanel::HEIGHT));
    scene->addChild(top, TopPanel::Z_ORDER);
    ASSERT_NE(top->getStrip(), nullptr);
    CapturedLog log;
    click(top->getButtonByTag(TopPanel::LOGO_TAG));
    EXPECT_EQ(log.count("top panel callback:1"), 1u);
}

}  // namespace
