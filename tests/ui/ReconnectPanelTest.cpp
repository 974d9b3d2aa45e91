#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCLabelTTF.h"
#include "CCRecordingRenderer.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "ReconnectPanel.h"

#include "SceneTest.h"
#include "UiTestSupport.h"

USING_NS_CC;

namespace {

// A 900 x 600 scene drawn by the recording renderer, with the panel's clock under the test's control.
class ReconnectPanelTest : public SceneTest {
protected:
    static void SetUpTestSuite() { setUpUiSuite("reconnect"); }
    static void TearDownTestSuite() { tearDownUiSuite("reconnect"); }
    void SetUp() override {
        savedLanguage = getCurrentLanguage();
        setCurrentLanguage(0);
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        auto recording = std::make_unique<CCRecordingRenderer>();
        recorder = recording.get();
        CCDirector::sharedDirector()->setRenderer(std::move(recording));
        ReconnectPanel::setClock([this] { return clock; });
        panel = ReconnectPanel::create();
        ASSERT_NE(panel, nullptr);
        scene->addChild(panel, 299);
        step(0);
    }
    void TearDown() override {
        ReconnectPanel::setClock(nullptr);
        setCurrentLanguage(savedLanguage);
        SceneTest::TearDown();
    }
    void step(float seconds) {
        CCDirector::sharedDirector()->stepFrame(0);
        SceneTest::step(seconds);
    }
    std::string elapsedText() const { return panel->getElapsedLabel()->getString(); }
    // The filled rectangles of the last frame as (left, bottom, right, top) with their colour.
    struct Rect {
        float left, bottom, right, top;
        ccColor4F colour;
    };
    std::vector<Rect> filledRects() const {
        std::vector<Rect> rects;
        for (const CCRecordedPrimitive& p : recorder->primitives(CCPrimitiveType::SolidPolygon)) {
            if (p.points.size() != 4) continue;
            Rect r{p.points[0].x, p.points[0].y, p.points[0].x, p.points[0].y, p.color};
            for (const CCPoint& point : p.points) {
                r.left = std::min(r.left, point.x);
                r.right = std::max(r.right, point.x);
                r.bottom = std::min(r.bottom, point.y);
                r.top = std::max(r.top, point.y);
            }
            rects.push_back(r);
        }
        return rects;
    }
    static void expectRect(const Rect& r, float left, float bottom, float right, float top, int red,
                           int green, int blue, int alpha) {
        EXPECT_FLOAT_EQ(r.left, left);
        EXPECT_FLOAT_EQ(r.bottom, bottom);
        EXPECT_FLOAT_EQ(r.right, right);
        EXPECT_FLOAT_EQ(r.top, top);
        EXPECT_EQ(std::lround(r.colour.r * 255), red);
        EXPECT_EQ(std::lround(r.colour.g * 255), green);
        EXPECT_EQ(std::lround(r.colour.b * 255), blue);
        EXPECT_EQ(std::lround(r.colour.a * 255), alpha);
    }

    int savedLanguage = 0;
    int64_t clock = 1'000'000;
    CCRecordingRenderer* recorder = nullptr;
    ReconnectPanel* panel = nullptr;
};

TEST_F(ReconnectPanelTest, DrawsVeilAndCentredCardOnceFadedIn) {
    EXPECT_FALSE(panel->isPanelShown());
    EXPECT_TRUE(filledRects().empty());

    panel->showPanel(clock - 4);
    step(ReconnectPanel::FADE_SECONDS + 0.1f);
    std::vector<Rect> rects = filledRects();
    ASSERT_EQ(rects.size(), 3u);
    expectRect(rects[0], 0, 0, 900, 600, 0, 0, 0, 110);
    expectRect(rects[1], 260, 252, 640, 348, 23, 27, 41, 255);
    expectRect(rects[2], 260, 344, 640, 348, 255, 176, 32, 255);
    const std::vector<std::string> texts = recorder->texts();
    EXPECT_EQ(texts, (std::vector<std::string>{getLangText("reconnecting"), "Disconnected for 4 s"}));
    // Both lines sit on the card, the title above the count.
    const CCPoint title = panel->getTitleLabel()->convertToWorldSpaceAR(CCPointZero);
    const CCPoint count = panel->getElapsedLabel()->convertToWorldSpaceAR(CCPointZero);
    EXPECT_FLOAT_EQ(title.x, 450);
    EXPECT_FLOAT_EQ(count.x, 450);
    EXPECT_GT(title.y, count.y);
    EXPECT_GT(count.y, 252);
    EXPECT_LT(title.y, 344);

    panel->setWindowSize(1200, 800);
    CCDirector::sharedDirector()->setWinSize(CCSize(1200, 800));
    step(0);
    rects = filledRects();
    ASSERT_EQ(rects.size(), 3u);
    expectRect(rects[0], 0, 0, 1200, 800, 0, 0, 0, 110);
    expectRect(rects[1], 410, 352, 790, 448, 23, 27, 41, 255);
}

TEST_F(ReconnectPanelTest, FadesInAndOutAndHidesWhenDone) {
    panel->showPanel(clock);
    EXPECT_TRUE(panel->isPanelShown());
    EXPECT_TRUE(panel->isVisible());
    step(0.05f);
    EXPECT_GT(panel->getOpacity(), 0);
    EXPECT_LT(panel->getOpacity(), 255);
    step(ReconnectPanel::FADE_SECONDS);
    EXPECT_EQ(panel->getOpacity(), 255);

    panel->hidePanel();
    EXPECT_FALSE(panel->isPanelShown());
    EXPECT_TRUE(panel->isVisible());
    step(ReconnectPanel::FADE_SECONDS + 0.1f);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(filledRects().empty());

    // Shown again in the middle of fading out: it comes back, fully.
    panel->showPanel(clock);
    step(0.1f);
    panel->hidePanel();
    step(0.05f);
    panel->showPanel(clock);
    step(ReconnectPanel::FADE_SECONDS + 0.1f);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->getOpacity(), 255);
    EXPECT_EQ(filledRects().size(), 3u);
}

