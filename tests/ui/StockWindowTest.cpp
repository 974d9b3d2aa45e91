#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "CCDirector.h"
#include "CCLabelTTF.h"
#include "CCRecordingRenderer.h"
#include "CCScale9Sprite.h"
#include "DrawingKLine.h"
#include "IndicatorBase.h"
#include "KLineBar.h"
#include "KLineHistoryLoader.h"
#include "LanguageTable.h"
#include "LocalStockWindow.h"
#include "NumberAtlasLabel.h"
#include "PanelButton.h"
#include "StockWindow.h"
#include "StockWindowDelegate.h"

#include "SceneTest.h"
#include "UiTestSupport.h"

USING_NS_CC;

namespace {

struct RecordingDelegate : StockWindowDelegate {
    std::vector<int> popups;
    int activations = 0;
    int closes = 0;
    int maximiseToggles = 0;
    void openStockChooser(StockWindow*, const CCPoint&) override {}
    void openTimeTypeChooser(StockWindow*, const CCPoint&) override {}
    void openToolbarPopup(StockWindow*, int tag, const CCPoint&) override { popups.push_back(tag); }
    void closeWindow(StockWindow*) override { ++closes; }
    void toggleMaximise(StockWindow*) override { ++maximiseToggles; }
    void activateWindow(StockWindow* window) override {
        ++activations;
        window->setActive(true);
    }
    void setCrosshairInAllWindows(bool) override {}
    void weekHistoryMerged(StockWindow*) override {}
    std::string getKlineHistoryServer() override { return "http://127.0.0.1:1/history.php"; }
    void openDrawingTextInput(StockWindow*, const CCPoint&, const std::string&) override {}
    std::vector<StockWindow*> pictures;
    void saveChartImage(StockWindow* window) override { pictures.push_back(window); }
};

class StockWindowTest : public SceneTest {
protected:
    static void SetUpTestSuite() { setUpUiSuite("sw"); }
    static void TearDownTestSuite() { tearDownUiSuite("sw"); }
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        window = LocalWindow::create("Gold", CCSize(800, 600));
        ASSERT_NE(window, nullptr);
        window->setDelegate(&delegate);
        scene->addChild(window);
        window->setShown(true);
        CCDirector::sharedDirector()->stepFrame(0);
    }
    std::string text(NumberAtlasLabel* label) const { return label->getString(); }

    LocalWindow* window = nullptr;
    RecordingDelegate delegate;
};

