#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCNode.h"
#include "CCRecordingRenderer.h"
#include "CCSpriteFrameCache.h"
#include "ChartViewOwner.h"
#include "DrawingKLine.h"
#include "FrameSteps.h"
#include "IndicatorBase.h"
#include "KLineBar.h"
#include "KLineSeries.h"

// Records what the chart asks of its window.
class FakeOwner : public ChartViewOwner {
public:
    void showBarInfo(const KLineBar* bar) override {
        ++barInfoCalls;
        lastBarInfo = bar;
    }
    bool isActiveWindow() const override { return active; }
    void activateWindow() override { active = true; }
    void setCrosshairInAllWindows(bool show) override { crosshairRequests.push_back(show); }
    void loadOlderHistory() override { ++olderHistoryRequests; }
    void drawingToolPlaced() override { ++toolsPlaced; }
    void removeIndicator(int type) override { removedIndicators.push_back(type); }
    void layoutPanes() override { ++layoutRequests; }
    void openDrawingTextInput(DrawingBase* tool) override { textInputs.push_back(tool); }
    void drawingsChanged() override { ++drawingChanges; }
    void crosshairTimeChanged(long long time) override { hoverTimes.push_back(time); }
    void alertPlaced(double price) override { alertsPlaced.push_back(price); }
    void alertMoved(int id, double price) override { alertsMoved.emplace_back(id, price); }
    void alertRemoved(int id) override { alertsRemoved.push_back(id); }

    int barInfoCalls = 0;
    const KLineBar* lastBarInfo = nullptr;
    bool active = false;
    std::vector<bool> crosshairRequests;
    int olderHistoryRequests = 0;
    int toolsPlaced = 0;
    std::vector<int> removedIndicators;
    int layoutRequests = 0;
    std::vector<DrawingBase*> textInputs;
    int drawingChanges = 0;
    std::vector<long long> hoverTimes;
    std::vector<double> alertsPlaced;
    std::vector<std::pair<int, double>> alertsMoved;
    std::vector<int> alertsRemoved;
};

// Prices of bar i: open, high, low, close.
struct BarPrices {
    float open, high, low, close;
};

// A scene of 900 x 600 drawn by the recording renderer, with the sprite sheet loaded, local time in
// UTC and a chart view (with a fake owner) over a bar list the test fills. Frames are stepped.
class ChartTest : public ::testing::Test {
protected:
    static constexpr float FRAME = FRAME_DT;
    static constexpr float WINDOW_HEIGHT = 600;

    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        cocos2d::CCDirector::purgeDirector();
        director()->setWinSize(cocos2d::CCSize(900, WINDOW_HEIGHT));
        auto recorder = std::make_unique<cocos2d::CCRecordingRenderer>();
        recorder_ = recorder.get();
        director()->setRenderer(std::move(recorder));
        scene_ = cocos2d::CCScene::create();
        director()->runWithScene(scene_);
        cocos2d::CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(
            "res/plist/image.plist");
    }

    void TearDown() override {
        cocos2d::CCEGLView::purgeSharedOpenGLView();
        cocos2d::CCDirector::purgeDirector();
    }

    static cocos2d::CCDirector* director() { return cocos2d::CCDirector::sharedDirector(); }

    // Bars one time type apart from start, prices from the function, coloured as the series does.
    void fillBars(int count, int64_t start, int timeType, const std::function<BarPrices(int)>& prices) {
        // The series tells its view when it drops its bars; so does the test.
        if (chart_) chart_->clearSeries();
        bars_.clear();
        for (int i = 0; i < count; ++i) {
            BarPrices p = prices(i);
            auto bar = std::make_unique<KLineBar>(static_cast<uint32_t>(start + int64_t{i} * timeType * 60),
                                                  p.open, p.high, p.low, p.close, 10 + i % 7);
            bar->index = i;
            bar->updateColor(i ? bars_.back()->close : p.close, false);
            bars_.push_back(std::move(bar));
        }
    }

    // Appends one bar (the next index) from open to close.
    void fillBarsAppend(int64_t time, float open, float close) {
        auto bar = std::make_unique<KLineBar>(static_cast<uint32_t>(time), open, std::max(open, close) + 1,
                                              std::min(open, close) - 1, close, 10);
        bar->index = static_cast<int32_t>(bars_.size());
        bar->updateColor(bars_.empty() ? close : bars_.back()->close, false);
        bars_.push_back(std::move(bar));
        if (chart_) chart_->barChanged(bars_.back().get(), true);
    }

    // A zigzag around 100 so that bars differ.
    static BarPrices zigzag(int i) {
        float base = 100 + static_cast<float>(i % 20);
        return {base, base + 3, base - 2, base + (i % 2 ? 1.5f : -1.0f)};
    }

    // Makes the chart (width x height at the origin), shows it and steps until it has settled.
    DrawingKLine* makeChart(float width = 900, float height = 400, bool withOwner = true) {
        chart_ = DrawingKLine::createChart(withOwner ? &owner_ : nullptr, &bars_, &panes_);
        scene_->addChild(chart_);
        chart_->setViewSize(width, height);
        chart_->setShown(true);
        return chart_;
    }

    // Runs frames for about this long.
    void step(float seconds) { stepFor(seconds, FRAME); }
    const std::vector<cocos2d::CCRecordedPrimitive>& frame() {
        director()->stepFrame(FRAME);
        return recorder_->lastFrame();
    }

    // Pointer input in GL coordinates, through the window view as the real loop delivers it.
    static cocos2d::CCEGLView* view() { return cocos2d::CCEGLView::sharedOpenGLView(); }
    void press(float x, float y) { view()->handleMouseDown(x, WINDOW_HEIGHT - y); }
    void moveTo(float x, float y) { view()->handleMouseMove(x, WINDOW_HEIGHT - y); }
    void release(float x, float y) { view()->handleMouseUp(x, WINDOW_HEIGHT - y); }
    void wheel(float delta) { view()->handleMouseWheel(0, delta); }

    // x of the centre of bar i in the chart's node space.
    float centreOf(int i) const {
        return static_cast<float>(i) * chart_->getBarSpacing() + chart_->getScrollOffset();
    }

    cocos2d::CCRecordingRenderer* recorder_ = nullptr;
    cocos2d::CCScene* scene_ = nullptr;
    KLineBarList bars_;
    std::vector<IndicatorBase*> panes_;
    FakeOwner owner_;
    DrawingKLine* chart_ = nullptr;
};

inline bool sameColour(const cocos2d::ccColor4F& c, const float* rgba) {
    return c.r == rgba[0] && c.g == rgba[1] && c.b == rgba[2] && c.a == rgba[3];
}
