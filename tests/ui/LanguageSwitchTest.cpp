#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCLabelTTF.h"
#include "IndicatorPanel.h"
#include "KLineBar.h"
#include "LanguageTable.h"
#include "LanguageWalk.h"
#include "LayoutPanel.h"
#include "LeftPaneMaster.h"
#include "LocalStockWindow.h"
#include "ReconnectPanel.h"
#include "SceneTest.h"
#include "SelectChartTypePanel.h"
#include "SelectDrawingToolPanel.h"
#include "SelectTimePanel.h"
#include "SettingPanel.h"

USING_NS_CC;

namespace {

class LanguageSwitchTest : public SceneTest {
protected:
    static void SetUpTestSuite() { setUpUiSuite("language"); }
    static void TearDownTestSuite() { tearDownUiSuite("language"); }
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        switchLanguage(1);
    }
    void TearDown() override {
        // A test's tip display captures its locals: gone before the switch back reaches a hovered button.
        PanelButton::setTipDisplay(nullptr);
        switchLanguage(1);
        SceneTest::TearDown();
    }
};

TEST_F(LanguageSwitchTest, AHoveredTipKeepsItsKeyAndShowsTheNewTextAtOnce) {
    PanelButton* button = PanelButton::create("layout.png", "layout_sel.png", 1, [](PanelButton*) {});
    ASSERT_NE(button, nullptr);
    button->setPosition(CCPoint(100, 100));
    scene->addChild(button);
    std::vector<std::string> shown;
    PanelButton::setTipDisplay([&](bool show, const std::string& text, const CCPoint&) {
        if (show) shown.push_back(text);
    });
    button->setTipsInfo("layout");
    const LangData* entry = findLangEntry("layout");
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(getLangTextFor(entry, 0), getLangTextFor(entry, 1));
    EXPECT_EQ(button->getTipText(), getLangTextFor(entry, 1));
    moveTo(CCPoint(100, 100));
    switchLanguage(0);
    EXPECT_EQ(button->getTipText(), getLangTextFor(entry, 0));
    EXPECT_EQ(shown, (std::vector<std::string>{getLangTextFor(entry, 1), getLangTextFor(entry, 0)}));
    EXPECT_FALSE(switchLanguage(2));
    EXPECT_FALSE(switchLanguage(-1));
    EXPECT_EQ(button->getTipText(), getLangTextFor(entry, 0)) << "an unknown language changes nothing";
}

TEST_F(LanguageSwitchTest, ChoosersWindowsAndPanelsShowOnlyTheLanguageInForce) {
    std::vector<PopuPanelBase*> panels = {
        LayoutPanel::create(),    SelectTimePanel::create(),        SelectChartTypePanel::create(),
        IndicatorPanel::create(), SelectDrawingToolPanel::create(), SettingPanel::create(245)};
    for (PopuPanelBase* panel : panels) {
        ASSERT_NE(panel, nullptr);
        scene->addChild(panel);
    }
    LocalWindow* window = LocalWindow::create("EUR/USD", CCSize(600, 400));
    LeftPaneMaster* pane = LeftPaneMaster::create(500);
    ReconnectPanel* reconnect = ReconnectPanel::create();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(pane, nullptr);
    ASSERT_NE(reconnect, nullptr);
    scene->addChild(window);
    scene->addChild(pane);
    scene->addChild(reconnect);
    reconnect->showPanel(1);
    KLineBar bar(1700000000, 1.1f, 1.3f, 1.0f, 1.2f, 5);
    window->showBarInfo(&bar);
    const std::string timeTitleBefore = window->getTimeTypeLabel()->getString();

    LanguageWalk walk;
    ASSERT_GT(walk.keyCount(), 100u);
    for (int language : {0, 1, 0}) {
        ASSERT_TRUE(switchLanguage(language));
        EXPECT_EQ(walk.foreignTexts(scene), std::vector<std::string>{}) << "language " << language;
        EXPECT_GT(walk.checked(), 100u);
    }
    EXPECT_NE(std::string(window->getTimeTypeLabel()->getString()), timeTitleBefore);
}

}  // namespace
