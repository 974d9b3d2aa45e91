#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCFontAtlas.h"
#include "CCGLRenderer.h"
#include "CCSpriteFrameCache.h"
#include "CCTextureCache.h"
#include "DrawingBase.h"
#include "DrawingKLine.h"
#include "IndicatorBOLL.h"
#include "IndicatorKDJ.h"
#include "IndicatorMACD.h"
#include "IndicatorTrading.h"
#include "KLineSeries.h"

USING_NS_CC;

namespace {

constexpr int WINDOW_WIDTH = 1000;
constexpr int WINDOW_HEIGHT = 700;
constexpr float PANE_HEIGHT = 80;
constexpr int PANE_COUNT = 4;

struct Rgb {
    int r, g, b;
};

// A chart window's views without the window: the price chart over four panes, stacked and linked.
class ChartScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        CCDirector::purgeDirector();
        view_ = CCEGLView::sharedOpenGLView();
        view_->setViewName("chart screens");
        view_->setFrameSize(WINDOW_WIDTH, WINDOW_HEIGHT);
        if (!view_->isOpenGLReady()) {
            CCEGLView::purgeSharedOpenGLView();
            GTEST_SKIP() << "no OpenGL context under SDL_VIDEODRIVER="
                         << (SDL_getenv("SDL_VIDEODRIVER") ? SDL_getenv("SDL_VIDEODRIVER") : "(unset)");
        }
        CCDirector::sharedDirector()->setRenderHooks(nullptr, nullptr);  // read the back buffer
        ASSERT_TRUE(
            CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("res/plist/image.plist"));
        scene_ = CCScene::create();
        CCDirector::sharedDirector()->runWithScene(scene_);

        // Five-minute bars of a random walk around 1.10, their indicators computed by the series.
        std::mt19937 random(7);
        std::normal_distribution<float> move(0, 0.0009f);
        float price = 1.1f;
        for (int i = 0; i < 700; ++i) {
            float open = price;
            float close = open + move(random) + 0.00004f * std::sin(static_cast<float>(i) / 40);
            float high = std::max(open, close) + std::fabs(move(random)) * 0.6f;
            float low = std::min(open, close) - std::fabs(move(random)) * 0.6f;
            series_.updateKLine(static_cast<uint32_t>(1481760000 + i * 300), open, high, low, close,
                                static_cast<int32_t>(200 + random() % 800));
            price = close;
        }

        chart_ = DrawingKLine::createChart(nullptr, &series_.bars(), &panes_);
        chart_->setPosition(0, PANE_COUNT * PANE_HEIGHT);
        chart_->setViewSize(WINDOW_WIDTH, WINDOW_HEIGHT - PANE_COUNT * PANE_HEIGHT);
        chart_->setTimeType(5);
        chart_->setShowMA(true);
        scene_->addChild(chart_);
        chart_->setShown(true);
        IndicatorBase* panes[PANE_COUNT] = {
            IndicatorTrading::createPane(chart_, WINDOW_WIDTH, PANE_HEIGHT),
            IndicatorMACD::createPane(chart_, WINDOW_WIDTH, PANE_HEIGHT),
            IndicatorKDJ::createPane(chart_, WINDOW_WIDTH, PANE_HEIGHT),
            IndicatorBOLL::createPane(chart_, WINDOW_WIDTH, PANE_HEIGHT),
        };
        DrawingView* above = chart_;
        for (int i = 0; i < PANE_COUNT; ++i) {
            ASSERT_NE(panes[i], nullptr);
            panes[i]->setPosition(0, (PANE_COUNT - 1 - i) * PANE_HEIGHT);
            panes[i]->setUpperView(above);
            above->setLowerView(panes[i]);
            scene_->addChild(panes[i]);
            panes_.push_back(panes[i]);
            above = panes[i];
        }
        chart_->setLastPrice(series_.newestBar()->close,
                             series_.newestBar()->close >= series_.newestBar()->open);
        chart_->setBarWidthAndScale(CCPoint(6, 1));
        chart_->showNewestBars();
    }

    void TearDown() override {
        CCDirector::purgeDirector();
        CCTextureCache::purgeSharedTextureCache();
        CCFontAtlas::purgeAll();
        CCSpriteFrameCache::purgeSharedSpriteFrameCache();
        CCEGLView::purgeSharedOpenGLView();
    }

    static void settle() {
        for (int i = 0; i < 40; ++i) CCDirector::sharedDirector()->stepFrame(1.0f / 60);
    }
    // Lets the animations settle, draws, reads the frame back and saves it.
    void shoot(const std::string& name) {
        settle();
        auto* renderer = static_cast<CCGLRenderer*>(CCDirector::sharedDirector()->getRenderer());
        pixels_ = renderer->readPixels(&width_, &height_);
        ASSERT_EQ(width_, WINDOW_WIDTH);
        ASSERT_EQ(height_, WINDOW_HEIGHT);
        std::filesystem::create_directories(ZENTO_CHART_SCREENS_DIR);
        const std::string path = std::string(ZENTO_CHART_SCREENS_DIR) + "/" + name + ".png";
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels_.data(), width_, height_, 32,
                                                                  width_ * 4, SDL_PIXELFORMAT_ABGR8888);
        ASSERT_NE(surface, nullptr);
        EXPECT_EQ(IMG_SavePNG(surface, path.c_str()), 0) << path;
        SDL_FreeSurface(surface);
    }
    // A pixel in GL coordinates (origin bottom left).
    Rgb at(int x, int y) const {
        size_t i = (static_cast<size_t>(height_ - 1 - y) * width_ + x) * 4;
        return {pixels_[i], pixels_[i + 1], pixels_[i + 2]};
    }
    // Pixels of a colour (within a tolerance) inside a window band.
    int count(const Rgb& colour, int fromY, int toY, int tolerance = 6) const {
        int n = 0;
        for (int y = fromY; y < toY; ++y)
            for (int x = 0; x < width_; ++x) {
                Rgb p = at(x, y);
                if (std::abs(p.r - colour.r) <= tolerance && std::abs(p.g - colour.g) <= tolerance &&
                    std::abs(p.b - colour.b) <= tolerance)
                    ++n;
            }
        return n;
    }

    CCEGLView* view_ = nullptr;
    CCScene* scene_ = nullptr;
    KLineSeries series_;
    std::vector<IndicatorBase*> panes_;
    DrawingKLine* chart_ = nullptr;
    std::vector<uint8_t> pixels_;
    int width_ = 0, height_ = 0;
};

