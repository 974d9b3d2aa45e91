#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "CCCommon.h"
#include "CCFileUtils.h"
#include "CDebugModule.h"
#include "DisplaySwitches.h"
#include "DisplayTimeZone.h"
#include "DrawingKLine.h"
#include "LanguageTable.h"
#include "LocalStockWindow.h"
#include "SceneTest.h"
#include "SelectLanguagePanel.h"
#include "SettingPanel.h"
#include "TimeZoomPanel.h"
#include "UserData.h"

USING_NS_CC;

namespace {

// 2025-03-09 06:59:59 UTC: one second before New York leaves winter time.
constexpr int64_t BEFORE_NEW_YORK_DST = 1741503599;

class SettingPanelTest : public SceneTest {
protected:
    static void SetUpTestSuite() { setUpUiSuite("settings"); }
    static void TearDownTestSuite() { tearDownUiSuite("settings"); }

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        switchLanguage(0);
        UserData::getInstance()->setTimeZone(0);
        DisplayTimeZone::shared().resetForTest(0);
        DisplayTimeZone::shared().setClock([this] { return now; });
        for (int k = 0; k < 2; ++k) {
            windows.push_back(LocalWindow::create("", CCSize(300, 200)));
            ASSERT_NE(windows.back(), nullptr);
            scene->addChild(windows.back());
        }
        panel = SettingPanel::create(245);
        ASSERT_NE(panel, nullptr);
        panel->setPosition(CCPoint(450, 300));
        scene->addChild(panel, 128);
        panel->show();
        step(0.5f);
        CCLogSetSink([this](const std::string& line) { log.push_back(line); });
    }
    void TearDown() override {
        CCLogSetSink(nullptr);
        DisplayTimeZone::shared().setClock(nullptr);
        SceneTest::TearDown();
    }

