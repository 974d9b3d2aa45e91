#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <unistd.h>

#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCFontAtlas.h"
#include "CCLabelTTF.h"
#include "CCLayerColor.h"
#include "CCSpriteFrameCache.h"
#include "ChartChooserDelegate.h"
#include "DisplayTimeZone.h"
#include "KLineHistoryLoader.h"
#include "LanguageTable.h"
#include "LayoutPanel.h"
#include "LayoutPanelDelegate.h"
#include "LocalStockWindow.h"
#include "PanelButton.h"
#include "PopuPanelBase.h"
#include "SelectChartTypePanel.h"
#include "SelectTimePanel.h"
#include "StockWindow.h"
#include "TimeZoomPanel.h"
#include "UserData.h"

#include "UiTestSupport.h"

USING_NS_CC;

namespace {

const std::string RES = ZENTO_RES_DIR;

struct RecordingLayoutDelegate : LayoutPanelDelegate {
    std::vector<std::pair<int, bool>> applied;
    bool reapply = false;
    void applyLayout(int layout, bool animated) override { applied.emplace_back(layout, animated); }
    bool wantsLayoutReapplied() const override { return reapply; }
};

// Saves as the main scene does: the shown windows become the stored layout, written to the file.
struct SavingChooserDelegate : ChartChooserDelegate {
    StockWindow* window = nullptr;
    int saves = 0;
    int renewals = 0;
    void saveWindowLayout() override {
        ++saves;
        UserData::getInstance()->saveLayout({window}, 0);
        UserData::getInstance()->saveSettings();
    }
    void renewKLineSubscriptions() override { ++renewals; }
};

class PopupPanelsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setUpUiSuite("popup"); }
    static void TearDownTestSuite() { tearDownUiSuite("popup"); }
    void SetUp() override {
        CCDirector::purgeDirector();
        CCDirector::sharedDirector()->setWinSize(CCSize(900, 600));
        CCEGLView::sharedOpenGLView()->setFrameSize(900, 600);
        auto* frames = CCSpriteFrameCache::sharedSpriteFrameCache();
        if (!frames->spriteFrameByName("icon_layout_1.png"))
            frames->addSpriteFramesWithFile(RES + "/plist/image.plist");
        ASSERT_NE(frames->spriteFrameByName("icon_layout_1.png"), nullptr);
        scene = CCScene::create();
        CCDirector::sharedDirector()->runWithScene(scene);
        CCDirector::sharedDirector()->stepFrame(0);
    }
    void TearDown() override {
        PopuPanelBase::setDimLayer(nullptr);
        CCDirector::purgeDirector();
        CCEGLView::purgeSharedOpenGLView();
        CCFontAtlas::purgeAll();
    }
    LocalWindow* addWindow() {
        LocalWindow* window = LocalWindow::create("Gold", CCSize(800, 600));
        if (!window) return nullptr;
        scene->addChild(window);
        window->setShown(true);
        CCDirector::sharedDirector()->stepFrame(0);
        return window;
    }
    void step(float seconds) { stepFor(seconds, UI_STEP); }
    static CCPoint centreOf(CCNode* node) {
        const CCSize size = node->getContentSize();
        return node->convertToWorldSpace(CCPoint(size.width / 2, size.height / 2));
    }
    void click(CCNode* node) {
        const CCPoint at = centreOf(node);
        CCEGLView::sharedOpenGLView()->handleMouseDown(at.x, 600 - at.y);
        CCEGLView::sharedOpenGLView()->handleMouseUp(at.x, 600 - at.y);
    }
    void moveTo(const CCPoint& at) { CCEGLView::sharedOpenGLView()->handleMouseMove(at.x, 600 - at.y); }

    CCScene* scene = nullptr;
};

