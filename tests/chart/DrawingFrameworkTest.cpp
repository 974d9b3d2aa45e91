// The drawing tools inside the chart view: placement by clicks, hit testing, the editing toolbar, text
// edits and the saved drawings, driven through the view as the pointer drives it.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "ChartButton.h"
#include "ChartTestSupport.h"
#include "DrawingBase.h"
#include "DrawingStore.h"
#include "DrawingSync.h"
#include "DrawingToolbar.h"
#include "TempHome.h"

USING_NS_CC;

namespace {
constexpr int LINE = 1, VERTICAL = 2, RECT = 8, TEXT = 20;

class DrawingFrameworkTest : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        fillBars(200, 1480000000, 1, zigzag);
        makeChart(900, 400);
        chart_->showNewestBars();
        step(0.5f);
    }
    void clickAt(float x, float y) {
        press(x, y);
        release(x, y);
    }
    float yOf(float price) const {
        return (price - chart_->getPriceMin()) * chart_->getPriceScale() + chart_->getCurrentBaseY();
    }
    // A two-point tool placed through the pointer, bar and price of each point.
    DrawingBase* place(int id, int bar0, float price0, int bar1, float price1) {
        chart_->startTool(id);
        DrawingBase* tool = chart_->getCreatingTool();
        clickAt(centreOf(bar0), yOf(price0));
        if (id != VERTICAL && id != TEXT) clickAt(centreOf(bar1), yOf(price1));
        step(FRAME);
        return tool;
    }
    const std::string& toolbarFrame(int tag) const {
        return chart_->getToolToolbar()->getButton(tag)->getNormalFrame();
    }
    size_t drawnBy(DrawingBase* tool) {
        recorder_->beginFrame(CCSize(900, WINDOW_HEIGHT));
        if (tool->isVisible()) {
            tool->ensureGeometry();
            tool->draw();
        }
        recorder_->endFrame();
        return recorder_->lastFrame().size();
    }
};

TEST_F(DrawingFrameworkTest, ClicksPlacePointsWithOrWithoutMovesAndNeverToggleTheCrosshair) {
    // Two quick clicks, no move between: two points, complete, selected, the window told.
    DrawingBase* quick = place(LINE, 150, 105, 160, 110);
    ASSERT_EQ(quick->getPoints().size(), 2u);
    EXPECT_EQ(quick->getPoints()[1].bar->index, 160);
    EXPECT_NEAR(quick->getPoints()[1].y, yOf(110), 0.5f);
    EXPECT_EQ(chart_->getSelectedDrawing(), quick);
    EXPECT_TRUE(chart_->getToolToolbar()->isVisible());
    EXPECT_EQ(owner_.toolsPlaced, 1);
    EXPECT_EQ(owner_.drawingChanges, 1);
    // The two placement clicks were not a double click.
    EXPECT_TRUE(owner_.crosshairRequests.empty());
    EXPECT_FALSE(chart_->getClickPending());

    // With moves: the second point follows the pointer until the click fixes it.
    chart_->startTool(LINE);
    DrawingBase* band = chart_->getCreatingTool();
    clickAt(centreOf(165), yOf(104));
    moveTo(centreOf(175), yOf(108));
    ASSERT_EQ(band->getPoints().size(), 2u);
    EXPECT_EQ(band->getPoints()[1].bar->index, 175);
    EXPECT_FALSE(band->isComplete());
    clickAt(centreOf(178), yOf(109));
    EXPECT_TRUE(band->isComplete());
    EXPECT_EQ(band->getPoints()[1].bar->index, 178);
    EXPECT_TRUE(owner_.crosshairRequests.empty());
}

TEST_F(DrawingFrameworkTest, AnotherPickOrACancelDropsTheUnfinishedToolAndHidesTheToolbar) {
    DrawingBase* kept = place(LINE, 150, 105, 160, 110);
    chart_->startTool(LINE);
    clickAt(centreOf(170), yOf(106));
    chart_->startTool(RECT);
    ASSERT_EQ(chart_->getDrawings().size(), 2u);
    EXPECT_EQ(chart_->getDrawings()[0].get(), kept);
    EXPECT_EQ(chart_->getDrawings()[1]->getType(), RECT);
    EXPECT_FALSE(chart_->getToolToolbar()->isVisible());
    chart_->startTool(0);
    EXPECT_EQ(chart_->getDrawings().size(), 1u);
    EXPECT_EQ(chart_->getCreatingTool(), nullptr);
    // An id without a tool changes nothing.
    chart_->startTool(9);
    EXPECT_EQ(chart_->getDrawings().size(), 1u);
}