TEST_F(StockWindowTest, LayoutWithAndWithoutRightPanelAndPanes) {
    DrawingKLine* chart = window->getChart();
    ASSERT_TRUE(window->isRightPanelVisible());
    EXPECT_EQ(chart->getPosition(), CCPoint(0, 0));
    EXPECT_EQ(chart->getContentSize(), CCSize(680, 600));
    EXPECT_EQ(window->getRightPanel()->getPositionX(), 680);
    EXPECT_EQ(window->getRedFrame()->getPositionY(), 525);  // 75 below the top
    EXPECT_EQ(window->getStockButton()->getPosition(), CCPoint(35, 595));
    const CCPoint origin = window->convertToWorldSpace(CCPointZero);
    EXPECT_TRUE(window->IsPointOnMe(origin.x + 670, origin.y + 10));
    EXPECT_FALSE(window->IsPointOnMe(origin.x + 700, origin.y + 10));  // the right panel's strip

    window->setRightPanelVisible(false);
    EXPECT_EQ(chart->getContentSize(), CCSize(800, 600));
    EXPECT_TRUE(window->IsPointOnMe(origin.x + 700, origin.y + 10));
    window->setRightPanelVisible(true);

    ASSERT_TRUE(window->addIndicator(IndicatorBase::TYPE_MACD, 0.2f));
    ASSERT_TRUE(window->addIndicator(IndicatorBase::TYPE_TRADING, 0.25f));
    EXPECT_FALSE(window->addIndicator(IndicatorBase::TYPE_MACD, 0.3f));  // each pane at most once
    const std::vector<IndicatorBase*>& panes = window->getIndicators();
    ASSERT_EQ(panes.size(), 2u);
    // The last pane sits at the bottom; the chart keeps what the panes leave.
    EXPECT_EQ(panes[1]->getPosition(), CCPoint(0, 0));
    EXPECT_EQ(panes[1]->getContentSize(), CCSize(680, 150));
    EXPECT_EQ(panes[0]->getPosition(), CCPoint(0, 150));
    EXPECT_EQ(panes[0]->getContentSize(), CCSize(680, 120));
    EXPECT_EQ(chart->getPosition(), CCPoint(0, 270));
    EXPECT_EQ(chart->getContentSize(), CCSize(680, 330));
    EXPECT_EQ(chart->getLowerView(), panes[0]);
    EXPECT_EQ(panes[0]->getUpperView(), chart);
    EXPECT_EQ(panes[0]->getLowerView(), panes[1]);
    EXPECT_EQ(panes[1]->getLowerView(), nullptr);

    window->removeIndicator(IndicatorBase::TYPE_MACD);
    ASSERT_EQ(window->getIndicators().size(), 1u);
    EXPECT_EQ(chart->getPosition(), CCPoint(0, 150));
    EXPECT_EQ(chart->getLowerView(), window->getIndicators()[0]);

    // Shares above the cap together are scaled down: the chart keeps a fifth of the height.
    ASSERT_TRUE(window->addIndicator(IndicatorBase::TYPE_KDJ, 0.8f));
    ASSERT_TRUE(window->addIndicator(IndicatorBase::TYPE_BOLL, 0.8f));
    EXPECT_NEAR(chart->getContentSize().height, 600 * (1 - StockWindow::MAX_TOTAL_PANE_SHARE), 3);
    EXPECT_GT(chart->getPositionY(), 0);

    window->setWindowSize(400, 300);
    EXPECT_EQ(window->getRightPanel()->getPositionX(), 280);
    EXPECT_EQ(window->getRedFrame()->getPositionY(), 225);
    EXPECT_EQ(window->getStockButton()->getPosition(), CCPoint(35, 295));
}

TEST_F(StockWindowTest, QuoteWithZeroReferenceGlidesToNumbersNotNan) {
    window->showQuote(0, 0, 0, 0);
    step(0.3f);
    EXPECT_EQ(text(window->getChangeLabel()), "0.000/");
    for (int row = 0; row < 4; ++row) EXPECT_EQ(text(window->getValueLabel(row)), "0") << row;

    // No reference: the move itself is the divisor (1.5 / 150 x 100).
    window->showQuote(0, 2, 1, 1.5f);
    step(0.1f);
    const std::string halfway = text(window->getChangeLabel());
    EXPECT_NE(halfway, "1.000/");  // still gliding
    step(0.2f);
    EXPECT_EQ(text(window->getChangeLabel()), "1.000/");
    EXPECT_EQ(text(window->getValueLabel(0)), "2");
    EXPECT_EQ(text(window->getValueLabel(1)), "0");
    EXPECT_EQ(text(window->getValueLabel(2)), "1");
    EXPECT_EQ(text(window->getValueLabel(3)), "1.5");

    window->showQuote(100, 103, 98, 102);
    step(0.3f);
    EXPECT_EQ(text(window->getChangeLabel()), "2.000/");
    EXPECT_EQ(text(window->getValueLabel(1)), "100");
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(text(window->getValueLabel(row)).find("nan"), std::string::npos);
}

TEST_F(StockWindowTest, QuoteRepeatedEveryFrameStillArrivesAtItsNumbers) {
    window->showQuote(100, 103, 98, 102);
    step(0.3f);
    // A burst repeats the same quote many times a frame; the glide must still end on it.
    for (int frame = 0; frame < 30; ++frame) {
        for (int repeat = 0; repeat < 5; ++repeat) window->showQuote(100, 104, 98, 103.5f);
        step(1.0f / 60);
    }
    EXPECT_EQ(text(window->getValueLabel(0)), "104");
    EXPECT_EQ(text(window->getValueLabel(3)), "103.5");
    EXPECT_EQ(text(window->getChangeLabel()), "3.500/");
}

