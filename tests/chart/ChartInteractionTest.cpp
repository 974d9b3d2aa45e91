#include <cmath>
#include <cstdio>
#include <string>

#include "CCLabelTTF.h"
#include "CCSet.h"
#include "CCTouch.h"
#include "ChartAxis.h"
#include "ChartButton.h"
#include "ChartTestSupport.h"

USING_NS_CC;

namespace {

// Two fingers for the multi-touch handlers (the window only ever delivers one pointer).
class Fingers {
public:
    Fingers() {
        for (int i = 0; i < 2; ++i) {
            touches_[i] = new CCTouch();
            touches_[i]->autorelease();
            touches_[i]->retain();
        }
    }
    ~Fingers() {
        for (CCTouch* t : touches_) t->release();
    }
    CCSet* place(float x0, float x1, float y) {
        CCSet* set = CCSet::create();
        touches_[0]->setTouchInfo(0, CCPoint(x0, y), 600);
        touches_[1]->setTouchInfo(1, CCPoint(x1, y), 600);
        set->addObject(touches_[0]);
        set->addObject(touches_[1]);
        return set;
    }

private:
    CCTouch* touches_[2] = {};
};

}  // namespace

class ChartInteractionTest : public ChartTest {
protected:
    // 1 000 bars, 6 px wide, the newest at 80 %, the pointer over the middle of the chart.
    void SetUp() override {
        ChartTest::SetUp();
        fillBars(1000, 1480000000, 1, zigzag);
        makeChart(900, 400);
        chart_->setBarWidthAndScale(CCPoint(6, 1));
        chart_->showNewestBars();
        step(0.5f);
        moveTo(450, 200);
    }
};

TEST_F(ChartInteractionTest, WheelNotchesWithinSixtyMillisecondsAreAppliedTogether) {
    wheel(1);
    wheel(1);
    wheel(1);
    EXPECT_EQ(chart_->getWheelNotches(), 3);
    step(0.5f);
    EXPECT_EQ(chart_->getWheelNotches(), 0);
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 13);  // 6 + 1 + 3 + 3

    // A notch the other way starts a new batch: one notch down narrows by 1.
    wheel(1);
    wheel(-1);
    EXPECT_EQ(chart_->getWheelNotches(), -1);
    step(0.5f);
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 12);

    // Notches further apart than the batch are two batches of one.
    wheel(-1);
    step(0.4f);
    wheel(-1);
    step(0.5f);
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 10);

    // The width stays within 1 ... 30; the wheel outside the view is not handled.
    for (int i = 0; i < 10; ++i) wheel(1);
    step(1.0f);
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 26);  // 30 after the batch, then back into the settled band
    moveTo(450, 500);
    wheel(1);
    EXPECT_EQ(chart_->getWheelNotches(), 0);
}

TEST_F(ChartInteractionTest, ZoomKeepsTheBarUnderTheCrosshairInPlace) {
    chart_->scrollTo(-3000);  // the middle of the series
    step(0.1f);
    moveTo(437, 200);
    const float anchor = chart_->getCrossPoint().x;
    const int index =
        static_cast<int>(std::lround((anchor - chart_->getScrollOffset()) / chart_->getBarSpacing()));
    EXPECT_NEAR(centreOf(index), anchor, 1e-2);

    chart_->zoomTo(15);
    EXPECT_FALSE(chart_->isZoomReady());
    step(0.1f);
    EXPECT_NEAR(centreOf(index), anchor, 1e-2);  // mid-animation as well
    step(0.4f);
    EXPECT_TRUE(chart_->isZoomReady());
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 15);
    EXPECT_NEAR(centreOf(index), anchor, 1e-2);

    // While a zoom runs the zoom buttons do nothing.
    chart_->zoomTo(8);
    chart_->onButton(3);
    step(0.5f);
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 8);
    chart_->onButton(3);
    step(0.5f);
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 10);
}

