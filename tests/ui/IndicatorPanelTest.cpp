#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CCDirector.h"
#include "CCLabelTTF.h"
#include "CCSpriteFrameCache.h"
#include "ChartChooserDelegate.h"
#include "IndicatorBase.h"
#include "IndicatorPane.h"
#include "IndicatorPanel.h"
#include "LanguageTable.h"
#include "LocalStockWindow.h"
#include "PanelButton.h"
#include "SceneTest.h"
#include "StockWindow.h"
#include "UiTestSupport.h"

USING_NS_CC;

namespace {

struct RecordingDelegate : ChartChooserDelegate {
    int saves = 0;
    void saveWindowLayout() override { ++saves; }
    void renewKLineSubscriptions() override {}
};

int countOf(const StockWindow* window, int type) {
    const std::vector<IndicatorPane> panes = window->getIndicatorPanes();
    return static_cast<int>(std::count_if(panes.begin(), panes.end(),
                                          [type](const IndicatorPane& pane) { return pane.type == type; }));
}

class IndicatorPanelTest : public SceneTest {
protected:
    static void SetUpTestSuite() { setUpUiSuite("indicator"); }
    static void TearDownTestSuite() { tearDownUiSuite("indicator"); }
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        first = LocalWindow::create("Gold", CCSize(450, 600));
        second = LocalWindow::create("Silver", CCSize(450, 600));
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        second->setPosition(CCPoint(450, 0));
        for (StockWindow* window : {first, second}) {
            scene->addChild(window);
            window->setShown(true);
        }
        panel = IndicatorPanel::create();
        ASSERT_NE(panel, nullptr);
        panel->setDelegate(&delegate);
        scene->addChild(panel, 10);
        CCDirector::sharedDirector()->stepFrame(0);
    }
    // Opens the picker from a window's toolbar as the main scene does, and picks a row with the mouse.
    void pick(StockWindow* window, int type) {
        window->getToolbarButton(StockWindow::TOOLBAR_INDICATORS)->setState(true);
        panel->setTargetWindow(window);
        panel->showAt(CCPoint(100, 500));
        step(0.3f);
        click(panel->getRowButton(type));
    }
    std::vector<int> selectedRows() const {
        std::vector<int> selected;
        for (int type = IndicatorPane::MIN_TYPE; type <= IndicatorPane::MAX_TYPE; ++type) {
            if (panel->isRowSelected(type)) selected.push_back(type);
        }
        return selected;
    }

    LocalWindow* first = nullptr;
    LocalWindow* second = nullptr;
    IndicatorPanel* panel = nullptr;
    RecordingDelegate delegate;
};

TEST_F(IndicatorPanelTest, RowsShowIconAndInfoTextTopToBottom) {
    const char* keys[] = {"maInfo", "tradingInfo", "macdInfo", "kdjInfo", "bollInfo"};
    auto* frames = CCSpriteFrameCache::sharedSpriteFrameCache();
    for (int type = IndicatorPane::MIN_TYPE; type <= IndicatorPane::MAX_TYPE; ++type) {
        ASSERT_NE(panel->getRowButton(type), nullptr) << type;
        EXPECT_EQ(panel->getRowButton(type)->getTag(), type);
        EXPECT_EQ(panel->getRowIcon(type)->displayFrame(),
                  frames->spriteFrameByName("index_icon_" + std::to_string(type) + ".png"))
            << type;
        EXPECT_EQ(panel->getRowInfo(type)->getString(), getLangText(keys[type - 1])) << type;
        EXPECT_NE(std::string(panel->getRowInfo(type)->getString()), "null") << type;
        if (type > IndicatorPane::MIN_TYPE) {
            EXPECT_LT(panel->getRowButton(type)->getPositionY(),
                      panel->getRowButton(type - 1)->getPositionY());
        }
    }
    EXPECT_EQ(panel->getRowButton(0), nullptr);
    EXPECT_EQ(panel->getRowButton(6), nullptr);

    panel->showAt(CCPoint(100, 500));
    step(0.3f);
    const CCPoint topLeft = panel->convertToWorldSpace(CCPoint(0, IndicatorPanel::HEIGHT));
    EXPECT_FLOAT_EQ(topLeft.x, 100);
    EXPECT_FLOAT_EQ(topLeft.y, 500);
}

