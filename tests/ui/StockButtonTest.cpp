#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCLabelTTF.h"
#include "CCRecordingRenderer.h"
#include "KLineBar.h"
#include "KLineSeries.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "SimpleAudioEngine.h"
#include "StockButton.h"
#include "StockButtonPanel.h"
#include "StockButtonPanelDelegate.h"
#include "StockWindow.h"
#include "UserData.h"

#include "SceneTest.h"
#include "UiTestSupport.h"

USING_NS_CC;

namespace {

constexpr float SCREEN_H = 600;
constexpr float STRIP_Y = 540;

TEST(StockButtonSmallChart, RangeBarCountAndZeroLengthSegments) {
    const CCSize size(150, 50);
    KLineSeries series;
    EXPECT_TRUE(StockButton::smallChartPoints(series, 0, size).empty());  // no bars, no chart

    series.updateKLine(60, 10, 12, 9, 11, 1);
    series.updateKLine(120, 11, 14, 10, 13, 1);
    series.updateKLine(180, 13, 13, 13, 13, 1);  // flat
    std::vector<CCPoint> points = StockButton::smallChartPoints(series, 0, size);
    ASSERT_EQ(points.size(), 6u);
    // Candles run high to low; H = 14, L = 9, so the scale is 0.7 * 50 / 5 = 7 units per price unit.
    EXPECT_FLOAT_EQ(points[0].x, 5.0f);
    EXPECT_FLOAT_EQ(points[0].y, (12 - 9) * 7.0f + 8);
    EXPECT_FLOAT_EQ(points[1].y, 8.0f);
    EXPECT_FLOAT_EQ(points[2].x, 5.5f);
    EXPECT_FLOAT_EQ(points[2].y, 0.7f * 50 + 8);
    EXPECT_FLOAT_EQ(points[5].y - points[4].y, 2.0f);  // the flat bar is drawn 2 long
    // The points are kept in the bar's small-chart group too.
    const CCPoint* group = series.barAt(1)->drawingGroup(KLineBar::DRAWING_GROUP_COUNT - 1);
    EXPECT_EQ(group[0], points[2]);
    EXPECT_EQ(group[1], points[3]);

    // Lines run close to open; open = close gives a 2-long segment.
    series.updateKLine(240, 12, 13, 11, 12, 1);
    points = StockButton::smallChartPoints(series, 1, size);
    ASSERT_EQ(points.size(), 8u);
    EXPECT_FLOAT_EQ(points[7].y - points[6].y, 2.0f);
    EXPECT_FLOAT_EQ(points[0].y, (11 - 9) * 7.0f + 8);
    EXPECT_FLOAT_EQ(points[1].y, (10 - 9) * 7.0f + 8);

    // A bar marked not valid does not raise the top.
    series.barAt(1)->valid = 0;
    points = StockButton::smallChartPoints(series, 0, size);
    const float scale = 0.7f * 50 / (13 - 9);
    EXPECT_FLOAT_EQ(points[4].y, (13 - 9) * scale + 8);
}

TEST(StockButtonSmallChart, OnlyTheNewestBarsAndAFlatSeries) {
    KLineSeries series;
    for (uint32_t i = 0; i < 300; ++i) series.updateKLine(60 * (i + 1), 5, 5, 5, 5, 1);
    // floor(0.8 * 2 * 110) = 176 bars for a narrow button.
    std::vector<CCPoint> points = StockButton::smallChartPoints(series, 3, CCSize(110, 50));
    ASSERT_EQ(points.size(), 2u * 176);
    EXPECT_FLOAT_EQ(points.front().x, 5.0f);
    EXPECT_FLOAT_EQ(points.back().x, (175 + 10) * 0.5f);
    for (const CCPoint& p : points) {
        ASSERT_TRUE(std::isfinite(p.y));  // a zero range counts as 1
    }
    EXPECT_FLOAT_EQ(points[0].y, 8.0f);
    EXPECT_FLOAT_EQ(points[1].y, 10.0f);
}

struct RecordingStrip : StockButtonPanelDelegate {
    int activations = 0;
    int closes = 0;
    int reorders = 0;
    std::vector<int> choosers;
    bool dragAllowed = true;
    void activateWindow(StockWindow*) override { ++activations; }
    void closeWindow(StockWindow*) override { ++closes; }
    void windowsReordered(const std::vector<StockWindow*>&) override { ++reorders; }
    bool canDragButtons() override { return dragAllowed; }
    void openChooser(int tag, float, float) override { choosers.push_back(tag); }
};

class StockButtonPanelTest : public SceneTest {
protected:
    static void SetUpTestSuite() { setUpUiSuite("sb"); }
    static void TearDownTestSuite() { tearDownUiSuite("sb"); }
    StockButtonPanelTest() : SceneTest(CCSize(900, SCREEN_H)) {}
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        strip = StockButtonPanel::create(CCSize(900, 60));
        ASSERT_NE(strip, nullptr);
        strip->setPosition(CCPoint(0, STRIP_Y));
        strip->setDelegate(&delegate);
        scene->addChild(strip);
        CCDirector::sharedDirector()->stepFrame(0);
    }
    void addButtons(int count) {
        for (int i = 0; i < count; ++i)
            ASSERT_NE(strip->addButton(nullptr, "S" + std::to_string(i)), nullptr);
        step(0.5f);
    }
    void drag(const CCPoint& from, const std::vector<float>& xs) {
        CCEGLView* view = CCEGLView::sharedOpenGLView();
        view->handleMouseDown(from.x, SCREEN_H - from.y);
        float x = from.x;
        for (float to : xs) {
            x = to;
            view->handleMouseMove(x, SCREEN_H - from.y);
        }
        view->handleMouseUp(x, SCREEN_H - from.y);
    }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (StockButton* b : strip->getButtons()) result.emplace_back(b->getNameLabel()->getString());
        return result;
    }

    StockButtonPanel* strip = nullptr;
    RecordingStrip delegate;
};