TEST_F(PopupPanelsTest, OpenPopupListAndModalDimming) {
    CCLayerColor* dim = CCLayerColor::create(ccc4(0, 0, 0, 0), 900, 600);
    dim->setVisible(false);
    scene->addChild(dim, 5);
    PopuPanelBase::setDimLayer(dim);
    LayoutPanel* first = LayoutPanel::create();
    LayoutPanel* second = LayoutPanel::create();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    scene->addChild(first, 10);
    scene->addChild(second, 20);
    EXPECT_FALSE(first->isShown());
    EXPECT_FALSE(first->isVisible());
    EXPECT_FALSE(first->getLayoutButton(1)->isEnabled());
    EXPECT_EQ(first->getBackground()->getOpacity(), PopuPanelBase::PANEL_OPACITY);

    first->show();
    EXPECT_FLOAT_EQ(first->getScale(), PopuPanelBase::POP_START_SCALE);
    EXPECT_TRUE(dim->isVisible());
    EXPECT_EQ(dim->getZOrder(), 9);
    step(0.3f);
    EXPECT_FLOAT_EQ(first->getScale(), 1.0f);
    EXPECT_EQ(dim->getOpacity(), PopuPanelBase::DIM_OPACITY);
    EXPECT_TRUE(first->getLayoutButton(23)->isEnabled());

    second->show();
    EXPECT_EQ(dim->getZOrder(), 19);
    EXPECT_EQ(PopuPanelBase::getOpenPopups(), (std::vector<PopuPanelBase*>{first, second}));
    first->show();  // shown again: most recent, listed once
    EXPECT_EQ(PopuPanelBase::getOpenPopups(), (std::vector<PopuPanelBase*>{second, first}));

    first->hide();
    EXPECT_EQ(PopuPanelBase::getOpenPopups(), (std::vector<PopuPanelBase*>{second}));
    EXPECT_FALSE(first->isVisible());
    EXPECT_FALSE(first->getLayoutButton(1)->isEnabled());
    EXPECT_TRUE(second->getLayoutButton(1)->isEnabled());
    step(0.4f);
    EXPECT_EQ(dim->getOpacity(), 0);
    EXPECT_FALSE(dim->isVisible());

    // A panel that goes away leaves no stale entry behind.
    scene->removeChild(second, true);
    EXPECT_TRUE(PopuPanelBase::getOpenPopups().empty());
}

TEST_F(PopupPanelsTest, LayoutButtonsSitInTheirRowsWithTagsMatchingImages) {
    LayoutPanel* panel = LayoutPanel::create();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->getContentSize(), CCSize(350, 330));
    auto* frames = CCSpriteFrameCache::sharedSpriteFrameCache();
    for (int k = 1; k <= LayoutPanel::LAYOUT_COUNT; ++k) {
        PanelToggleButton* button = panel->getLayoutButton(k);
        ASSERT_NE(button, nullptr) << k;
        EXPECT_EQ(button->getTag(), k);
        EXPECT_EQ(button->displayFrame(),
                  frames->spriteFrameByName("icon_layout_" + std::to_string(k) + ".png"))
            << k;
    }
    EXPECT_EQ(panel->getLayoutButton(0), nullptr);
    EXPECT_EQ(panel->getLayoutButton(24), nullptr);
    // Measured from the bottom: 330 minus the distance from the top edge.
    const std::vector<std::pair<int, CCPoint>> expected = {
        {1, CCPoint(120, 275)}, {2, CCPoint(120, 225)}, {3, CCPoint(170, 225)},  {4, CCPoint(120, 175)},
        {8, CCPoint(320, 175)}, {9, CCPoint(120, 125)}, {13, CCPoint(320, 125)}, {14, CCPoint(120, 75)},
        {18, CCPoint(320, 75)}, {19, CCPoint(120, 25)}, {21, CCPoint(220, 25)},  {23, CCPoint(320, 25)},
    };
    for (const auto& [k, at] : expected) EXPECT_EQ(panel->getLayoutButton(k)->getPosition(), at) << k;
}