TEST_F(ChartInteractionTest, APinchOutsideTheSettledBandSpringsBack) {
    Fingers fingers;
    chart_->ccTouchesBegan(fingers.place(300, 500, 200), nullptr);
    // The first move only measures the spread: nothing to compare with yet.
    chart_->ccTouchesMoved(fingers.place(300, 500, 200), nullptr);
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 6);
    // Pinch to a sixth: width 1.0.
    chart_->ccTouchesMoved(fingers.place(400 - 100.0f / 6, 400 + 100.0f / 6, 200), nullptr);
    EXPECT_NEAR(chart_->getBarWidth(), 1.0f, 1e-4);
    chart_->ccTouchesEnded(fingers.place(400 - 100.0f / 6, 400 + 100.0f / 6, 200), nullptr);
    step(0.1f);
    EXPECT_NEAR(chart_->getBarWidth(), 1.0f, 1e-4);  // waits 0.12 s
    step(0.5f);
    EXPECT_NEAR(chart_->getBarWidth(), 1.1f, 1e-5);
    EXPECT_TRUE(chart_->isZoomReady());

    // Spread to 29: back to 26.
    chart_->ccTouchesBegan(fingers.place(380, 420, 200), nullptr);
    chart_->ccTouchesMoved(fingers.place(380, 420, 200), nullptr);
    const float half = 20 * 29 / 1.1f;
    chart_->ccTouchesMoved(fingers.place(400 - half, 400 + half, 200), nullptr);
    EXPECT_NEAR(chart_->getBarWidth(), 29, 1e-3);
    chart_->ccTouchesEnded(fingers.place(400 - half, 400 + half, 200), nullptr);
    step(0.6f);
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 26);

    // A pinned start ignores pinches.
    chart_->setPinnedStart(true);
    chart_->ccTouchesBegan(fingers.place(300, 500, 200), nullptr);
    chart_->ccTouchesMoved(fingers.place(300, 500, 200), nullptr);
    chart_->ccTouchesMoved(fingers.place(350, 450, 200), nullptr);
    chart_->ccTouchesEnded(fingers.place(350, 450, 200), nullptr);
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 26);
}

TEST_F(ChartInteractionTest, ADoubleClickWithinAThirdOfASecondTogglesTheCrosshair) {
    press(450, 200);
    release(450, 200);
    EXPECT_TRUE(chart_->getClickPending());
    step(0.2f);
    press(450, 200);
    release(450, 200);
    ASSERT_EQ(owner_.crosshairRequests.size(), 1u);
    EXPECT_TRUE(owner_.crosshairRequests[0]);  // the opposite of this view's crosshair
    EXPECT_FALSE(chart_->getClickPending());
    EXPECT_TRUE(owner_.active);

    // Two clicks 0.4 s apart are two single clicks.
    press(450, 200);
    release(450, 200);
    step(0.4f);
    EXPECT_FALSE(chart_->getClickPending());
    press(450, 200);
    release(450, 200);
    EXPECT_EQ(owner_.crosshairRequests.size(), 1u);

    // Without a window the view toggles its own crosshair, which then draws down the whole height.
    DrawingKLine* standalone = DrawingKLine::createChart(nullptr, &bars_, nullptr);
    scene_->addChild(standalone);
    standalone->setPosition(0, 400);
    standalone->setViewSize(900, 200);
    standalone->setShown(true);
    step(0.5f);
    press(300, 500);
    release(300, 500);
    step(0.1f);
    press(300, 500);
    release(300, 500);
    EXPECT_TRUE(standalone->getShowCrosshair());
    moveTo(300, 500);
    auto lines = (frame(), recorder_->primitives(CCPrimitiveType::Lines));
    const float x = standalone->getCrossPoint().x;
    bool vertical = false;
    for (const auto& l : lines)
        vertical = vertical || (l.points[0].x == x && l.points[0].y == 400 && l.points[1].y == 600);
    EXPECT_TRUE(vertical);
}

TEST_F(ChartInteractionTest, AFastDragGlidesOnAndSlowsDown) {
    chart_->scrollTo(-3000);
    step(0.1f);
    press(450, 200);
    moveTo(430, 200);
    moveTo(410, 200);
    EXPECT_TRUE(chart_->isDragging());
    EXPECT_FLOAT_EQ(chart_->getScrollOffset(), -3040);
    release(410, 200);
    EXPECT_TRUE(chart_->isFlinging());
    step(FRAME);
    EXPECT_NEAR(chart_->getScrollOffset(), -3040 - 20 * 0.85f, 1e-3);
    step(1.0f);
    EXPECT_FALSE(chart_->isFlinging());
    EXPECT_FLOAT_EQ(chart_->getFlingVelocity(), 0);
    // The whole glide is the sum of the decaying steps while they exceed 1 px.
    float expected = -3040, v = -20;
    while (std::fabs(v *= 0.85f) > 1) expected += v;
    EXPECT_NEAR(chart_->getScrollOffset(), expected, 1e-2);

    // A slow release does not glide.
    press(450, 200);
    moveTo(449.9f, 200);
    release(449.9f, 200);
    EXPECT_FALSE(chart_->isFlinging());
}