TEST_F(StockWindowTest, FrameColourFollowsChangeAndConvention) {
    window->setRiseGreen(false);
    window->showQuote(100, 100, 90, 95);
    EXPECT_TRUE(window->getGreenFrame()->isVisible());  // falling, red-up convention
    window->showQuote(100, 110, 100, 105);
    EXPECT_FALSE(window->getGreenFrame()->isVisible());
    window->showQuote(100, 100, 100, 100);
    EXPECT_FALSE(window->getGreenFrame()->isVisible());

    EXPECT_FALSE(window->getChart()->getRiseGreen());
    window->setRiseGreen(true);
    EXPECT_TRUE(window->getChart()->getRiseGreen());  // the chart's pointer follows the same rule
    window->showQuote(100, 100, 100, 100);
    EXPECT_TRUE(window->getGreenFrame()->isVisible());  // zero counts as rising
    window->showQuote(100, 110, 100, 105);
    EXPECT_TRUE(window->getGreenFrame()->isVisible());
    window->showQuote(100, 100, 90, 95);
    EXPECT_FALSE(window->getGreenFrame()->isVisible());
}

TEST_F(StockWindowTest, SetStockRetitlesAndResetsTheSeries) {
    window->setStock("XAUUSD", "Gold");
    const int requestsAfterFirst = window->requests();
    EXPECT_GT(requestsAfterFirst, 0);  // the week history of the new instrument is asked for
    EXPECT_EQ(std::string(window->getQuoteTitleLabel()->getString()), "Gold\nXAUUSD");
    EXPECT_EQ(std::string(window->getStockNameLabel()->getString()), "Gold");
    const std::string timeTitle = window->getTimeTypeLabel()->getString();
    EXPECT_EQ(timeTitle.front(), '[');
    EXPECT_EQ(timeTitle.back(), ']');
    // The title buttons fit their labels.
    EXPECT_FLOAT_EQ(window->getStockButton()->getContentSize().width,
                    window->getStockNameLabel()->getContentSize().width + 67);
    EXPECT_FLOAT_EQ(window->getTimeTypeButton()->getContentSize().width,
                    window->getTimeTypeLabel()->getContentSize().width + 30);

    window->updateKLine(1700000000, 1, 2, 0.5f, 1.5f, 10);
    window->updateKLine(1700000060, 1.5f, 2.5f, 1, 2, 10);
    ASSERT_EQ(window->getLoader()->series().size(), 2u);
    EXPECT_EQ(text(window->getLastPriceLabel()), "2");

    window->setStock("XAUUSD", "Gold again");  // same instrument: nothing changes, nothing fetched
    EXPECT_EQ(window->getLoader()->series().size(), 2u);
    EXPECT_EQ(window->requests(), requestsAfterFirst);
    EXPECT_EQ(std::string(window->getStockNameLabel()->getString()), "Gold");

    // A pooled window shown again for the same instrument does not keep the bars it had when it closed.
    window->setShown(false);
    window->setStock("XAUUSD", "Gold");
    window->setShown(true);
    EXPECT_TRUE(window->getLoader()->series().empty());
    EXPECT_GT(window->requests(), requestsAfterFirst);
    EXPECT_EQ(text(window->getLastPriceLabel()), "--/--");

    window->setStock("EURUSD", "Euro");
    EXPECT_TRUE(window->getLoader()->series().empty());
    EXPECT_GT(window->requests(), requestsAfterFirst);
    EXPECT_EQ(window->getCode(), "EURUSD");
    EXPECT_EQ(std::string(window->getQuoteTitleLabel()->getString()), "Euro\nEURUSD");
    EXPECT_EQ(text(window->getLastPriceLabel()), "--/--");
}