const Rgb RED{191, 66, 66};          // (0.75, 0.26, 0.26)
const Rgb GREEN{43, 153, 66};        // (0.17, 0.6, 0.26)
const Rgb LINE_GREY{230, 230, 230};  // the line chart's (0.9, 0.9, 0.9)
const int CHART_BOTTOM = static_cast<int>(PANE_COUNT * PANE_HEIGHT);

}  // namespace

TEST_F(ChartScreensTest, Candlesticks) {
    chart_->setShowCrosshair(true);
    settle();
    view_->handleMouseMove(400, 200);
    shoot("chart_candlesticks");
    // Candles of both colours in the price band, volume and MACD bars in theirs.
    EXPECT_GT(count(RED, CHART_BOTTOM, WINDOW_HEIGHT), 500);
    EXPECT_GT(count(GREEN, CHART_BOTTOM, WINDOW_HEIGHT), 500);
    EXPECT_GT(count(RED, 2 * 80, 3 * 80, 40) + count(GREEN, 2 * 80, 3 * 80, 40), 200);
}

TEST_F(ChartScreensTest, Line) {
    chart_->setChartType(1);
    shoot("chart_line");
    EXPECT_GT(count(LINE_GREY, CHART_BOTTOM, WINDOW_HEIGHT, 30), 300);
    EXPECT_LT(count(RED, CHART_BOTTOM, WINDOW_HEIGHT), 200);
}

TEST_F(ChartScreensTest, Area) {
    chart_->setChartType(2);
    shoot("chart_area");
    EXPECT_GT(count(LINE_GREY, CHART_BOTTOM, WINDOW_HEIGHT, 30), 300);
    // Under the line the background image shows; above it, the chart stays dark.
    KLineBar* bar = chart_->getVisibleBars().at(chart_->getVisibleBars().size() / 2);
    const CCPoint close = bar->drawingCache[DrawingKLine::CACHE_CLOSE];
    const int x = static_cast<int>(close.x);
    const int y = CHART_BOTTOM + static_cast<int>(close.y);
    Rgb below = at(x, y - 30);
    Rgb above = at(x, std::min(WINDOW_HEIGHT - 2, y + 60));
    EXPECT_GT(below.r + below.g + below.b, above.r + above.g + above.b);
}

TEST_F(ChartScreensTest, OhlcBars) {
    chart_->setChartType(3);
    shoot("chart_ohlc");
    EXPECT_GT(count(RED, CHART_BOTTOM, WINDOW_HEIGHT), 200);
    EXPECT_GT(count(GREEN, CHART_BOTTOM, WINDOW_HEIGHT), 200);
}

namespace {
// Every tool family on one chart, placed through the view: what later tools draw (fills, labels)
// leaves the earlier ones in sight.
TEST_F(ChartScreensTest, DrawingTools) {
    settle();
    const float top = chart_->getContentSize().height;
    auto place = [&](int id, std::vector<CCPoint> clicks) {
        chart_->startTool(id);
        for (const CCPoint& p : clicks) {
            chart_->placePoint(p, false);
            chart_->placePoint(p, true);
        }
    };
    place(1, {CCPoint(252, top * 0.55f), CCPoint(320, top * 0.75f)});
    DrawingBase* line = chart_->getDrawings().back().get();
    place(8, {CCPoint(300, top * 0.2f), CCPoint(380, top * 0.4f)});
    place(13, {CCPoint(330, top * 0.3f), CCPoint(380, top * 0.9f)});
    place(14, {CCPoint(450, top * 0.5f), CCPoint(520, top * 0.7f)});
    place(15, {CCPoint(250, top * 0.7f)});
    place(25, {CCPoint(800, top * 0.5f)});
    chart_->selectTool(nullptr);
    shoot("chart_drawing_tools");
    // The trend line, under the Fibonacci labels, is still drawn along its whole length.
    const CCPoint from(line->getPoints()[0].x, line->getPoints()[0].y);
    const CCPoint to(line->getPoints()[1].x, line->getPoints()[1].y);
    int light = 0;
    for (int i = 2; i < 98; ++i) {
        const CCPoint p = from + (to - from) * (static_cast<float>(i) / 100);
        int best = 0;
        for (int d = -1; d <= 1; ++d) {
            const Rgb c = at(static_cast<int>(p.x), CHART_BOTTOM + static_cast<int>(p.y) + d);
            best = std::max(best, std::min({c.r, c.g, c.b}));
        }
        if (best > 150) ++light;
    }
    EXPECT_GT(light, 85);
}
}  // namespace