TEST_F(StockButtonPanelTest, NormalLayoutThenCompressedWithNarrowFrames) {
    addButtons(5);
    const float slot = strip->getSlotWidth();
    ASSERT_EQ(slot, 150);
    const float addWidth = strip->getAddButton()->getContentSize().width;
    EXPECT_FALSE(strip->isCompressed());
    const std::vector<StockButton*>& buttons = strip->getButtons();
    for (size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_FLOAT_EQ(buttons[i]->getPositionX(), 65 + 150.0f * static_cast<float>(i));
        EXPECT_FALSE(buttons[i]->isNarrow());
        EXPECT_EQ(buttons[i]->getContentSize().width, 150);
        EXPECT_EQ(buttons[i]->getIndex(), static_cast<int>(i));
    }
    EXPECT_FLOAT_EQ(strip->getAddButton()->getPositionX(), 150 * 5 + 65 + 20 + addWidth / 2);

    addButtons(1);  // one more than fits
    EXPECT_TRUE(strip->isCompressed());
    const float spacing = (900 - addWidth - 90 - 150) / 5;
    EXPECT_FLOAT_EQ(strip->getSpacing(), spacing);
    EXPECT_FLOAT_EQ(strip->getAddButton()->getPositionX(), 900 - addWidth / 2);
    for (size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_NEAR(buttons[i]->getPositionX(), 65 + spacing * static_cast<float>(i), 0.01f);
        EXPECT_TRUE(buttons[i]->isNarrow());
        EXPECT_EQ(buttons[i]->getContentSize().width, 110);
    }

    // The hovered button gets its whole slot and normal frames; the ones after it move right.
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    const CCPoint over = buttons[2]->convertToWorldSpace(CCPoint(5, 25));
    view->handleMouseMove(over.x, SCREEN_H - over.y);
    step(0.5f);
    EXPECT_EQ(strip->getHoveredButton(), buttons[2]);
    EXPECT_FALSE(buttons[2]->isNarrow());
    EXPECT_TRUE(buttons[3]->isNarrow());
    EXPECT_NEAR(buttons[3]->getPositionX(), 65 + spacing * 2 + 150, 0.01f);
    // Leaving the strip lays it out again.
    view->handleMouseMove(450, 300);
    step(0.5f);
    EXPECT_EQ(strip->getHoveredButton(), nullptr);
    EXPECT_NEAR(buttons[3]->getPositionX(), 65 + spacing * 3, 0.01f);
    EXPECT_TRUE(buttons[2]->isNarrow());
}

