// Nine chart views, each with 50 drawings of every family, scrolled by a pixel every frame: the CPU
// of the views' geometry passes (which re-project every drawing) with the drawings against without
// them, and the draw calls the drawings add to a frame of all nine. Needs a GL context: run it with
// SDL_VIDEODRIVER=offscreen (or under a display).
#include <SDL.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "BenchSupport.h"
#include "BenchWindow.h"
#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCGLRenderer.h"
#include "CCSpriteFrameCache.h"
#include "DrawingBase.h"
#include "DrawingKLine.h"
#include "DrawingTools.h"
#include "KLineSeries.h"

USING_NS_CC;

namespace {
constexpr int COLUMNS = 3;
constexpr int ROWS = 3;
constexpr float VIEW_W = 640;
constexpr float VIEW_H = 360;
constexpr int BARS = 3000;
constexpr int DRAWINGS = 50;
constexpr int WARM_UP_FRAMES = 10;
constexpr int FRAMES = 60;
constexpr int ROUNDS = 3;
constexpr double TARGET_GEOMETRY_RATIO = 1.3;
constexpr unsigned int TARGET_ADDED_DRAW_CALLS = 9;
constexpr int TOOL_IDS[] = {1,  2,  3,  4,  5,  6,  7,  8,  10, 11, 12, 13, 14,
                            15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26};

int pointsOf(int id) {
    if (id == 2 || (id >= 15 && id <= 24)) return 1;
    if (id == 5 || id == 7) return 3;
    if (id == 6) return 5;
    if (id == 25 || id == 26) return 4;
    return 2;
}

struct View {
    std::unique_ptr<KLineSeries> series;
    std::vector<IndicatorBase*> panes;
    DrawingKLine* chart = nullptr;
};

// Drawings spread over the visible bars, anchored as saved ones are.
std::vector<std::unique_ptr<DrawingBase>> makeDrawings(const KLineSeries& series) {
    std::vector<std::unique_ptr<DrawingBase>> tools;
    const auto& bars = series.bars();
    for (int i = 0; i < DRAWINGS; ++i) {
        const int id = TOOL_IDS[i % std::size(TOOL_IDS)];
        std::unique_ptr<DrawingBase> tool = createDrawingTool(id);
        std::vector<DrawingControlPoint> points;
        for (int k = 0; k < pointsOf(id); ++k) {
            KLineBar* bar = bars[bars.size() - 120 + static_cast<size_t>((i * 2 + k * 7) % 110)].get();
            DrawingControlPoint point;
            point.bar = bar;
            point.price = k % 2 ? bar->high : bar->low;
            points.push_back(point);
        }
        if (!tool->restorePoints(std::move(points))) continue;
        if (tool->hasText()) tool->setText("level " + std::to_string(i));
        tools.push_back(std::move(tool));
    }
    return tools;
}

struct Frames {
    Best geometry;
    Best frame;
    unsigned int drawCalls = 0;
};

Frames measure(CCDirector* director, std::vector<View>& views) {
    Frames result;
    float shift = 1;
    for (int i = 0; i < WARM_UP_FRAMES; ++i) director->stepFrame(1.0f / 60);
    for (int round = 0; round < ROUNDS; ++round) {
        Cost geometry = ::measure([&] {
            for (int i = 0; i < FRAMES; ++i) {
                for (View& v : views) {
                    v.chart->scrollTo(v.chart->getScrollOffset() + shift);
                    v.chart->updateGeometry();
                }
                shift = -shift;
            }
        });
        result.geometry.add(geometry);
        Cost frames = ::measure([&] {
            for (int i = 0; i < FRAMES; ++i) {
                for (View& v : views) v.chart->scrollTo(v.chart->getScrollOffset() + shift);
                shift = -shift;
                director->stepFrame(1.0f / 60);
            }
        });
        result.frame.add(frames);
    }
    result.drawCalls = director->getDrawCallCount();
    return result;
}
}  // namespace

int main() {
    CCGLRenderer* renderer = openBenchWindow("bench_drawing_tools", VIEW_W * COLUMNS, VIEW_H * ROWS);
    if (!renderer) return 1;
    CCDirector* director = CCDirector::sharedDirector();
    CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("res/plist/image.plist");
    CCScene* scene = CCScene::create();
    director->runWithScene(scene);

    std::vector<View> views(COLUMNS * ROWS);
    for (int i = 0; i < COLUMNS * ROWS; ++i) {
        View& v = views[static_cast<size_t>(i)];
        v.series = std::make_unique<KLineSeries>();
        float price = 1.1f;
        for (int b = 0; b < BARS; ++b) {
            const float close = price + 0.0004f * static_cast<float>((b * 7 + i) % 11 - 5);
            v.series->updateKLine(static_cast<uint32_t>(1400000000 + b * 60), price,
                                  std::max(price, close) + 0.0002f, std::min(price, close) - 0.0002f, close,
                                  100 + b % 50);
            price = close;
        }
        v.chart = DrawingKLine::createChart(nullptr, &v.series->bars(), &v.panes);
        v.chart->setPosition(static_cast<float>(i % COLUMNS) * VIEW_W,
                             static_cast<float>(i / COLUMNS) * VIEW_H);
        v.chart->setViewSize(VIEW_W, VIEW_H);
        v.chart->setShowMA(true);
        scene->addChild(v.chart);
        v.chart->setShown(true);
        v.chart->showNewestBars();
    }
    const Frames without = measure(director, views);
    for (View& v : views) v.chart->adoptDrawings(makeDrawings(*v.series));
    const Frames with = measure(director, views);

    std::printf(
        "nine %.0f x %.0f chart views, %d bars, %d drawings each of all families, a pixel of scroll "
        "a frame (%s, %s)\n",
        VIEW_W, VIEW_H, BARS, DRAWINGS, renderer->getDeviceName().c_str(), SDL_GetCurrentVideoDriver());
    printRatio("geometry passes of the nine views, 60 frames", "with drawings", with.geometry, "without",
               without.geometry, TARGET_GEOMETRY_RATIO);
    std::printf("whole frames (geometry, drawing, GL), 60 of them\n");
    std::printf("  %-28s cpu %8.1f ms\n  %-28s cpu %8.1f ms\n", "with drawings", with.frame.cost.cpuMs,
                "without", without.frame.cost.cpuMs);
    const unsigned int added = with.drawCalls > without.drawCalls ? with.drawCalls - without.drawCalls : 0;
    std::printf("  draw calls per frame   %u without, %u with: %u added   target <= %u   %s\n",
                without.drawCalls, with.drawCalls, added, TARGET_ADDED_DRAW_CALLS,
                added <= TARGET_ADDED_DRAW_CALLS ? "within target" : "ABOVE TARGET");
    CCDirector::purgeDirector();
    CCEGLView::purgeSharedOpenGLView();
    return 0;
}
