// Nine chart windows' views of 200 000 bars each, zoomed out to 1 px bars, each with its four
// indicator panes, drawn through the GL renderer: draw calls per frame and CPU time per frame, the
// geometry passes alone, and the cost of one live update with 200 000 bars against 1 000 bars.
// Needs a GL context: run it with SDL_VIDEODRIVER=offscreen (or under a display).
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "BenchSupport.h"
#include "BenchWindow.h"
#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCGLRenderer.h"
#include "CCSpriteFrameCache.h"
#include "DrawingKLine.h"
#include "IndicatorBOLL.h"
#include "IndicatorKDJ.h"
#include "IndicatorMACD.h"
#include "IndicatorTrading.h"
#include "KLineSeries.h"

USING_NS_CC;

namespace {
constexpr int COLUMNS = 3;
constexpr int ROWS = 3;
constexpr float WINDOW_W = 640;
constexpr float WINDOW_H = 360;
constexpr float PANE_H = 40;
constexpr int PANES = 4;
constexpr int BARS = 200000;
constexpr int SMALL_BARS = 1000;
constexpr float ZOOMED_OUT = 1.0f;
constexpr int WARM_UP_FRAMES = 10;
constexpr int FRAMES = 30;
constexpr int ROUNDS = 3;
constexpr int UPDATES = 2000;
constexpr unsigned int TARGET_DRAW_CALLS = 40;
constexpr double TARGET_UPDATE_RATIO = 1.2;

// One chart window's views and the series they show.
struct Window {
    std::unique_ptr<KLineSeries> series;
    std::vector<IndicatorBase*> panes;
    DrawingKLine* chart = nullptr;
};

void fillSeries(KLineSeries& series, int count, unsigned int seed) {
    std::mt19937 random(seed);
    std::normal_distribution<float> move(0, 0.0008f);
    float price = 1.1f;
    for (int i = 0; i < count; ++i) {
        float open = price;
        float close = std::max(0.5f, open + move(random));
        float high = std::max(open, close) + std::fabs(move(random)) * 0.5f;
        float low = std::min(open, close) - std::fabs(move(random)) * 0.5f;
        series.updateKLine(static_cast<uint32_t>(1400000000 + i * 60), open, high, low, close,
                           static_cast<int32_t>(100 + random() % 900));
        price = close;
    }
}

// Builds the views of one window at (x, y) inside the scene.
void buildWindow(Window& w, CCNode* scene, float x, float y) {
    w.chart = DrawingKLine::createChart(nullptr, &w.series->bars(), &w.panes);
    w.chart->setPosition(x, y + PANES * PANE_H);
    w.chart->setViewSize(WINDOW_W, WINDOW_H - PANES * PANE_H);
    w.chart->setShowMA(true);
    scene->addChild(w.chart);
    w.chart->setShown(true);
    IndicatorBase* panes[PANES] = {IndicatorTrading::createPane(w.chart, WINDOW_W, PANE_H),
                                   IndicatorMACD::createPane(w.chart, WINDOW_W, PANE_H),
                                   IndicatorKDJ::createPane(w.chart, WINDOW_W, PANE_H),
                                   IndicatorBOLL::createPane(w.chart, WINDOW_W, PANE_H)};
    DrawingView* above = w.chart;
    for (int i = 0; i < PANES; ++i) {
        panes[i]->setPosition(x, y + static_cast<float>(PANES - 1 - i) * PANE_H);
        panes[i]->setUpperView(above);
        above->setLowerView(panes[i]);
        scene->addChild(panes[i]);
        w.panes.push_back(panes[i]);
        above = panes[i];
    }
    const KLineBar* newest = w.series->newestBar();
    w.chart->setLastPrice(newest->close, newest->close >= newest->open);
    w.chart->setBarWidthAndScale(CCPoint(ZOOMED_OUT, 1));
    w.chart->showNewestBars();
}

struct FrameCost {
    Best frame;
    Best geometry;
    unsigned int drawCalls = 0;
};

// Every frame scrolls each view by a pixel, so that each frame rebuilds all geometry.
FrameCost measureFrames(CCDirector* director, std::vector<Window>& windows) {
    FrameCost result;
    float shift = 1;
    for (int i = 0; i < WARM_UP_FRAMES; ++i) director->stepFrame(1.0f / 60);
    for (int round = 0; round < ROUNDS; ++round) {
        Cost total = measure([&] {
            for (int i = 0; i < FRAMES; ++i) {
                for (Window& w : windows) w.chart->scrollTo(w.chart->getScrollOffset() + shift);
                shift = -shift;
                director->stepFrame(1.0f / 60);
            }
        });
        result.frame.add(Cost{total.wallMs / FRAMES, total.cpuMs / FRAMES});
        Cost geometry = measure([&] {
            for (int i = 0; i < FRAMES; ++i) {
                for (Window& w : windows) {
                    w.chart->scrollTo(w.chart->getScrollOffset() + shift);
                    w.chart->updateGeometry();
                }
                shift = -shift;
            }
        });
        result.geometry.add(Cost{geometry.wallMs / FRAMES, geometry.cpuMs / FRAMES});
    }
    result.drawCalls = director->getDrawCallCount();
    return result;
}

// One live tick: the newest bar changes (every tenth tick a new bar opens), the series recomputes it,
// and the view rebuilds its geometry for the next frame.
Best measureLiveUpdates(Window& w) {
    Best best;
    KLineSeries& series = *w.series;
    for (int round = 0; round < ROUNDS; ++round) {
        Cost cost = measure([&] {
            for (int i = 0; i < UPDATES; ++i) {
                KLineBar* newest = series.newestBar();
                const bool opens = i % 10 == 9;
                const uint32_t time = newest->time + (opens ? 60 : 0);
                const float close = newest->close + (i % 3 - 1) * 0.0001f;
                series.updateKLine(time, opens ? newest->close : newest->open, std::max(newest->high, close),
                                   std::min(newest->low, close), close, newest->volume + 1);
                w.chart->barChanged(series.newestBar(), opens);
                w.chart->updateGeometry();
            }
        });
        best.add(Cost{cost.wallMs / UPDATES, cost.cpuMs / UPDATES});
    }
    return best;
}
}  // namespace