TEST_F(IndicatorPanelTest, PickingTogglesOnlyTheTargetWindowsIndicator) {
    pick(first, IndicatorBase::TYPE_MACD);
    EXPECT_EQ(countOf(first, IndicatorBase::TYPE_MACD), 1);
    EXPECT_EQ(countOf(second, IndicatorBase::TYPE_MACD), 0);
    EXPECT_FALSE(panel->isShown());
    EXPECT_EQ(panel->getTargetWindow(), nullptr);
    EXPECT_FALSE(first->getToolbarButton(StockWindow::TOOLBAR_INDICATORS)->getState());
    EXPECT_EQ(delegate.saves, 1);

    pick(first, IndicatorBase::TYPE_MOVING_AVERAGE);
    EXPECT_TRUE(first->isShowMA());
    EXPECT_FALSE(second->isShowMA());
    EXPECT_EQ(countOf(first, IndicatorBase::TYPE_MACD), 1);

    // Present indicators show selected; picking one again takes it away, so a pane never doubles.
    panel->setTargetWindow(first);
    panel->showAt(CCPoint(100, 500));
    EXPECT_EQ(selectedRows(),
              (std::vector<int>{IndicatorBase::TYPE_MOVING_AVERAGE, IndicatorBase::TYPE_MACD}));
    panel->hide();
    pick(first, IndicatorBase::TYPE_MACD);
    EXPECT_EQ(countOf(first, IndicatorBase::TYPE_MACD), 0);
    pick(first, IndicatorBase::TYPE_MOVING_AVERAGE);
    EXPECT_FALSE(first->isShowMA());

    // Every pane once, then the other window's rows show its own state.
    for (int type = IndicatorBase::TYPE_TRADING; type <= IndicatorBase::TYPE_BOLL; ++type) pick(first, type);
    for (int type = IndicatorBase::TYPE_TRADING; type <= IndicatorBase::TYPE_BOLL; ++type)
        EXPECT_EQ(countOf(first, type), 1) << type;
    EXPECT_EQ(first->getIndicators().size(), 4u);
    panel->setTargetWindow(second);
    panel->showAt(CCPoint(500, 500));
    EXPECT_TRUE(selectedRows().empty());
    panel->hide();
    // Shown where it stands, as the main scene places its pop-ups, the rows are marked all the same.
    panel->setTargetWindow(first);
    panel->show();
    EXPECT_EQ(selectedRows(), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(delegate.saves, 8);
}

TEST_F(IndicatorPanelTest, ClosingWithoutAPickLeavesTheWindowAlone) {
    first->getToolbarButton(StockWindow::TOOLBAR_INDICATORS)->setState(true);
    panel->setTargetWindow(first);
    panel->showAt(CCPoint(100, 500));
    panel->hide();
    EXPECT_EQ(panel->getTargetWindow(), nullptr);
    EXPECT_FALSE(first->getToolbarButton(StockWindow::TOOLBAR_INDICATORS)->getState());
    EXPECT_TRUE(first->getIndicatorPanes().empty());
    EXPECT_EQ(delegate.saves, 0);

    // A hidden picker's rows do not answer; without a window a pick only closes.
    click(panel->getRowButton(IndicatorBase::TYPE_KDJ));
    EXPECT_TRUE(first->getIndicatorPanes().empty());
    panel->showAt(CCPoint(100, 500));
    panel->onIndicatorRow(IndicatorBase::TYPE_KDJ);
    EXPECT_FALSE(panel->isShown());
    EXPECT_TRUE(first->getIndicatorPanes().empty());
    EXPECT_TRUE(second->getIndicatorPanes().empty());
    EXPECT_EQ(delegate.saves, 0);
}

}  // namespace
