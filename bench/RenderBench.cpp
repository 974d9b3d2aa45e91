// One frame of nine 800 x 400 chart panes (2 000 candles, 3 smoothed polylines and 50 labels each)
// drawn through the GL renderer, against an empty frame of the same window, in the same run.
// Needs a GL context: run it with SDL_VIDEODRIVER=offscreen (or under a display).
#include <SDL.h>

#include <algorithm>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "BenchWindow.h"
#include "CCDirector.h"
#include "CCDrawingPrimitives.h"
#include "CCEGLView.h"
#include "CCGLRenderer.h"
#include "CCLabelTTF.h"

USING_NS_CC;

namespace {
constexpr int PANES_X = 3;
constexpr int PANES_Y = 3;
constexpr float PANE_W = 800;
constexpr float PANE_H = 400;
constexpr int CANDLES = 2000;
constexpr int POLYLINES = 3;
constexpr int LABELS = 50;
constexpr int WARM_UP_FRAMES = 10;
constexpr int FRAMES = 40;
constexpr int ROUNDS = 3;
constexpr unsigned int TARGET_DRAW_CALLS = 40;

struct Candle {
    CCPoint wick[2];
    CCPoint body[4];
    ccColor4F color;
};

// A chart pane as the chart view draws it: grid, candles (wick, filled and outlined body), moving
// average polylines with blending and smoothing, pooled labels, all inside the pane's scissor.
class Pane : public CCNode {
public:
    static Pane* create(unsigned int seed) {
        auto* pane = new Pane();
        pane->build(seed);
        pane->autorelease();
        return pane;
    }

    void visit() override {
        ccPushScissor(CCRectApplyAffineTransform(CCRect(0, 0, PANE_W, PANE_H), nodeToWorldTransform()));
        CCNode::visit();
        ccPopScissor();
    }

    void draw() override {
        ccLineWidth(1);
        for (float y = 18; y < PANE_H; y += 40) {
            ccDrawColor4F(0.15f, 0.16f, 0.22f, 1);
            ccDrawLine(ccp(0, y), ccp(PANE_W, y));
        }
        ccLineWidth(2);
        for (const Candle& c : candles_) {
            ccDrawColor4F(c.color.r, c.color.g, c.color.b, c.color.a);
            ccDrawLine(c.wick[0], c.wick[1]);
            ccDrawSolidPoly(c.body, 4, c.color);
            ccDrawPoly(c.body, 4, true);
        }
        ccLineWidth(1);
        ccGLEnableBlend(true);
        ccGLBlendFunc(CC_BLEND_SRC_ALPHA, CC_BLEND_ONE_MINUS_SRC_ALPHA);
        ccGLEnableLineSmooth(true);
        ccGLEnablePointSmooth(true);
        const ccColor4F colours[POLYLINES] = {
            {0.71f, 0, 0, 1}, {0.75f, 0.6f, 0.16f, 1}, {0.11f, 0.45f, 0.7f, 1}};
        for (int i = 0; i < POLYLINES; ++i) {
            ccDrawColor4F(colours[i].r, colours[i].g, colours[i].b, colours[i].a);
            ccDrawPoly(lines_[i].data(), static_cast<unsigned int>(lines_[i].size()), false);
        }
        ccGLResetState();
    }

private:
    void build(unsigned int seed) {
        setContentSize(CCSize(PANE_W, PANE_H));
        std::mt19937 random(seed);
        std::uniform_real_distribution<float> step(-3, 3);
        float spacing = PANE_W / CANDLES;
        float price = PANE_H / 2;
        std::vector<float> closes;
        for (int i = 0; i < CANDLES; ++i) {
            float x = (static_cast<float>(i) + 0.5f) * spacing;
            float open = price, close = std::clamp(price + step(random), 40.0f, PANE_H - 40);
            float high = std::max(open, close) + std::fabs(step(random));
            float low = std::min(open, close) - std::fabs(step(random));
            if (std::fabs(close - open) < 2) close = open + 2;
            Candle c;
            c.wick[0] = ccp(x, low);
            c.wick[1] = ccp(x, high);
            float h = std::max(spacing * 0.35f, 0.5f);
            c.body[0] = ccp(x - h, open);
            c.body[1] = ccp(x + h, open);
            c.body[2] = ccp(x + h, close);
            c.body[3] = ccp(x - h, close);
            c.color = close >= open ? ccColor4F{0.75f, 0.26f, 0.26f, 1} : ccColor4F{0.17f, 0.6f, 0.26f, 1};
            candles_.push_back(c);
            closes.push_back(close);
            price = close;
        }
        const int periods[POLYLINES] = {5, 10, 20};
        for (int k = 0; k < POLYLINES; ++k) {
            double sum = 0;
            for (int i = 0; i < CANDLES; ++i) {
                sum += closes[i];
                if (i >= periods[k]) sum -= closes[i - periods[k]];
                if (i >= periods[k])
                    lines_[k].push_back(
                        ccp((static_cast<float>(i) + 0.5f) * spacing, static_cast<float>(sum / periods[k])));
            }
        }
        for (int i = 0; i < LABELS; ++i) {
            char text[32];
            if (i < 25)
                std::snprintf(text, sizeof(text), "%.4f", 1.1 + i * 0.0125);
            else
                std::snprintf(text, sizeof(text), "%02d:%02d:00", i % 24, (i * 7) % 60);
            CCLabelTTF* label = CCLabelTTF::create(text, "res/fonts/MiYaHei.ttf", 13);
            label->setColor(ccc3(80, 88, 108));
            label->setPosition(i < 25 ? ccp(PANE_W - 40, 30 + i * 14.0f) : ccp(20 + (i - 25) * 31.0f, 9));
            addChild(label);
        }
    }