int main() {
    CCGLRenderer* renderer = openBenchWindow("bench_chart_view", WINDOW_W * COLUMNS, WINDOW_H * ROWS);
    if (!renderer) return 1;
    CCDirector* director = CCDirector::sharedDirector();
    CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("res/plist/image.plist");

    CCScene* scene = CCScene::create();
    director->runWithScene(scene);
    std::vector<Window> windows(COLUMNS * ROWS);
    double fillMs = wallNowMs();
    for (int i = 0; i < COLUMNS * ROWS; ++i) {
        windows[i].series = std::make_unique<KLineSeries>();
        fillSeries(*windows[i].series, BARS, static_cast<unsigned int>(i + 1));
        buildWindow(windows[i], scene, static_cast<float>(i % COLUMNS) * WINDOW_W,
                    static_cast<float>(i / COLUMNS) * WINDOW_H);
    }
    fillMs = wallNowMs() - fillMs;
    FrameCost full = measureFrames(director, windows);
    size_t visible = windows[0].chart->getVisibleBars().size();

    // The live update against a window of 1 000 bars, in the same run.
    Window small;
    small.series = std::make_unique<KLineSeries>();
    fillSeries(*small.series, SMALL_BARS, 99);
    buildWindow(small, scene, 0, 0);
    small.chart->setVisible(false);
    for (IndicatorBase* pane : small.panes) pane->setVisible(false);
    director->stepFrame(1.0f / 60);
    Best bigUpdate = measureLiveUpdates(windows[0]);
    Best smallUpdate = measureLiveUpdates(small);

    std::printf(
        "nine %0.f x %.0f chart views, %d bars each, %.0f px bars (%zu visible), MA lines and %d panes "
        "(%s, %s; series built in %.0f ms)\n",
        WINDOW_W, WINDOW_H, BARS, ZOOMED_OUT, visible, PANES, renderer->getDeviceName().c_str(),
        SDL_GetCurrentVideoDriver(), fillMs);
    std::printf("  draw calls per frame       %u   target <= %u   %s\n", full.drawCalls, TARGET_DRAW_CALLS,
                full.drawCalls <= TARGET_DRAW_CALLS ? "within target" : "ABOVE TARGET");
    std::printf("  frame (all geometry rebuilt, drawn)   cpu %7.2f ms   wall %7.2f ms\n",
                full.frame.cost.cpuMs, full.frame.cost.wallMs);
    std::printf("  geometry passes of the nine views     cpu %7.2f ms   wall %7.2f ms\n",
                full.geometry.cost.cpuMs, full.geometry.cost.wallMs);
    // Per update in microseconds: printRatio's millisecond columns would read 0.0.
    const double cpuRatio = bigUpdate.cost.cpuMs / smallUpdate.cost.cpuMs;
    const double wallRatio = bigUpdate.cost.wallMs / smallUpdate.cost.wallMs;
    std::printf("one live update (series + view geometry), best of %d rounds of %d\n", ROUNDS, UPDATES);
    std::printf("  %-12s cpu %8.2f us   wall %8.2f us\n", "200 000 bars", bigUpdate.cost.cpuMs * 1000,
                bigUpdate.cost.wallMs * 1000);
    std::printf("  %-12s cpu %8.2f us   wall %8.2f us\n", "1 000 bars", smallUpdate.cost.cpuMs * 1000,
                smallUpdate.cost.wallMs * 1000);
    std::printf("  ratio (cpu)  %.3f   target <= %.2f   %s\n", cpuRatio, TARGET_UPDATE_RATIO,
                cpuRatio <= TARGET_UPDATE_RATIO ? "within target" : "ABOVE TARGET");
    std::printf("  ratio (wall) %.3f\n", wallRatio);
    CCDirector::purgeDirector();
    CCEGLView::purgeSharedOpenGLView();
    return 0;
}