TEST_F(StockWindowTest, ReportsWhatTheLayoutIsSavedFrom) {
    window->setStock("XAGUSD", "Silver");
    window->setChartType(2);
    window->setTimeType(4, false);
    window->setTimeType(9, false);  // ignored
    window->setZoom(10.0f);
    ASSERT_TRUE(window->addIndicator(IndicatorBase::TYPE_KDJ, 0.3f));
    ASSERT_TRUE(window->addIndicator(IndicatorBase::TYPE_MOVING_AVERAGE, 0));

    const LayoutWindowSource& source = *window;
    EXPECT_TRUE(source.isShown());
    EXPECT_EQ(source.getCode(), "XAGUSD");
    EXPECT_EQ(source.getChartType(), 2);
    EXPECT_EQ(source.getTimeTypeIndex(), 4);
    EXPECT_FLOAT_EQ(source.getZoom(), 10.0f);
    const std::vector<IndicatorPane> expected{
        {IndicatorBase::TYPE_MOVING_AVERAGE, IndicatorPane::MIN_HEIGHT_RATIO},
        {IndicatorBase::TYPE_KDJ, 0.3f}};
    EXPECT_EQ(source.getIndicatorPanes(), expected);
    EXPECT_TRUE(window->getLoader()->isWindowShown());

    // Hidden, the window's history retries wait for it to be shown again.
    window->setShown(false);
    EXPECT_FALSE(source.isShown());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->getLoader()->isWindowShown());
    window->setShown(true);
    EXPECT_TRUE(window->getLoader()->isWindowShown());
}

TEST_F(StockWindowTest, HoverReadOutShowsAndHides) {
    KLineBar bar(1700000000, 1.25f, 2.5f, 1.0f, 2.0f, 5);
    bar.ma[0] = 1.5f;
    window->showBarInfo(&bar);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(window->getHoverLabel(i)->isVisible()) << i;
    EXPECT_NE(std::string(window->getHoverLabel(0)->getString()).find("2.5"), std::string::npos);
    EXPECT_NE(std::string(window->getHoverLabel(3)->getString()).find(" 2"), std::string::npos);
    EXPECT_FALSE(window->getMALabel(0)->isVisible());  // MA lines are off
    // The open and close column stands right of the wider of high and low.
    EXPECT_GE(window->getHoverLabel(1)->getPositionX(), window->getHoverLabel(0)->getPositionX() +
                                                            window->getHoverLabel(0)->getContentSize().width +
                                                            20 - 0.5f);

    window->showBarInfo(nullptr);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(window->getHoverLabel(i)->isVisible()) << i;

    ASSERT_TRUE(window->addIndicator(IndicatorBase::TYPE_MOVING_AVERAGE, 0));
    window->showBarInfo(&bar);
    EXPECT_TRUE(window->getMALabel(0)->isVisible());
    EXPECT_EQ(std::string(window->getMALabel(0)->getString()), "MA:1.5000");
}

TEST_F(StockWindowTest, HoverReadOutStaysClearOfTheToolbarAtAnyWidth) {
    window->setStock("XAUUSD", "Gold");
    KLineBar bar(1700000000, 2712.125f, 2719.875f, 2701.5f, 2709.625f, 5);
    ASSERT_TRUE(window->addIndicator(IndicatorBase::TYPE_MOVING_AVERAGE, 0));
    const CCNode* toolbar = window->getToolbarButton(1)->getParent();
    for (float width : {1600.0f, 900.0f, 640.0f, 480.0f}) {
        window->setWindowSize(width, 500);
        window->showBarInfo(nullptr);
        window->showBarInfo(&bar);
        const CCRect bar(toolbar->getPositionX(), toolbar->getPositionY(), toolbar->getContentSize().width,
                         toolbar->getContentSize().height);
        std::vector<CCLabelTTF*> labels;
        for (int i = 0; i < 4; ++i) labels.push_back(window->getHoverLabel(i));
        for (int i = 0; i < 3; ++i) labels.push_back(window->getMALabel(i));
        for (CCLabelTTF* label : labels) {
            const CCSize size = label->getContentSize();
            const CCPoint anchor = label->getAnchorPoint();
            const CCRect box(label->getPositionX() - anchor.x * size.width,
                             label->getPositionY() - anchor.y * size.height, size.width, size.height);
            EXPECT_FALSE(box.intersectsRect(bar)) << "width " << width << ": " << label->getString();
        }
    }
}