TEST_F(PopupPanelsTest, ChoosingTheCurrentLayoutChangesNothing) {
    RecordingLayoutDelegate delegate;
    LayoutPanel* panel = LayoutPanel::create();
    ASSERT_NE(panel, nullptr);
    panel->setDelegate(&delegate);
    panel->setPosition(CCPoint(100, 100));
    scene->addChild(panel);
    panel->setCurrentLayout(5);
    panel->setCurrentLayout(0);   // ignored
    panel->setCurrentLayout(24);  // ignored
    EXPECT_EQ(panel->getCurrentLayout(), 5);
    panel->show();
    step(0.3f);

    click(panel->getLayoutButton(5));
    EXPECT_TRUE(delegate.applied.empty());
    EXPECT_TRUE(panel->isShown());
    EXPECT_TRUE(panel->getLayoutButton(5)->getState());

    click(panel->getLayoutButton(9));
    EXPECT_EQ(delegate.applied, (std::vector<std::pair<int, bool>>{{9, true}}));
    EXPECT_FALSE(panel->isShown());
    EXPECT_EQ(panel->getCurrentLayout(), 9);
    EXPECT_TRUE(panel->getLayoutButton(9)->getState());
    EXPECT_FALSE(panel->getLayoutButton(5)->getState());

    // A hidden chooser's buttons do nothing.
    click(panel->getLayoutButton(2));
    EXPECT_EQ(delegate.applied.size(), 1u);

    // The main scene may want the current layout applied again.
    delegate.reapply = true;
    panel->show();
    step(0.3f);
    click(panel->getLayoutButton(9));
    EXPECT_EQ(delegate.applied.size(), 2u);
    EXPECT_FALSE(panel->isShown());
}

TEST_F(PopupPanelsTest, ChartTypeChooserAppliesAndPersistsTheChoice) {
    LocalWindow* window = addWindow();
    ASSERT_NE(window, nullptr);
    SavingChooserDelegate delegate;
    delegate.window = window;
    SelectChartTypePanel* panel = SelectChartTypePanel::create();
    ASSERT_NE(panel, nullptr);
    panel->setDelegate(&delegate);
    panel->setPosition(CCPoint(100, 100));
    scene->addChild(panel, 10);
    window->setChartType(0);

    window->getToolbarButton(StockWindow::TOOLBAR_CHART_TYPE)->setState(true);
    panel->showForWindow(window);
    step(0.3f);
    EXPECT_EQ(panel->getWindow(), window);
    EXPECT_TRUE(panel->getTypeButton(1)->getState());
    EXPECT_FALSE(panel->getTypeButton(3)->getState());

    click(panel->getTypeButton(3));
    EXPECT_EQ(window->getChartType(), 2);
    EXPECT_FALSE(panel->isShown());
    EXPECT_EQ(panel->getWindow(), nullptr);
    EXPECT_FALSE(window->getToolbarButton(StockWindow::TOOLBAR_CHART_TYPE)->getState());
    EXPECT_EQ(delegate.saves, 1);
    UserData reloaded;
    reloaded.loadSettings();
    ASSERT_EQ(reloaded.getWindows().size(), 1u);
    EXPECT_EQ(reloaded.getWindows()[0].chartType, 2);

    // The current type only closes the chooser.
    panel->showForWindow(window);
    step(0.3f);
    EXPECT_TRUE(panel->getTypeButton(3)->getState());
    EXPECT_FALSE(panel->getTypeButton(1)->getState());
    click(panel->getTypeButton(3));
    EXPECT_EQ(window->getChartType(), 2);
    EXPECT_FALSE(panel->isShown());

    // Closed without a choice: the window keeps its type and its toolbar button is released.
    window->getToolbarButton(StockWindow::TOOLBAR_CHART_TYPE)->setState(true);
    panel->showForWindow(window);
    panel->hide();
    EXPECT_EQ(window->getChartType(), 2);
    EXPECT_FALSE(window->getToolbarButton(StockWindow::TOOLBAR_CHART_TYPE)->getState());
    EXPECT_EQ(panel->getWindow(), nullptr);
}