TEST_F(ReconnectPanelTest, CountsSecondsSinceTheDropOnTheReplacedClock) {
    EXPECT_EQ(panel->getElapsedSeconds(), 0);
    panel->showPanel(clock - 10);
    EXPECT_EQ(panel->getElapsedSeconds(), 10);
    EXPECT_EQ(elapsedText(), "Disconnected for 10 s");

    // The text follows once a second while shown.
    clock += 3;
    EXPECT_EQ(panel->getElapsedSeconds(), 13);
    step(0.5f);
    EXPECT_EQ(elapsedText(), "Disconnected for 10 s");
    step(0.6f);
    EXPECT_EQ(elapsedText(), "Disconnected for 13 s");
    clock += 60;
    step(1.0f);
    EXPECT_EQ(elapsedText(), "Disconnected for 73 s");

    // A clock that steps back never shows a negative count.
    clock -= 1000;
    EXPECT_EQ(panel->getElapsedSeconds(), 0);
    step(1.0f);
    EXPECT_EQ(elapsedText(), "Disconnected for 0 s");

    // Hidden: no count and no refresh.
    clock += 2000;
    panel->hidePanel();
    EXPECT_EQ(panel->getElapsedSeconds(), 0);
    step(2.0f);
    EXPECT_EQ(elapsedText(), "Disconnected for 0 s");

    // An unknown drop time counts from now; showing again restarts the count.
    panel->showPanel(0);
    EXPECT_EQ(panel->getElapsedSeconds(), 0);
    clock += 5;
    panel->showPanel(clock - 1);
    EXPECT_EQ(panel->getElapsedSeconds(), 1);
    EXPECT_EQ(elapsedText(), "Disconnected for 1 s");
}

TEST_F(ReconnectPanelTest, TextsFollowTheLanguageAlsoWhileShown) {
    switchLanguage(1);
    panel->showPanel(clock - 7);
    EXPECT_EQ(std::string(panel->getTitleLabel()->getString()), getLangText("reconnecting"));
    EXPECT_EQ(elapsedText(), "已断开 7 秒");
    switchLanguage(0);
    EXPECT_EQ(std::string(panel->getTitleLabel()->getString()), "Connection lost, reconnecting...");
    EXPECT_EQ(elapsedText(), "Disconnected for 7 s");
    panel->hidePanel();
    switchLanguage(1);
    panel->showPanel(clock - 7);
    EXPECT_EQ(elapsedText(), "已断开 7 秒");
}

TEST_F(ReconnectPanelTest, ChartsUnderThePanelKeepTakingClicksAndHover) {
    std::vector<int> clicked;
    PanelButton* button = PanelButton::create("layout.png", "layout_sel.png", 3,
                                              [&clicked](PanelButton* b) { clicked.push_back(b->getTag()); });
    ASSERT_NE(button, nullptr);
    button->setPosition(450, 300);  // under the card's centre
    scene->addChild(button, 1);
    PanelButton* corner = PanelButton::create("layout.png", "layout_sel.png", 4,
                                              [&clicked](PanelButton* b) { clicked.push_back(b->getTag()); });
    corner->setPosition(40, 40);  // under the veil only
    scene->addChild(corner, 1);
    panel->showPanel(clock);
    step(ReconnectPanel::FADE_SECONDS + 0.1f);

    CCEGLView* view = CCEGLView::sharedOpenGLView();
    view->handleMouseMove(450, 300);
    EXPECT_TRUE(button->isHovered());
    view->handleMouseDown(450, 300);
    view->handleMouseUp(450, 300);
    view->handleMouseDown(40, 560);
    view->handleMouseUp(40, 560);
    EXPECT_EQ(clicked, (std::vector<int>{3, 4}));
}

}  // namespace