TEST_F(StockButtonPanelTest, OneButtonInANarrowStripDoesNotDivideByZero) {
    strip->setContentSize(CCSize(200, 60));
    addButtons(1);
    EXPECT_TRUE(strip->isCompressed());
    EXPECT_TRUE(std::isfinite(strip->getSpacing()));
    EXPECT_FLOAT_EQ(strip->getButtons()[0]->getPositionX(), 65);
}

TEST_F(StockButtonPanelTest, ClickActivatesAndDragReorders) {
    addButtons(3);
    std::vector<StockButton*> before = strip->getButtons();
    drag(centreOf(before[1]), {});
    EXPECT_EQ(delegate.activations, 1);

    // Dropped back where it came from: same order, no reorder for the scene.
    const CCPoint start = centreOf(before[0]);
    drag(start, {start.x + 40, start.x});
    step(0.5f);
    EXPECT_EQ(strip->getButtons(), before);
    EXPECT_EQ(delegate.reorders, 0);
    EXPECT_EQ(delegate.activations, 1);
    EXPECT_FLOAT_EQ(before[0]->getPositionX(), 65);
    EXPECT_EQ(before[0]->getOpacity(), 255);

    // Past the second button's left edge: the first goes after it.
    drag(start, {start.x + 100, start.x + 200});
    step(0.5f);
    EXPECT_EQ(names(), (std::vector<std::string>{"S1", "S0", "S2"}));
    EXPECT_EQ(delegate.reorders, 1);
    EXPECT_EQ(before[0]->getIndex(), 1);
    EXPECT_FLOAT_EQ(before[0]->getPositionX(), 215);
    EXPECT_FLOAT_EQ(before[1]->getPositionX(), 65);

    // Past the end.
    drag(centreOf(before[1]), {800});
    step(0.5f);
    EXPECT_EQ(names(), (std::vector<std::string>{"S0", "S2", "S1"}));

    // While the scene refuses drags a move is ignored and the release is a click.
    delegate.dragAllowed = false;
    drag(centreOf(before[0]), {700});
    step(0.5f);
    EXPECT_EQ(names(), (std::vector<std::string>{"S0", "S2", "S1"}));
    EXPECT_EQ(delegate.activations, 2);
}

TEST_F(StockButtonPanelTest, DownToOneButtonItsCloseButtonHides) {
    addButtons(2);
    StockButton* first = strip->getButtons()[0];
    StockButton* second = strip->getButtons()[1];
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    CCPoint at = centreOf(second);
    view->handleMouseMove(at.x, SCREEN_H - at.y);
    step(0.5f);
    ASSERT_TRUE(second->getCloseButton()->isVisible());
    const CCPoint close = second->getCloseButton()->convertToWorldSpace(CCPoint(4, 4));
    clickAt(close);
    EXPECT_EQ(delegate.closes, 1);
    EXPECT_EQ(delegate.activations, 0);  // the close button took the click

    strip->removeButton(second);
    ASSERT_EQ(strip->getButtons().size(), 1u);
    EXPECT_EQ(first->getIndex(), 0);
    EXPECT_FALSE(first->getCloseButton()->isVisible());
    EXPECT_FALSE(first->isCloseAllowed());
    at = centreOf(first);
    view->handleMouseMove(at.x, SCREEN_H - at.y);
    step(0.5f);
    EXPECT_FALSE(first->getCloseButton()->isVisible());

    strip->removeButton(first);  // the last button stays
    EXPECT_EQ(strip->getButtons().size(), 1u);
}

TEST_F(StockButtonPanelTest, QuoteLabelsAndActiveName) {
    addButtons(1);
    StockButton* button = strip->getButtons()[0];
    EXPECT_STREQ(button->getPriceLabel()->getString(), "--.--");
    button->showQuote(12.5f, -0.25f);
    EXPECT_STREQ(button->getPriceLabel()->getString(), "12.500");
    EXPECT_STREQ(button->getChangeLabel()->getString(), "-0.250%");
    EXPECT_FALSE(button->isRising());
    const ccColor3B falling = button->getPriceLabel()->getColor();
    button->showQuote(12.5f, 0);
    EXPECT_TRUE(button->isRising());
    EXPECT_FALSE(button->getPriceLabel()->getColor() == falling);
    button->setActive(true);
    EXPECT_EQ(button->getNameLabel()->getColor(), ccWHITE);
    button->setActive(false);
    EXPECT_EQ(button->getNameLabel()->getColor(), (ccColor3B{120, 120, 120}));
    EXPECT_TRUE(button->getChartPoints().empty());  // no window, no bars
}