TEST_F(ChartInteractionTest, TheCrosshairReadsTheBarUnderThePointer) {
    moveTo(centreOf(950) + 1, 250);
    EXPECT_NEAR(chart_->getCrossPoint().x, centreOf(950), 1e-3);
    EXPECT_EQ(owner_.lastBarInfo, bars_[950].get());
    frame();
    const auto texts = recorder_->texts();
    // 1480000000 + 950 min, shown as UTC + 8.
    EXPECT_NE(std::find(texts.begin(), texts.end(), "2016-11-25 14:56:40"), texts.end());

    // Beyond the newest bar the time runs on by the time type; the read-out is told "no bar".
    moveTo(centreOf(1003), 250);
    EXPECT_EQ(owner_.lastBarInfo, nullptr);
    frame();
    const auto later = recorder_->texts();
    EXPECT_NE(std::find(later.begin(), later.end(), "2016-11-25 15:49:40"), later.end());

    // Left of the oldest bar the slots run back by whole periods: 0.6 of a slot left of bar 0 is one
    // period before it, 2.6 slots left are three periods before it.
    chart_->scrollTo(300);
    step(0.1f);
    const float spacing = chart_->getBarSpacing();
    const struct {
        float slots;
        int periods;
    } before[] = {{0.6f, 1}, {2.6f, 3}};
    for (const auto& c : before) {
        moveTo(300 - c.slots * spacing, 250);
        EXPECT_NEAR(chart_->getCrossPoint().x, 300 - static_cast<float>(c.periods) * spacing, 1e-3);
        EXPECT_EQ(owner_.lastBarInfo, nullptr);
        frame();
        const auto texts = recorder_->texts();
        const std::string expected = ChartAxis::crosshairTimeText(1480000000 - c.periods * 60);
        EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end()) << expected;
    }

    // Hovering shows the four buttons; leaving fades them out.
    EXPECT_TRUE(chart_->getButton(0)->isVisible());
    moveTo(450, 550);
    step(0.6f);
    EXPECT_FALSE(chart_->getButton(0)->isVisible());
}

TEST_F(ChartInteractionTest, TheCrosshairLabelsFollowARelayout) {
    moveTo(centreOf(980) + 1, 250);
    const float y = chart_->getCrossPoint().y;
    auto shownPrice = [this, y] {
        const double price = (y - chart_->getPriceBaseY()) / chart_->getPriceAreaHeight() *
                                 (chart_->getPriceMax() - chart_->getPriceMin()) +
                             chart_->getPriceMin();
        char text[32];
        std::snprintf(text, sizeof(text), "%.4f", price);
        return std::string(text);
    };
    const std::string before = shownPrice();
    frame();
    EXPECT_NE(recorder_->indexOf(before), -1);

    // Maximised: taller and wider, the newest bar kept at 80 %. The pointer has not moved, but other
    // bars and prices lie under it now, and both labels say so.
    chart_->setViewSize(1200, 560);
    step(0.5f);
    const std::string after = shownPrice();
    ASSERT_NE(after, before);
    frame();
    EXPECT_NE(recorder_->indexOf(after), -1);
    EXPECT_EQ(recorder_->indexOf(before), -1);
    const float x = chart_->getCrossPoint().x;
    const int slot = static_cast<int>(std::lround((x - chart_->getScrollOffset()) / chart_->getBarSpacing()));
    EXPECT_NEAR(x, centreOf(slot), 1e-3);
    EXPECT_EQ(owner_.lastBarInfo, bars_[slot].get());
    EXPECT_NE(recorder_->indexOf(ChartAxis::crosshairTimeText(bars_[slot]->time)), -1);
}

TEST_F(ChartInteractionTest, TheMoveButtonsGlideToEitherEndInAboutEighteenTicks) {
    chart_->onButton(1);  // towards the older bars
    EXPECT_GT(chart_->getMoveSpeed(), 0);
    // A wheel batch that ends during the glide is dropped, not kept for later.
    wheel(1);
    for (int i = 0; i < 20 && chart_->getMoveSpeed() != 0; ++i) step(FRAME);
    EXPECT_FLOAT_EQ(chart_->getMoveSpeed(), 0);
    EXPECT_FLOAT_EQ(chart_->getScrollOffset(), 720);  // the oldest bar at 80 %
    step(0.5f);
    EXPECT_EQ(chart_->getWheelNotches(), 0);
    EXPECT_FLOAT_EQ(chart_->getBarWidth(), 6);

    chart_->onButton(2);  // and back to the newest
    EXPECT_LT(chart_->getMoveSpeed(), 0);
    for (int i = 0; i < 20 && chart_->getMoveSpeed() != 0; ++i) step(FRAME);
    EXPECT_FLOAT_EQ(chart_->getMoveSpeed(), 0);
    EXPECT_FLOAT_EQ(chart_->getScrollOffset(), 720 - chart_->getContentWidth());
}