TEST_F(DrawingFrameworkTest, TheTopmostToolTakesThePointerAndTheOthersLoseTheirHover) {
    DrawingBase* older = place(LINE, 150, 105, 160, 110);
    DrawingBase* newer = place(LINE, 150, 105, 170, 100);
    chart_->selectTool(nullptr);
    moveTo(centreOf(150) + 19, yOf(105));
    EXPECT_TRUE(newer->isHovered());
    EXPECT_FALSE(older->isHovered());
    EXPECT_EQ(chart_->hitTool(CCPoint(centreOf(150), yOf(105))), newer);
    // Away from both handles nothing is hovered; 21 px off a handle is away.
    moveTo(centreOf(150) + 21, yOf(105));
    EXPECT_FALSE(newer->isHovered());
    EXPECT_FALSE(older->isHovered());
    // The vertical line is hit anywhere in a band of 20 px either side of it.
    DrawingBase* vertical = place(VERTICAL, 175, 100, 0, 0);
    EXPECT_EQ(chart_->hitTool(CCPoint(centreOf(175) - 19, 30)), vertical);
    EXPECT_EQ(chart_->hitTool(CCPoint(centreOf(175) + 21, 30)), nullptr);
}

TEST_F(DrawingFrameworkTest, TheToolbarLocksHidesRecoloursAndDeletesTheSelectedTool) {
    DrawingBase* tool = place(LINE, 150, 105, 160, 110);
    const int changes = owner_.drawingChanges;
    EXPECT_EQ(toolbarFrame(DrawingToolbar::LOCK), "unlocked.png");

    // Locked: the handle does not move, yet the tool is still edited.
    chart_->onToolbarButton(DrawingToolbar::LOCK);
    EXPECT_TRUE(tool->isLocked());
    EXPECT_EQ(toolbarFrame(DrawingToolbar::LOCK), "locked.png");
    press(centreOf(160), yOf(110));
    moveTo(centreOf(180), yOf(104));
    release(centreOf(180), yOf(104));
    EXPECT_EQ(tool->getPoints()[1].bar->index, 160);

    // Colours and widths: out-of-table indices change nothing; 7 is opaque white.
    chart_->selectTool(tool);
    for (int bad : {-1, 8}) chart_->setColor(bad);
    chart_->setWidth(3);
    EXPECT_EQ(tool->getColour(), DrawingBase::DEFAULT_COLOUR);
    EXPECT_FLOAT_EQ(tool->getLineWidth(), DrawingBase::DEFAULT_LINE_WIDTH);
    chart_->setColor(7);
    chart_->setWidth(2);
    EXPECT_EQ(tool->getColour(), (ccColor4F{1, 1, 1, 1}));
    EXPECT_FLOAT_EQ(tool->getLineWidth(), 3.0f);

    // Pop-ups: one open at a time; a pick by the pointer keeps the tool selected. The colour pop-up
    // stands 3 above the toolbar row (54 up, 32 high), its eight rows between 8-unit insets.
    chart_->onToolbarButton(DrawingToolbar::COLOUR);
    chart_->onToolbarButton(DrawingToolbar::WIDTH);
    EXPECT_FALSE(chart_->getToolToolbar()->isPopupOpen(DrawingToolbar::COLOUR));
    EXPECT_TRUE(chart_->getToolToolbar()->isPopupOpen(DrawingToolbar::WIDTH));
    chart_->onToolbarButton(DrawingToolbar::COLOUR);
    clickAt(55, 89 + 164 - 8 - 18.5f * 2.5f);
    EXPECT_EQ(tool->getColorIndex(), 2);
    EXPECT_EQ(chart_->getSelectedDrawing(), tool);
    EXPECT_FALSE(chart_->getToolToolbar()->isPopupOpen(DrawingToolbar::COLOUR));

    // Hidden: not drawn, still hit, so it can be shown again.
    chart_->onToolbarButton(DrawingToolbar::SHOW_HIDE);
    EXPECT_EQ(toolbarFrame(DrawingToolbar::SHOW_HIDE), "icon_no_see.png");
    EXPECT_EQ(drawnBy(tool), 0u);
    EXPECT_EQ(chart_->hitTool(CCPoint(centreOf(150), yOf(105))), tool);

    // Deleted by a click on its button (32 wide at x 169, in the row 54 up): the button's tip, shown
    // while the pointer was over it, goes with the toolbar.
    std::vector<std::pair<bool, std::string>> tips;
    DrawingToolbar::setTipDisplay(
        [&tips](bool show, const std::string& text, const CCPoint&) { tips.emplace_back(show, text); });
    moveTo(185, 70);
    clickAt(185, 70);
    DrawingToolbar::setTipDisplay(nullptr);
    ASSERT_EQ(tips.size(), 2u);
    EXPECT_EQ(tips[0], std::make_pair(true, tips[0].second));
    EXPECT_EQ(tips[1], std::make_pair(false, tips[0].second));
    EXPECT_TRUE(chart_->getDrawings().empty());
    EXPECT_FALSE(chart_->getToolToolbar()->isVisible());
    // Lock, three good picks, hide and delete were saved; refusals and pop-ups were not.
    EXPECT_EQ(owner_.drawingChanges - changes, 6);
}