TEST_F(StockWindowTest, ToolbarAndWindowButtonsAskTheMainScene) {
    window->setActive(false);
    PanelToggleButton* indicators = window->getToolbarButton(StockWindow::TOOLBAR_INDICATORS);
    ASSERT_NE(indicators, nullptr);
    EXPECT_EQ(window->getToolbarButton(0), nullptr);
    EXPECT_EQ(window->getToolbarButton(7), nullptr);
    // The picture button saves at once and does not stay pressed.
    PanelToggleButton* picture = window->getToolbarButton(StockWindow::TOOLBAR_CHART_IMAGE);
    ASSERT_NE(picture, nullptr);
    click(picture);
    EXPECT_EQ(delegate.pictures, std::vector<StockWindow*>{window});
    EXPECT_FALSE(picture->getState());
    EXPECT_TRUE(delegate.popups.empty());
    // The bell stays pressed while the chart waits for the alert's click; again, or the pencil, cancels.
    PanelToggleButton* bell = window->getToolbarButton(StockWindow::TOOLBAR_PRICE_ALERT);
    click(bell);
    EXPECT_TRUE(bell->getState());
    EXPECT_TRUE(window->getChart()->isPlacingAlert());
    click(bell);
    EXPECT_FALSE(bell->getState());
    EXPECT_FALSE(window->getChart()->isPlacingAlert());
    click(bell);
    click(window->getToolbarButton(StockWindow::TOOLBAR_DRAWING_TOOLS));
    EXPECT_FALSE(bell->getState());
    EXPECT_FALSE(window->getChart()->isPlacingAlert());
    delegate.popups.clear();
    window->setActive(false);
    click(indicators);
    EXPECT_EQ(delegate.popups, std::vector<int>{StockWindow::TOOLBAR_INDICATORS});
    EXPECT_TRUE(indicators->getState());
    EXPECT_EQ(delegate.activations, 2);
    EXPECT_TRUE(window->isActive());
    EXPECT_EQ(window->getStockNameLabel()->getColor(), (ccColor3B{255, 255, 255}));

    click(window->getCloseButton());
    EXPECT_EQ(delegate.closes, 1);
    click(window->getMaximiseButton());
    EXPECT_EQ(delegate.maximiseToggles, 1);
    window->setMaximised(true);
    EXPECT_TRUE(window->getMaximiseButton()->getState());

    window->setActive(false);
    EXPECT_EQ(window->getStockNameLabel()->getColor(), (ccColor3B{120, 120, 120}));
    // Hiding resets the toolbar and gives back the size from before the window was maximised.
    window->setWindowSize(1000, 700);
    window->setShown(false);
    EXPECT_FALSE(indicators->getState());
    EXPECT_EQ(window->getChart()->getContentSize(), CCSize(680, 600));
    window->setMaximised(false);
    EXPECT_FALSE(window->getMaximiseButton()->getState());
}

TEST_F(StockWindowTest, NoEdgeShadeIsDrawnOverTheChartsPriceLabels) {
    auto recording = std::make_unique<CCRecordingRenderer>();
    CCRecordingRenderer* recorder = recording.get();
    CCDirector::sharedDirector()->setRenderer(std::move(recording));
    step(0.1f);
    const float chartRight = window->convertToWorldSpace(CCPointZero).x + 680;
    // Price labels end 10 px left of the chart's right edge (their origin is that corner).
    const std::vector<CCRecordedPrimitive>& drawn = recorder->lastFrame();
    size_t firstPriceLabel = drawn.size();
    for (size_t i = 0; i < drawn.size() && firstPriceLabel == drawn.size(); ++i)
        if (drawn[i].type == CCPrimitiveType::Text &&
            std::fabs(drawn[i].points[0].x - (chartRight - 10)) < 0.5f)
            firstPriceLabel = i;
    ASSERT_LT(firstPriceLabel, drawn.size());
    int shades = 0;
    for (size_t i = firstPriceLabel + 1; i < drawn.size(); ++i) {
        if (drawn[i].type != CCPrimitiveType::TexturedQuad || drawn[i].name != "leftDark.png") continue;
        ++shades;
        float left = drawn[i].points[0].x, right = left;
        for (const CCPoint& p : drawn[i].points) {
            left = std::min(left, p.x);
            right = std::max(right, p.x);
        }
        EXPECT_FALSE(left < chartRight && right > chartRight - 60) << left << " .. " << right;
    }
    EXPECT_EQ(shades, 2);  // the window's own, drawn over its content
}

}  // namespace
