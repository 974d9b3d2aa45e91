#include <algorithm>
#include <cmath>

#include "CCLabelTTF.h"
#include "ChartTestSupport.h"
#include "IndicatorBOLL.h"
#include "IndicatorKDJ.h"
#include "IndicatorMACD.h"
#include "IndicatorTrading.h"

USING_NS_CC;

class IndicatorPaneTest : public ChartTest {
protected:
    // The chart above, panes stacked under it from the bottom of the window, each linked to its
    // neighbours as the window links them.
    template <typename Pane>
    Pane* addPane(float height) {
        Pane* pane = Pane::createPane(chart_, 900, height);
        EXPECT_NE(pane, nullptr);
        float y = 0;
        for (IndicatorBase* p : panes_) y += p->getContentSize().height;
        pane->setPosition(0, y);
        scene_->addChild(pane);
        if (!panes_.empty()) {
            panes_.back()->setUpperView(pane);
            pane->setLowerView(panes_.back());
        }
        panes_.push_back(pane);
        return pane;
    }
    // Puts the chart on top of the panes.
    void stackChart() {
        float y = 0;
        for (IndicatorBase* p : panes_) y += p->getContentSize().height;
        chart_->setPosition(0, y);
        chart_->setViewSize(900, WINDOW_HEIGHT - y);
        panes_.back()->setUpperView(chart_);
        chart_->showNewestBars();
        step(0.5f);
    }
    // Primitives of the last frame inside a window band (y from .. to).
    std::vector<CCRecordedPrimitive> within(CCPrimitiveType type, float from, float to) {
        std::vector<CCRecordedPrimitive> out;
        for (const auto& p : recorder_->primitives(type)) {
            bool inside = std::all_of(p.points.begin(), p.points.end(),
                                      [&](const CCPoint& q) { return q.y >= from && q.y <= to; });
            if (inside) out.push_back(p);
        }
        return out;
    }
};

TEST_F(IndicatorPaneTest, APaneShowsTheTimeAxisFromEightyPixelsOn) {
    fillBars(300, 1480000000, 1, zigzag);
    makeChart();
    auto* low = addPane<IndicatorTrading>(79);
    auto* high = addPane<IndicatorMACD>(80);
    stackChart();
    EXPECT_FALSE(low->isTimeAxisShown());
    EXPECT_FLOAT_EQ(low->getBaseY(), 1);
    EXPECT_FLOAT_EQ(low->getValueHeight(), 75);
    EXPECT_TRUE(high->isTimeAxisShown());
    EXPECT_FLOAT_EQ(high->getBaseY(), 18);
    EXPECT_FLOAT_EQ(high->getValueHeight(), 59);

    // The taller pane repeats the chart's time labels in its bottom row; the shorter one has none.
    frame();
    const auto& labels = chart_->getTimeAxisLabels();
    ASSERT_FALSE(labels.empty());
    auto isTimeLabel = [&](const std::string& text) {
        return std::any_of(labels.begin(), labels.end(), [&](const auto& l) { return l.text == text; });
    };
    size_t lowRow = 0, highRow = 0;
    for (const auto& t : recorder_->primitives(CCPrimitiveType::Text)) {
        if (!isTimeLabel(t.name)) continue;
        if (t.points[0].y == 9) ++lowRow;
        if (t.points[0].y == 79 + 9) ++highRow;
    }
    EXPECT_EQ(lowRow, 0u);
    EXPECT_EQ(highRow, labels.size());

    // Volume: the scale labels read 0, half and the largest visible volume.
    int largest = 0;
    for (KLineBar* bar : chart_->getVisibleBars()) largest = std::max(largest, bar->volume);
    EXPECT_STREQ(low->getScaleLabel(2)->getString(), std::to_string(largest).c_str());
    EXPECT_STREQ(low->getScaleLabel(1)->getString(), std::to_string(largest / 2).c_str());
    EXPECT_FLOAT_EQ(low->getScale(), 75.0f / static_cast<float>(largest));
}

TEST_F(IndicatorPaneTest, AFlatIndicatorGetsItsWholeHeightPerUnit) {
    fillBars(100, 1480000000, 1, [](int) { return BarPrices{1.5f, 1.5f, 1.5f, 1.5f}; });
    for (auto& bar : bars_)
        if (bar->index >= 20) bar->bollUpper = bar->bollMid = bar->bollLower = 1.5f;
    makeChart();
    auto* boll = addPane<IndicatorBOLL>(120);
    stackChart();
    EXPECT_FLOAT_EQ(boll->getTargetScale(), boll->getValueHeight() / 1.0f);
    EXPECT_FLOAT_EQ(boll->getScale(), boll->getValueHeight());
    EXPECT_STREQ(boll->getScaleLabel(0)->getString(), "1.50000");
    EXPECT_STREQ(boll->getScaleLabel(2)->getString(), "1.50000");
    // Every point of the flat series sits on the base line.
    KLineBar* bar = chart_->getVisibleBars().back();
    EXPECT_FLOAT_EQ(bar->drawingCache[IndicatorBOLL::CACHE_MID].y, boll->getBaseY());
}

