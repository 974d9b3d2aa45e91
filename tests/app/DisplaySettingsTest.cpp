#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCLayerColor.h"
#include "CCScale9Sprite.h"
#include "DisplaySwitches.h"
#include "DisplayTimeZone.h"
#include "DrawingKLine.h"
#include "KLineBar.h"
#include "KLineHistoryLoader.h"
#include "LanguageTable.h"
#include "LanguageWalk.h"
#include "ReconnectPanel.h"
#include "RiseFallColours.h"
#include "SettingPanel.h"
#include "StockButton.h"
#include "StockButtonPanel.h"
#include "StockData.h"
#include "StockInfo.h"
#include "StockWindow.h"
#include "TimeZoomPanel.h"
#include "WorldSceneFixture.h"

USING_NS_CC;

namespace {

bool sameColour(const float* a, const float* b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

class DisplaySettingsTest : public WorldSceneTest {
protected:
    void SetUp() override {
        UserData* settings = UserData::getInstance();
        settings->setShowBg(false);
        settings->setShowGrid(true);
        settings->setInverseRedGreen(false);
        ASSERT_NO_FATAL_FAILURE(WorldSceneTest::SetUp());
        switchLanguage(0);
    }
    void TearDown() override {
        switchLanguage(1);
        WorldSceneTest::TearDown();
    }
    SettingPanel* openSettings() {
        world->showSettingPanel();
        step(0.5f);
        return world->getSettingPanel();
    }
};

TEST_F(DisplaySettingsTest, EachSwitchReachesEveryWindowTheStripAndTheCatalogueAtOnceAndIsSaved) {
    start();
    SettingPanel* panel = openSettings();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isShown());
    EXPECT_EQ(panel->getZOrder(), WorldScene::Z_POPUPS);
    std::vector<StockWindow*> shown = world->getShownWindows();
    ASSERT_FALSE(shown.empty());
    StockWindow* first = shown[0];
    const uint32_t t = 1700000040;
    first->updateKLine(t, 1.1f, 1.3f, 1.0f, 1.2f, 7);
    world->recvAdvancedEvent(nullptr, "[\"" + first->getCode() + "\", 1.0, 1.2, 0.9, 1.1, 1700000000]");
    StockInfo* record = StockData::getInstance()->findStock(first->getCode());
    ASSERT_NE(record, nullptr);
    // A catalogue box as the quote page registers it; kept alive here while registered.
    CCLayerColor* box = CCLayerColor::create(ccc4(0, 0, 0, 255));
    box->retain();
    record->setColorItemB1(box);
    record->refreshColor(false);
    ASSERT_EQ(box->getColor(), StockInfo::UP_COLOR);
    step(0);
    StockButton* button = world->getStrip()->buttonOf(first);
    ASSERT_NE(button, nullptr);
    const ccColor3B buttonBefore = button->getQuoteColour();

    // Green up: bars, quote frame, strip and catalogue boxes change now, not with the next quote.
    click(panel->getButton(SettingPanel::TAG_INVERSE_RED_GREEN));
    step(0);
    for (StockWindow* window : world->getWindows()) EXPECT_TRUE(window->getRiseGreen());
    KLineBar* bar = first->getLoader()->series().findBar(t);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(sameColour(bar->color, riseColour(true)));
    EXPECT_TRUE(first->getGreenFrame()->isVisible());
    EXPECT_NE(button->getQuoteColour(), buttonBefore);
    EXPECT_EQ(box->getColor(), StockInfo::DOWN_COLOR);
    EXPECT_TRUE(savedSettings()->getInverseRedGreen());

    click(panel->getButton(SettingPanel::TAG_SHOW_BG));
    click(panel->getButton(SettingPanel::TAG_SHOW_GRID));
    click(panel->getButton(SettingPanel::TAG_SHOW_CROSS_POINT));
    for (StockWindow* window : world->getWindows()) {
        EXPECT_TRUE(window->getWorldMap()->isVisible());
        EXPECT_FALSE(window->getChart()->isShowGrid());
        EXPECT_FALSE(window->getChart()->getShowCrosshair());
    }
    std::unique_ptr<UserData> saved = savedSettings();
    EXPECT_TRUE(saved->getShowBg());
    EXPECT_FALSE(saved->getShowGrid());
    EXPECT_FALSE(saved->getShowCrossPoint());

    // A double click on a chart toggles the crosshair through the same source: the box shows it.
    first->getChart()->getOwner()->setCrosshairInAllWindows(true);
    EXPECT_TRUE(panel->isChecked(SettingPanel::TAG_SHOW_CROSS_POINT));
    for (StockWindow* window : world->getWindows()) EXPECT_TRUE(window->getChart()->getShowCrosshair());
    EXPECT_TRUE(savedSettings()->getShowCrossPoint());
    record->setColorItemB1(nullptr);
    box->release();

    // The next start shows what was saved.
    UserData::getInstance()->loadSettings();
    restartScene();
    start();
    for (StockWindow* window : world->getShownWindows()) {
        EXPECT_TRUE(window->getWorldMap()->isVisible());
        EXPECT_FALSE(window->getChart()->isShowGrid());
        EXPECT_TRUE(window->getRiseGreen());
    }
}

TEST_F(DisplaySettingsTest, AfterEachLanguageSwitchNoLabelOrTipOfTheOtherLanguageIsLeft) {
    start();
    SettingPanel* panel = openSettings();
    ASSERT_NE(panel, nullptr);
    // Every chooser exists and the read-outs show, so their texts are walked too.
    click(panel->getButton(SettingPanel::TAG_TIME_ZONE));
    click(panel->getButton(SettingPanel::TAG_LANGUAGE));
    world->getReconnectPanel()->showPanel(1);
    KLineBar bar(1700000000, 1.1f, 1.3f, 1.0f, 1.2f, 5);
    for (StockWindow* window : world->getShownWindows()) window->showBarInfo(&bar);

    LanguageWalk walk;
    for (int language : {1, 0, 1}) {
        ASSERT_TRUE(panel->setLanguage(language, true));
        EXPECT_EQ(walk.foreignTexts(scene), std::vector<std::string>{}) << "language " << language;
        EXPECT_GT(walk.checked(), 200u);
        EXPECT_EQ(savedSettings()->getLanguage(), language);
    }
}

}  // namespace
