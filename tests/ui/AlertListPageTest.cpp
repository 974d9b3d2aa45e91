#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AlertListPage.h"
#include "CCDirector.h"
#include "CCLabelTTF.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "PriceAlerts.h"

#include "SceneTest.h"
#include "TempHome.h"
#include "UiTestSupport.h"

USING_NS_CC;

namespace {

class AlertListPageTest : public SceneTest {
protected:
    static void SetUpTestSuite() { setUpUiSuite("alertlist"); }
    static void TearDownTestSuite() { tearDownUiSuite("alertlist"); }
};

TEST_F(AlertListPageTest, RowsFollowTheListAndTheCloseBoxAsksToRemoveAfterTheClick) {
    TempHome home("zento-alert-rows", TempHome::Use::FOLDER);
    PriceAlerts alerts(home.folder());
    ASSERT_TRUE(alerts.load());
    const int saved = getCurrentLanguage();
    setCurrentLanguage(0);
    AlertListPage* page = AlertListPage::create(CCSize(280, 300));
    ASSERT_NE(page, nullptr);
    page->setShown(true);
    scene->addChild(page);
    std::vector<int> removals;
    page->setRemoveCallback([&](int id) { removals.push_back(id); });
    page->setAlerts(&alerts);
    EXPECT_EQ(page->getRowCount(), 0u);
    EXPECT_TRUE(page->getHint()->isVisible());

    const int gold = alerts.add("XAUUSD", 2010, 2000);
    alerts.add("EURUSD", 1.1, 1.08);
    ASSERT_EQ(page->getRowCount(), 2u);
    EXPECT_FALSE(page->getHint()->isVisible());
    EXPECT_EQ(std::string(page->getStateLabel(0)->getString()), getLangText("alertArmed"));
    alerts.quote("XAUUSD", 2011, 1715780000);
    EXPECT_EQ(std::string(page->getStateLabel(0)->getString()).rfind(getLangText("alertFired"), 0), 0u)
        << page->getStateLabel(0)->getString();
    // Another language lists the same rows in it.
    switchLanguage(1);
    EXPECT_EQ(std::string(page->getStateLabel(1)->getString()), getLangText("alertArmed"));

    CCDirector::sharedDirector()->stepFrame(0);
    click(page->getRemoveButton(0));
    EXPECT_TRUE(removals.empty()) << "not inside the button's own click";
    step(0.05f);
    EXPECT_EQ(removals, std::vector<int>{gold});
    switchLanguage(saved);
}

}  // namespace