TEST_F(StockButtonPanelTest, LinkedWindowBarsDrawTheSmallChart) {
    StockWindow* window = StockWindow::create("Gold", CCSize(800, 500));
    ASSERT_NE(window, nullptr);
    scene->addChild(window);
    StockButton* button = strip->addButton(window, "Gold");
    ASSERT_NE(button, nullptr);
    window->setLinkedButton(button);
    EXPECT_TRUE(button->getChartPoints().empty());
    // Bars of one frame, however many, are drawn into the small chart once, by that frame.
    window->updateKLine(60, 10, 12, 9, 11, 1);
    window->updateKLine(120, 11, 14, 10, 13, 1);
    EXPECT_TRUE(button->getChartPoints().empty());
    CCDirector::sharedDirector()->stepFrame(0);
    ASSERT_EQ(button->getChartPoints().size(), 4u);
    ASSERT_NE(button->getPointer(), nullptr);
    EXPECT_EQ(button->getPointer()->getPosition(), button->getChartPoints().back());
    // A new chart type redraws the small chart on the next frame: lines run close to open, candles
    // high to low.
    const float candleTop = button->getChartPoints()[0].y;
    window->setChartType(1);
    CCDirector::sharedDirector()->stepFrame(0);
    EXPECT_LT(button->getChartPoints()[0].y, candleTop);
    window->setLinkedButton(nullptr);
}

TEST_F(StockButtonPanelTest, TextsPointerAndSmallChartShareTheRiseColour) {
    StockWindow* window = StockWindow::create("Gold", CCSize(800, 500));
    ASSERT_NE(window, nullptr);
    scene->addChild(window);
    StockButton* button = strip->addButton(window, "Gold");
    window->setLinkedButton(button);
    window->updateKLine(60, 10, 12, 9, 11, 1);
    window->updateKLine(120, 11, 14, 10, 13, 1);
    button->setChartShown(true);
    auto recorder = std::make_unique<CCRecordingRenderer>();
    CCRecordingRenderer* recording = recorder.get();
    CCDirector::sharedDirector()->setRenderer(std::move(recorder));
    const ccColor3B red{200, 66, 66};
    const ccColor3B green{44, 170, 66};
    // Rising is red by default and green with the convention swapped; the small chart agrees.
    for (bool riseGreen : {false, true}) {
        window->setRiseGreen(riseGreen);
        for (float change : {0.5f, -0.5f}) {
            button->showQuote(13, change);
            const ccColor3B expected = (change > 0) == riseGreen ? green : red;
            EXPECT_EQ(button->getPriceLabel()->getColor(), expected);
            EXPECT_EQ(button->getChangeLabel()->getColor(), expected);
            CCDirector::sharedDirector()->stepFrame(0);
            bool drawn = false;
            for (const CCRecordedPrimitive& p : recording->primitives(CCPrimitiveType::Lines)) {
                if (p.points.size() != button->getChartPoints().size()) continue;
                drawn = true;
                EXPECT_NEAR(p.color.r, expected.r / 255.0f, 0.01f) << riseGreen << " " << change;
                EXPECT_NEAR(p.color.g, expected.g / 255.0f, 0.01f) << riseGreen << " " << change;
                EXPECT_LT(p.color.a, 0.5f) << "the small chart is faint under the texts";
            }
            EXPECT_TRUE(drawn);
        }
    }
    window->setLinkedButton(nullptr);
}

TEST_F(StockButtonPanelTest, LayoutAndAddButtonsPlayTheHoverSound) {
    UserData::setSoundSwitch(true);
    const char* sound = "res/audio/mouseHover.wav";
    SimpleAudioEngine* audio = SimpleAudioEngine::sharedEngine();
    const unsigned int before = audio->getRequestCount(sound);
    for (PanelButton* button : {strip->getLayoutButton(), strip->getAddButton()}) {
        click(button);
    }
    EXPECT_EQ(audio->getRequestCount(sound), before + 2);
    EXPECT_EQ(delegate.choosers.size(), 2u);
}

}  // namespace