    std::vector<Candle> candles_;
    std::vector<CCPoint> lines_[POLYLINES];
};

struct FrameCost {
    Best best;
    unsigned int drawCalls = 0;
};

FrameCost measureFrames(CCDirector* director) {
    FrameCost result;
    for (int i = 0; i < WARM_UP_FRAMES; ++i) director->stepFrame(1.0f / 60);
    for (int round = 0; round < ROUNDS; ++round) {
        Cost total = measure([&] {
            for (int i = 0; i < FRAMES; ++i) director->stepFrame(1.0f / 60);
        });
        result.best.add(Cost{total.wallMs / FRAMES, total.cpuMs / FRAMES});
    }
    result.drawCalls = director->getDrawCallCount();
    return result;
}
}  // namespace

int main() {
    CCGLRenderer* renderer = openBenchWindow("bench_render", PANE_W * PANES_X, PANE_H * PANES_Y);
    if (!renderer) return 1;
    CCDirector* director = CCDirector::sharedDirector();

    CCScene* empty = CCScene::create();
    director->runWithScene(empty);
    FrameCost baseline = measureFrames(director);

    CCScene* charts = CCScene::create();
    for (int y = 0; y < PANES_Y; ++y)
        for (int x = 0; x < PANES_X; ++x) {
            Pane* pane = Pane::create(static_cast<unsigned int>(y * PANES_X + x + 1));
            pane->setPosition(x * PANE_W, y * PANE_H);
            charts->addChild(pane);
        }
    director->replaceScene(charts);
    FrameCost full = measureFrames(director);

    std::printf("frame of %d panes of %.0f x %.0f px, each %d candles, %d polylines, %d labels (%s, %s)\n",
                PANES_X * PANES_Y, PANE_W, PANE_H, CANDLES, POLYLINES, LABELS,
                renderer->getDeviceName().c_str(), SDL_GetCurrentVideoDriver());
    std::printf("  draw calls per frame   %u   target <= %u   %s\n", full.drawCalls, TARGET_DRAW_CALLS,
                full.drawCalls <= TARGET_DRAW_CALLS ? "within target" : "ABOVE TARGET");
    std::printf("  empty frame            cpu %8.2f ms   wall %8.2f ms   (%u draw calls)\n",
                baseline.best.cost.cpuMs, baseline.best.cost.wallMs, baseline.drawCalls);
    std::printf("  chart frame            cpu %8.2f ms   wall %8.2f ms\n", full.best.cost.cpuMs,
                full.best.cost.wallMs);
    std::printf("  ratio (cpu)  %.1f   ratio (wall) %.1f   (best of %d rounds of %d frames)\n",
                full.best.cost.cpuMs / baseline.best.cost.cpuMs,
                full.best.cost.wallMs / baseline.best.cost.wallMs, ROUNDS, FRAMES);
    CCDirector::purgeDirector();
    CCEGLView::purgeSharedOpenGLView();
    return 0;
}