TEST_F(PopupPanelsTest, ChartTypeInfoFollowsTheHoveredButton) {
    SelectChartTypePanel* panel = SelectChartTypePanel::create();
    ASSERT_NE(panel, nullptr);
    panel->setPosition(CCPoint(100, 100));
    scene->addChild(panel);
    panel->show();
    step(0.3f);
    moveTo(centreOf(panel->getTypeButton(2)));
    step(0.05f);
    ASSERT_TRUE(panel->getInfoLabel()->isVisible());
    EXPECT_EQ(std::string(panel->getInfoLabel()->getString()), getLangTextOrDefault("lineInfo", ""));
    moveTo(CCPoint(890, 590));
    step(0.05f);
    EXPECT_FALSE(panel->getInfoLabel()->isVisible());
}

TEST_F(PopupPanelsTest, TimeChooserRefetchesAndRenewsOnlyForANewTimeType) {
    LocalWindow* window = addWindow();
    ASSERT_NE(window, nullptr);
    SavingChooserDelegate delegate;
    delegate.window = window;
    SelectTimePanel* panel = SelectTimePanel::create();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->getContentSize(), CCSize(200, 255));
    panel->setDelegate(&delegate);
    panel->setPosition(CCPoint(100, 100));
    scene->addChild(panel, 10);
    for (int tag = 0; tag < SelectTimePanel::TIME_TYPE_COUNT; ++tag)
        EXPECT_EQ(panel->getTimeButton(tag)->getTag(), tag);
    window->setStock("XAUUSD", "Gold");

    const int current = window->getTimeTypeIndex();
    const int fresh = current == 4 ? 5 : 4;
    panel->showForWindow(window);
    step(0.3f);
    EXPECT_TRUE(panel->getTimeButton(current)->getState());
    const int requestsBefore = window->requests();
    click(panel->getTimeButton(current));
    EXPECT_FALSE(panel->isShown());
    EXPECT_EQ(window->requests(), requestsBefore);
    EXPECT_EQ(delegate.renewals, 0);

    window->getToolbarButton(StockWindow::TOOLBAR_TIME_TYPE)->setState(true);
    panel->showForWindow(window);
    step(0.3f);
    click(panel->getTimeButton(fresh));
    EXPECT_EQ(window->getTimeTypeIndex(), fresh);
    EXPECT_GT(window->requests(), requestsBefore);
    EXPECT_EQ(delegate.renewals, 1);
    EXPECT_FALSE(panel->isShown());
    EXPECT_EQ(panel->getWindow(), nullptr);
    EXPECT_FALSE(window->getToolbarButton(StockWindow::TOOLBAR_TIME_TYPE)->getState());
}

TEST_F(PopupPanelsTest, ZoneChooserRowsTickInTheirCitiesAndFollowTheLanguage) {
    DisplayTimeZone& zone = DisplayTimeZone::shared();
    zone.resetForTest(0);
    int64_t now = 1741503599;  // 2025-03-09 06:59:59 UTC, a second before New York's spring forward
    zone.setClock([&] { return now; });
    std::vector<int> chosen;
    TimeZoomPanel* panel = TimeZoomPanel::create([&](int index) { chosen.push_back(index); });
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->getContentSize(), CCSize(290, 225));
    scene->addChild(panel, 10);
    panel->show();
    step(0.3f);
    EXPECT_EQ(panel->rowTime(0), "03-09 14:59:59");
    EXPECT_EQ(panel->rowTime(1), "03-09 01:59:59");
    now += 1;
    zone.tick();
    EXPECT_EQ(panel->rowTime(1), "03-09 03:00:00");
    EXPECT_EQ(panel->rowTime(2), "03-09 07:00:00");

    ASSERT_TRUE(switchLanguage(0));
    EXPECT_EQ(panel->rowName(1), "New York");
    ASSERT_TRUE(switchLanguage(1));
    EXPECT_EQ(panel->rowName(1), "纽约");

    const CCPoint row = panel->convertToWorldSpace(panel->rowCentre(3));
    CCEGLView::sharedOpenGLView()->handleMouseDown(row.x, 600 - row.y);
    CCEGLView::sharedOpenGLView()->handleMouseUp(row.x, 600 - row.y);
    EXPECT_EQ(chosen, std::vector<int>{3});
    EXPECT_FALSE(panel->isShown());
    zone.resetForTest(0);
}

}  // namespace