TEST_F(IndicatorPaneTest, AZeroMacdIsAGreenBarTwoPixelsBelowTheZeroLine) {
    fillBars(100, 1480000000, 1, [](int) { return BarPrices{1.5f, 1.6f, 1.4f, 1.5f}; });
    bars_[50]->macd = 0.25f;  // one rising bar among zeros
    bars_[50]->dif = 0.5f;
    makeChart();
    auto* macd = addPane<IndicatorMACD>(150);
    stackChart();
    EXPECT_FLOAT_EQ(macd->getTopValue(), 0.5f);
    EXPECT_FLOAT_EQ(macd->getBottomValue(), -0.5f);
    EXPECT_FALSE(macd->getScaleLabel(1)->isVisible());
    frame();
    const float zero = macd->zeroY();
    auto bars = within(CCPrimitiveType::SolidPolygon, 0, 150);
    ASSERT_EQ(bars.size(), chart_->getVisibleBars().size());
    int rising = 0;
    for (const auto& r : bars) {
        float top = std::max({r.points[0].y, r.points[2].y});
        float bottom = std::min({r.points[0].y, r.points[2].y});
        if (sameColour(r.color, KLINE_RED)) {
            ++rising;
            EXPECT_FLOAT_EQ(bottom, zero);
            EXPECT_FLOAT_EQ(top, zero + 0.25f * macd->getScale());
        } else {
            EXPECT_TRUE(sameColour(r.color, KLINE_GREEN));
            EXPECT_FLOAT_EQ(top, zero);
            EXPECT_FLOAT_EQ(bottom, zero - 2);
        }
    }
    EXPECT_EQ(rising, 1);
}

TEST_F(IndicatorPaneTest, KdjLinesStayInsideTheirFixedScale) {
    // A steep run up then down drives K, D and J to their clamps (1 and 100) in the series.
    KLineSeries series;
    for (int i = 0; i < 120; ++i) {
        float p =
            i < 60 ? 100.0f + static_cast<float>(i * i) : 100.0f + 3600 - static_cast<float>((i - 60) * 80);
        series.updateKLine(static_cast<uint32_t>(1480000000 + i * 60), p, p + 1, p - 1, p, 5);
    }
    chart_ = DrawingKLine::createChart(&owner_, &series.bars(), &panes_);
    scene_->addChild(chart_);
    chart_->setShown(true);
    chart_->setBarWidthAndScale(CCPoint(6, 1));
    auto* kdj = addPane<IndicatorKDJ>(140);
    stackChart();
    bool reachedTop = false, reachedBottom = false;
    const float lowest = kdj->getBaseY();
    const float highest = kdj->getBaseY() + kdj->getValueHeight() - 3;
    for (KLineBar* bar : chart_->getVisibleBars()) {
        reachedTop = reachedTop || bar->kdjJ == 100;
        reachedBottom = reachedBottom || bar->kdjJ == 1;
        for (int i = 0; i < 3; ++i) {
            const float y = bar->drawingCache[IndicatorKDJ::CACHE_K + i].y;
            EXPECT_GE(y, lowest);
            EXPECT_LE(y, highest + 1e-3);
        }
    }
    EXPECT_TRUE(reachedTop);
    EXPECT_TRUE(reachedBottom);
    EXPECT_STREQ(kdj->getScaleLabel(1)->getString(), "50");
    // The read-out at the top of the value band is 100 of the 0 ... 100 scale, scaled to the pane.
    kdj->setCrossValue(140);
    EXPECT_STREQ(kdj->getCrossValueLabel()->getString(), "100.00000");
    // Lines are drawn through the visible bars (three of them, with blending and smoothing).
    frame();
    auto lines = within(CCPrimitiveType::Polyline, 0, 140);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].smooth);

    // The series goes before the fixture ends: take its views off the scene first.
    for (IndicatorBase* p : panes_) p->removeFromParent();
    panes_.clear();
    chart_->removeFromParent();
    chart_ = nullptr;
}

TEST_F(IndicatorPaneTest, BordersResizeOnlyPairsTallerThanAHundredPixels) {
    fillBars(300, 1480000000, 1, zigzag);
    makeChart();
    auto* pane = addPane<IndicatorMACD>(100);
    stackChart();  // chart 500 px above the pane

    // Near the shared border: the pair is 600 px tall, so the border can be dragged.
    moveTo(450, 95);
    EXPECT_EQ(pane->getResizeMode(), 1);
    press(450, 95);
    moveTo(450, 145);
    release(450, 145);
    EXPECT_FLOAT_EQ(pane->getContentSize().height, 150);
    EXPECT_FLOAT_EQ(chart_->getContentSize().height, 450);
    EXPECT_FLOAT_EQ(chart_->getPositionY(), 150);
    EXPECT_EQ(owner_.layoutRequests, 1);
    moveTo(450, 70);
    EXPECT_EQ(pane->getResizeMode(), 0);

    // A pair of 100 px or less is left alone.
    pane->setViewSize(900, 40);
    chart_->setPositionY(40);
    chart_->setViewSize(900, 60);
    moveTo(450, 36);
    EXPECT_EQ(pane->getResizeMode(), 0);
    press(450, 36);
    moveTo(450, 80);
    release(450, 80);
    EXPECT_FLOAT_EQ(pane->getContentSize().height, 40);
    EXPECT_EQ(owner_.layoutRequests, 1);

    // The pointer over the pane moves the chart's crosshair and reads the value under it.
    moveTo(300, 20);
    EXPECT_NEAR(chart_->getCrossPoint().x, chart_->snapToBar(300), 1e-3);
    EXPECT_TRUE(pane->getCrossValueLabel()->isVisible());
}