TEST_F(DrawingFrameworkTest, PointsKeepTheirBarsThroughZoomsAndAClickLandsUnderThePointer) {
    // 5 bars right of the newest stays 5 spacings right of it.
    DrawingBase* tool = place(LINE, 199 + 5, 105, 190, 110);
    EXPECT_EQ(tool->getPoints()[0].bar->index, 199);
    EXPECT_EQ(tool->getPoints()[0].barOffset, 5);
    chart_->setBarWidthAndScale(CCPoint(14, 1));
    step(0.5f);
    EXPECT_NEAR(tool->getPoints()[0].x, centreOf(199) + 5 * chart_->getBarSpacing(), 1e-3);

    // On a flat chart too a click lands under the pointer: the price inverts the tools' projection.
    fillBars(200, 1480000000, 1, [](int) { return BarPrices{100, 100, 100, 100}; });
    chart_->showNewestBars();
    step(0.5f);
    chart_->startTool(LINE);
    DrawingBase* flat = chart_->getCreatingTool();
    clickAt(centreOf(180), yOf(100) + 30);
    step(FRAME);
    ASSERT_EQ(flat->getPoints().size(), 1u);
    EXPECT_GT(flat->getPoints()[0].price, 100.0f);
    EXPECT_NEAR(flat->getPoints()[0].y, yOf(100) + 30, 0.5f);
}

TEST_F(DrawingFrameworkTest, TextEditsApplyCancelAndNeverReachADeletedTool) {
    // A new text tool asks for its text; an empty answer removes it.
    DrawingBase* empty = place(TEXT, 150, 105, 0, 0);
    ASSERT_EQ(owner_.textInputs, std::vector<DrawingBase*>{empty});
    EXPECT_EQ(chart_->getTextEditTool(), empty);
    chart_->finishTextEdit(true, "");
    EXPECT_TRUE(chart_->getDrawings().empty());

    DrawingBase* text = place(TEXT, 150, 105, 0, 0);
    chart_->finishTextEdit(true, "support");
    EXPECT_EQ(text->getText(), "support");
    // A second click on its handle (no drag) edits it again; cancel keeps the old text.
    clickAt(centreOf(150), yOf(105));
    ASSERT_EQ(owner_.textInputs.back(), text);
    chart_->finishTextEdit(false, "ignored");
    EXPECT_EQ(text->getText(), "support");

    // Deleted while its input is open: the text goes nowhere.
    clickAt(centreOf(150), yOf(105));
    ASSERT_EQ(chart_->getTextEditTool(), text);
    chart_->onToolbarButton(DrawingToolbar::DELETE);
    EXPECT_EQ(chart_->getTextEditTool(), nullptr);
    chart_->finishTextEdit(true, "late");
    EXPECT_TRUE(chart_->getDrawings().empty());
}

// --- saved drawings