    // The settings as the file on disk has them.
    static std::unique_ptr<UserData> savedSettings() {
        std::ifstream in(CCFileUtils::sharedFileUtils()->getWritablePath() + UserData::SETTINGS_FILE_NAME,
                         std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        auto saved = std::make_unique<UserData>();
        // Loading makes the stored language the process's: a look at the file must not switch it.
        const int language = getCurrentLanguage();
        saved->loadSettingsFromBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        setCurrentLanguage(language);
        return saved;
    }
    static bool savedSwitch(const UserData& saved, int tag) {
        switch (tag) {
            case SettingPanel::TAG_SHOW_BG:
                return saved.getShowBg();
            case SettingPanel::TAG_SHOW_CROSS_POINT:
                return saved.getShowCrossPoint();
            case SettingPanel::TAG_SHOW_GRID:
                return saved.getShowGrid();
            default:
                return saved.getInverseRedGreen();
        }
    }
    static bool windowShows(StockWindow* window, int tag) {
        switch (tag) {
            case SettingPanel::TAG_SHOW_BG:
                return window->getWorldMap()->isVisible();
            case SettingPanel::TAG_SHOW_CROSS_POINT:
                return window->getChart()->getShowCrosshair();
            case SettingPanel::TAG_SHOW_GRID:
                return window->getChart()->isShowGrid();
            default:
                return window->getRiseGreen();
        }
    }
    bool logged(const std::string& text) const {
        for (const std::string& line : log)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    int64_t now = BEFORE_NEW_YORK_DST;
    std::vector<StockWindow*> windows;
    SettingPanel* panel = nullptr;
    std::vector<std::string> log;
};

constexpr DisplaySwitches::Switch SWITCH_OF[] = {DisplaySwitches::SHOW_BG, DisplaySwitches::SHOW_CROSS_POINT,
                                                 DisplaySwitches::SHOW_GRID,
                                                 DisplaySwitches::INVERSE_RED_GREEN};

TEST_F(SettingPanelTest, EachCheckBoxTogglesItsSwitchInEveryWindowAndSavesIt) {
    for (int round = 0; round < 2; ++round) {
        for (int tag = SettingPanel::TAG_SHOW_BG; tag <= SettingPanel::TAG_INVERSE_RED_GREEN; ++tag) {
            const DisplaySwitches::Switch which = SWITCH_OF[tag - SettingPanel::TAG_SHOW_BG];
            const bool before = DisplaySwitches::get(which);
            EXPECT_EQ(panel->isChecked(tag), before) << tag;
            click(panel->getButton(tag));
            ASSERT_EQ(DisplaySwitches::get(which), !before) << tag;
            EXPECT_EQ(panel->isChecked(tag), !before) << tag;
            for (StockWindow* window : windows) EXPECT_EQ(windowShows(window, tag), !before) << tag;
            EXPECT_EQ(savedSwitch(*savedSettings(), tag), !before) << tag << ": saved at once";
        }
    }
    // A change made elsewhere shows in the check box.
    const bool crosshair = DisplaySwitches::get(DisplaySwitches::SHOW_CROSS_POINT);
    DisplaySwitches::shared().set(DisplaySwitches::SHOW_CROSS_POINT, !crosshair);
    EXPECT_EQ(panel->isChecked(SettingPanel::TAG_SHOW_CROSS_POINT), !crosshair);
    EXPECT_EQ(windowShows(windows[1], SettingPanel::TAG_SHOW_CROSS_POINT), !crosshair);

    click(panel->getButton(SettingPanel::TAG_CLOSE));
    EXPECT_FALSE(panel->isShown());
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(SettingPanelTest, ZoneChooserStoresTheZoneShowsItsClockAndTheSameZoneAgainSaves) {
    EXPECT_EQ(panel->zoneNameText(), "Beijing");
    EXPECT_EQ(panel->clockText(), "2025-3-09 14:59:59");
    EXPECT_EQ(panel->getTimeZoneChooser(), nullptr) << "made on first use";
    click(panel->getButton(SettingPanel::TAG_TIME_ZONE));
    TimeZoomPanel* chooser = panel->getTimeZoneChooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->isShown());
    step(0.5f);
    clickAt(chooser->convertToWorldSpace(chooser->rowCentre(1)));
    EXPECT_FALSE(chooser->isShown());
    EXPECT_TRUE(logged("set time zone :1"));
    EXPECT_EQ(DisplayTimeZone::shared().index(), 1);
    EXPECT_EQ(savedSettings()->getTimeZone(), 1);
    EXPECT_EQ(panel->zoneNameText(), "New York");
    EXPECT_EQ(panel->clockText(), "2025-3-09 01:59:59");
    ++now;
    DisplayTimeZone::shared().tick();
    EXPECT_EQ(panel->clockText(), "2025-3-09 03:00:00") << "the clock ticks across the daylight-saving jump";

    // The same zone again refreshes and saves.
    const std::string file = CCFileUtils::sharedFileUtils()->getWritablePath() + UserData::SETTINGS_FILE_NAME;
    std::remove(file.c_str());
    EXPECT_TRUE(panel->setTimeZone(1, true));
    EXPECT_TRUE(std::ifstream(file).good());

    // A zone chosen anywhere else (the bottom bar's chooser) shows here too.
    DisplayTimeZone::shared().choose(3, false);
    EXPECT_EQ(panel->zoneNameText(), "Tokyo");
    EXPECT_EQ(panel->clockText(), "2025-3-09 16:00:00");
    EXPECT_TRUE(panel->setTimeZone(1, false));

    // Indices outside the table change nothing.
    EXPECT_FALSE(panel->setTimeZone(7, true));
    EXPECT_FALSE(panel->setTimeZone(-1, true));
    EXPECT_EQ(DisplayTimeZone::shared().index(), 1);
    EXPECT_EQ(UserData::getInstance()->getTimeZone(), 1);
    EXPECT_EQ(panel->zoneNameText(), "New York");
}

TEST_F(SettingPanelTest, LanguageChooserRowsKeepTheirOwnLanguageAndAChoiceSwitchesAndSaves) {
    ASSERT_TRUE(panel->setLanguage(1, true));
    EXPECT_EQ(panel->languageNameText(), "简体中文");
    EXPECT_EQ(panel->zoneNameText(), "北京");
    click(panel->getButton(SettingPanel::TAG_LANGUAGE));
    SelectLanguagePanel* chooser = panel->getLanguageChooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->rowName(0), "English");
    EXPECT_EQ(chooser->rowName(1), "简体中文");
    step(0.5f);
    click(chooser->getRow(0));
    EXPECT_FALSE(chooser->isShown());
    EXPECT_TRUE(logged("set language:0"));
    EXPECT_EQ(getCurrentLanguage(), 0);
    EXPECT_EQ(savedSettings()->getLanguage(), 0);
    EXPECT_EQ(panel->languageNameText(), "English");
    EXPECT_EQ(panel->zoneNameText(), "Beijing");
    EXPECT_EQ(chooser->rowName(1), "简体中文") << "each row keeps its own language";

    EXPECT_FALSE(panel->setLanguage(2, true));
    EXPECT_FALSE(panel->setLanguage(-1, true));
    EXPECT_EQ(getCurrentLanguage(), 0);
    EXPECT_EQ(UserData::getInstance()->getLanguage(), 0);
    EXPECT_EQ(panel->aboutText(), std::string("Zento  245  ") + getPlatformTag());
}

TEST_F(SettingPanelTest, AnOpenChooserTakesTheClicksOverTheCheckBoxesBeneathIt) {
    click(panel->getButton(SettingPanel::TAG_TIME_ZONE));
    TimeZoomPanel* chooser = panel->getTimeZoneChooser();
    ASSERT_NE(chooser, nullptr);
    step(0.5f);
    PanelButton* box = panel->getButton(SettingPanel::TAG_SHOW_BG);
    const CCPoint at = centreOf(box);
    ASSERT_TRUE(chooser->containsPoint(at)) << "the chooser lies over the first check box";
    int row = -1;
    for (int index = 0; index < DisplayTimeZone::ZONE_COUNT; ++index)
        if (std::abs(chooser->convertToWorldSpace(chooser->rowCentre(index)).y - at.y) <
            TimeZoomPanel::HEIGHT / 14)
            row = index;
    ASSERT_GT(row, 0);
    const bool showBg = DisplaySwitches::get(DisplaySwitches::SHOW_BG);
    clickAt(at);
    EXPECT_EQ(DisplaySwitches::get(DisplaySwitches::SHOW_BG), showBg) << "the box beneath stays as it was";
    EXPECT_EQ(DisplayTimeZone::shared().index(), row);
}

}  // namespace