TEST_F(ChartTest, AnotherWindowsTimeMarksTheBarContainingItAndHoverReportsOnlyChanges) {
    const int64_t start = 1480000500 - 1480000500 % 900;
    fillBars(1000, start, 15, zigzag);
    makeChart(900, 400);
    chart_->setTimeType(15);
    step(0.5f);
    // An hour chart's time lands in the quarter-hour bar that contains it.
    EXPECT_EQ(chart_->slotContaining(start + 40 * 900), 40);
    EXPECT_EQ(chart_->slotContaining(start + 40 * 900 + 899), 40);
    for (long long outside :
         {static_cast<long long>(start) - 1, static_cast<long long>(start) + 1000 * 900, 0LL})
        EXPECT_EQ(chart_->slotContaining(outside), -1);

    const KLineBar* shown = chart_->getVisibleBars()[5];
    chart_->setLinkedTime(static_cast<long long>(shown->time) + 60);
    EXPECT_NEAR(chart_->linkedLineX(), shown->drawingCache[DrawingKLine::CACHE_CLOSE].x, 1.0f);
    chart_->setLinkedTime(start + 999 * 900);  // loaded but off screen
    EXPECT_LT(chart_->linkedLineX(), 0);
    chart_->setLinkedTime(0);
    EXPECT_LT(chart_->linkedLineX(), 0);

    // The pointer's time goes to the owner once per bar, and 0 when it leaves the chart.
    const float x = shown->drawingCache[DrawingKLine::CACHE_CLOSE].x;
    moveTo(x, 200);
    moveTo(x + 0.5f, 210);
    moveTo(x, 500);
    EXPECT_EQ(owner_.hoverTimes, (std::vector<long long>{static_cast<long long>(shown->time), 0}));
    EXPECT_EQ(chart_->getHoverTime(), 0);
    // An alert level sits where its price is on the scale: a bar's close is drawn at that height.
    EXPECT_NEAR(chart_->yOfPrice(shown->close), shown->drawingCache[DrawingKLine::CACHE_CLOSE].y, 1.0f);
}

TEST_F(ChartTest, AlertsArePlacedDraggedAndRemovedWithThePointerWithoutMovingTheChart) {
    fillBars(120, 1700000000, 15, zigzag);
    makeChart();
    step(0.5f);
    const float offset = chart_->getScrollOffset();
    const auto priceNear = [this](double price, float y) {
        return std::fabs(chart_->yOfPrice(price) - y) <= 1;
    };

    // A plain click places nothing; after the bell, the next click places one where it lands.
    press(300, 250);
    release(300, 250);
    chart_->startAlertPlacement(true);
    EXPECT_TRUE(chart_->isPlacingAlert());
    press(300, 250);
    release(300, 250);
    ASSERT_EQ(owner_.alertsPlaced.size(), 1u);
    EXPECT_TRUE(priceNear(owner_.alertsPlaced[0], 250)) << owner_.alertsPlaced[0];
    EXPECT_FALSE(chart_->isPlacingAlert());

    // The owner answers with the level: its line and tag show at its price.
    const double price = owner_.alertsPlaced[0];
    chart_->setAlertLevels({{7, price, false}});
    frame();
    const float y = chart_->yOfPrice(price);
    // Dragged by its line far from the tag: the level follows the pointer, the chart stays.
    press(600, y + 2);
    moveTo(600, y + 32);
    release(600, y + 32);
    ASSERT_EQ(owner_.alertsMoved.size(), 1u);
    EXPECT_EQ(owner_.alertsMoved[0].first, 7);
    EXPECT_TRUE(priceNear(owner_.alertsMoved[0].second, y + 30)) << owner_.alertsMoved[0].second;
    EXPECT_EQ(chart_->getScrollOffset(), offset);

    // The tag's close box removes it; a click on the tag elsewhere does not.
    frame();
    const cocos2d::CCRect box = chart_->getAlertLines()->closeBoxOf(7);
    ASSERT_GT(box.size.width, 0);
    press(ChartAlertLines::TAG_X + 2, y);
    release(ChartAlertLines::TAG_X + 2, y);
    EXPECT_TRUE(owner_.alertsRemoved.empty());
    press(box.getMidX(), box.getMidY());
    release(box.getMidX(), box.getMidY());
    EXPECT_EQ(owner_.alertsRemoved, std::vector<int>{7});
    EXPECT_EQ(chart_->getScrollOffset(), offset);
}