class SavedDrawingsTest : public DrawingFrameworkTest {
protected:
    void SetUp() override {
        store_ = std::make_unique<DrawingStore>(home_.folder());
        DrawingSync::setSharedStore(store_.get());
        DrawingFrameworkTest::SetUp();
        chart_->setDrawingSymbol("EURUSD");
        chart_->showNewestBars();
    }
    void TearDown() override {
        DrawingSync::setSharedStore(nullptr);
        DrawingFrameworkTest::TearDown();
    }
    // The view's series replaced by bars of another time type, as a switch does.
    void switchTimeType(int minutes) {
        fillBars(200, 1480000000, minutes, zigzag);
        chart_->setTimeType(minutes);
        chart_->showNewestBars();
        step(FRAME);
    }

    TempHome home_{"zento-drawings", TempHome::Use::FOLDER};
    std::unique_ptr<DrawingStore> store_;
};

TEST_F(SavedDrawingsTest, DrawingsFollowTheirChartThroughTimeTypesAndAreSharedByItsViews) {
    DrawingBase* line = place(LINE, 150, 105, 160, 110);
    chart_->setColor(2);
    ASSERT_EQ(store_->get("EURUSD", 1).size(), 1u);
    EXPECT_EQ(store_->get("EURUSD", 1)[0].colourIndex, 2);
    EXPECT_EQ(store_->get("EURUSD", 1)[0].points[0].time, bars_[150]->time);
    (void)line;

    switchTimeType(5);
    EXPECT_TRUE(chart_->getDrawings().empty());
    place(RECT, 170, 104, 180, 108);
    switchTimeType(1);
    ASSERT_EQ(chart_->getDrawings().size(), 1u);
    EXPECT_EQ(chart_->getDrawings()[0]->getType(), LINE);
    EXPECT_EQ(chart_->getDrawings()[0]->getColorIndex(), 2);
    EXPECT_EQ(chart_->getDrawings()[0]->getPoints()[0].bar, bars_[150].get());
    EXPECT_EQ(store_->get("EURUSD", 5).size(), 1u);

    // A second view of the same chart shows the list and takes the first view's edits, and back.
    FakeOwner otherOwner;
    DrawingKLine* other = DrawingKLine::createChart(&otherOwner, &bars_, &panes_);
    scene_->addChild(other);
    other->setViewSize(900, 400);
    other->setShown(true);
    other->setTimeType(1);
    other->setDrawingSymbol("EURUSD");
    other->showNewestBars();
    ASSERT_EQ(other->getDrawings().size(), 1u);
    place(LINE, 170, 103, 180, 109);
    EXPECT_EQ(other->getDrawings().size(), 2u);
    other->selectTool(other->getDrawings()[0].get());
    other->removeSelected();
    EXPECT_EQ(chart_->getDrawings().size(), 1u);
    EXPECT_EQ(store_->get("EURUSD", 1).size(), 1u);
    // It goes before the shared bars are refilled.
    other->removeFromParentAndCleanup(true);

    // Another instrument has none of them.
    chart_->clearSeries();
    chart_->setDrawingSymbol("XAUUSD");
    switchTimeType(1);
    EXPECT_TRUE(chart_->getDrawings().empty());
}

TEST_F(SavedDrawingsTest, APointBeforeTheFirstBarFindsItsBarWhenOlderHistoryArrives) {
    // Restored from a time 30 bars before the series starts.
    DrawingRecord record;
    record.type = LINE;
    record.points = {{bars_[0]->time - 30 * 60, 104}, {bars_[10]->time, 106}};
    store_->put("EURUSD", 1, {record});
    switchTimeType(1);
    ASSERT_EQ(chart_->getDrawings().size(), 1u);
    EXPECT_EQ(chart_->getDrawings()[0]->getPoints()[0].barOffset, -30);

    // 50 older bars are put in front: the point now sits on bar 20 of the longer series.
    KLineBarList older;
    for (int i = 0; i < 50; ++i)
        older.push_back(std::make_unique<KLineBar>(bars_[0]->time - (50 - i) * 60, 100, 103, 98, 101, 10));
    bars_.insert(bars_.begin(), std::make_move_iterator(older.begin()), std::make_move_iterator(older.end()));
    for (size_t i = 0; i < bars_.size(); ++i) bars_[i]->index = static_cast<int>(i);
    chart_->keepVisibleBars(50);
    const DrawingControlPoint& point = chart_->getDrawings()[0]->getPoints()[0];
    EXPECT_EQ(point.bar, bars_[20].get());
    EXPECT_EQ(point.barOffset, 0);
}
}  // namespace
