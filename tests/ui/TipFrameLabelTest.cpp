#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCLabelTTF.h"
#include "LanguageTable.h"
#include "PanelButton.h"
#include "TipFrameLabel.h"

#include "SceneTest.h"
#include "UiTestSupport.h"

USING_NS_CC;

namespace {

const CCSize PADDING(30, 20);

class TipFrameLabelTest : public SceneTest {
protected:
    static void SetUpTestSuite() { setUpUiSuite("tipframe"); }
    static void TearDownTestSuite() { tearDownUiSuite("tipframe"); }
    void SetUp() override {
        savedLanguage = getCurrentLanguage();
        setCurrentLanguage(0);
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        tip = TipFrameLabel::create("frame_black_sel.png", PADDING, 16);
        ASSERT_NE(tip, nullptr);
        scene->addChild(tip, 990);
        CCDirector::sharedDirector()->stepFrame(0);
    }
    void TearDown() override {
        setCurrentLanguage(savedLanguage);
        SceneTest::TearDown();
    }
    static CCSize textSize(TipFrameLabel* label) {
        for (CCNode* child : label->getChildren())
            if (auto* text = dynamic_cast<CCLabelTTF*>(child)) return text->getContentSize();
        return CCSizeZero;
    }
    // The tip's rectangle in world space.
    static CCRect worldBox(TipFrameLabel* label) {
        const CCPoint origin = label->convertToWorldSpace(CCPointZero);
        const CCSize size = label->getFrameSize();
        return CCRect(origin.x, origin.y, size.width, size.height);
    }
    static void expectInsideWindow(const CCRect& box) {
        EXPECT_GE(box.origin.x, 0);
        EXPECT_GE(box.origin.y, 0);
        EXPECT_LE(box.origin.x + box.size.width, 900.0f);
        EXPECT_LE(box.origin.y + box.size.height, 600.0f);
    }

    int savedLanguage = 0;
    TipFrameLabel* tip = nullptr;
};

TEST_F(TipFrameLabelTest, FrameIsTheTextPlusPaddingOnEachSide) {
    tip->setText("Short", ccWHITE);
    const CCSize shortText = textSize(tip);
    ASSERT_GT(shortText.width, 0);
    ASSERT_GT(shortText.height, 0);
    EXPECT_EQ(tip->getFrameSize(), CCSize(shortText.width + 60, shortText.height + 40));
    EXPECT_EQ(tip->getContentSize(), tip->getFrameSize());

    tip->setText("A much longer line of text than before", ccc3(255, 0, 0));
    const CCSize longText = textSize(tip);
    EXPECT_GT(longText.width, shortText.width);
    EXPECT_EQ(tip->getFrameSize(), CCSize(longText.width + 60, longText.height + 40));
    EXPECT_EQ(tip->getText(), "A much longer line of text than before");

    tip->setText("Short", ccWHITE);
    EXPECT_EQ(tip->getFrameSize(), CCSize(shortText.width + 60, shortText.height + 40));

    // The text is centred in the frame.
    for (CCNode* child : tip->getChildren()) {
        EXPECT_FLOAT_EQ(child->getPositionX(), tip->getFrameSize().width / 2);
        EXPECT_FLOAT_EQ(child->getPositionY(), tip->getFrameSize().height / 2);
    }
}

TEST_F(TipFrameLabelTest, MissingFrameImageStillSizesAroundTheText) {
    TipFrameLabel* unframed = TipFrameLabel::create("no_such_frame.png", CCSize(8, 4), 14);
    ASSERT_NE(unframed, nullptr);
    unframed->setText("Tip", ccWHITE);
    const CCSize text = textSize(unframed);
    EXPECT_GT(text.width, 0);
    EXPECT_EQ(unframed->getFrameSize(), CCSize(text.width + 16, text.height + 8));
}

TEST_F(TipFrameLabelTest, TipSitsAboveThePointOrBelowItNearTheTop) {
    tip->showTip("Layout", CCPoint(450, 300));
    EXPECT_TRUE(tip->isVisible());
    const CCSize size = tip->getFrameSize();
    CCRect box = worldBox(tip);
    EXPECT_FLOAT_EQ(box.origin.x + size.width / 2, 450);
    EXPECT_FLOAT_EQ(box.origin.y, 300 + TipFrameLabel::TIP_GAP);

    tip->showTip("Layout", CCPoint(450, 590));
    box = worldBox(tip);
    EXPECT_FLOAT_EQ(box.origin.y + size.height, 590 - TipFrameLabel::TIP_GAP);

    tip->hideTip();
    EXPECT_FALSE(tip->isVisible());
}

TEST_F(TipFrameLabelTest, TipIsKeptInsideTheWindowAtEveryEdge) {
    const std::vector<CCPoint> points = {{0, 0},     {900, 0},   {0, 600}, {900, 600}, {2, 300},
                                         {898, 300}, {450, 599}, {450, 1}, {-50, -50}, {1000, 700}};
    for (const CCPoint& at : points) {
        tip->showTip("Select the time zone of the clock", at);
        SCOPED_TRACE(testing::Message() << "at " << at.x << ", " << at.y);
        expectInsideWindow(worldBox(tip));
    }
    // Pinned to the edge, not pushed further in than needed.
    tip->showTip("Select the time zone of the clock", CCPoint(900, 300));
    EXPECT_FLOAT_EQ(worldBox(tip).origin.x + tip->getFrameSize().width, 900);
    tip->showTip("Select the time zone of the clock", CCPoint(0, 300));
    EXPECT_FLOAT_EQ(worldBox(tip).origin.x, 0);

    // Placed in world space also when its parent is moved or the window grows.
    CCNode* holder = CCNode::create();
    holder->setPosition(100, 50);
    scene->addChild(holder);
    TipFrameLabel* inner = TipFrameLabel::create("frame_black_sel.png", CCSize(6, 3), 14);
    holder->addChild(inner);
    inner->showTip("Settings", CCPoint(899, 599));
    expectInsideWindow(worldBox(inner));
    CCDirector::sharedDirector()->setWinSize(CCSize(1200, 800));
    inner->showTip("Settings", CCPoint(1190, 400));
    EXPECT_FLOAT_EQ(worldBox(inner).origin.x + inner->getFrameSize().width, 1200);
}

TEST_F(TipFrameLabelTest, ShowsAndHidesTheHoveredButtonsTip) {
    tip->hideTip();
    PanelButton::setTipDisplay(tip->makeTipDisplay());
    PanelButton* layout = PanelButton::create("layout.png", "layout_sel.png", 1, [](PanelButton*) {});
    PanelButton* add = PanelButton::create("add.png", "add_sel.png", 2, [](PanelButton*) {});
    ASSERT_NE(layout, nullptr);
    ASSERT_NE(add, nullptr);
    layout->setTipsInfo("layout");
    add->setTipsInfo("addStock");
    layout->setPosition(100, 100);
    add->setPosition(300, 100);
    scene->addChild(layout);
    scene->addChild(add);

    CCEGLView* view = CCEGLView::sharedOpenGLView();
    view->handleMouseMove(100, 500);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->getText(), "Layout");
    EXPECT_GT(worldBox(tip).origin.y, 100);

    // A leave that arrives after the next button's hover keeps the new tip.
    add->OnMouseHover();
    layout->OnMouseLeave();
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->getText(), "Add chart");

    add->OnMouseLeave();
    EXPECT_FALSE(tip->isVisible());
}

}  // namespace
