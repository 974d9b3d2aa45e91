#include <gtest/gtest.h>

#include "CCEGLView.h"
#include "CCMouseDispatcher.h"
#include "CCScrollView.h"
#include "CCSprite.h"
#include "RecordingFixture.h"

USING_NS_CC;

namespace {

class Counter : public CCScrollViewDelegate {
public:
    void scrollViewDidScroll(CCScrollView*) override { ++scrolls; }
    int scrolls = 0;
};

class ScrollViewTest : public RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        // A 200 x 100 window at (50, 60) on a list 500 tall.
        view_ = CCScrollView::create(CCSize(200, 100));
        view_->setPosition(50, 60);
        view_->setContentSize(CCSize(200, 500));
        view_->setDelegate(&counter_);
        scene_->addChild(view_);
    }
    void TearDown() override {
        CCEGLView::purgeSharedOpenGLView();
        RecordingTest::TearDown();
    }
    CCScrollView* view_ = nullptr;
    Counter counter_;
};

TEST_F(ScrollViewTest, OffsetsStayBetweenTheTopAndTheBottomOfTheList) {
    EXPECT_EQ(view_->minContainerOffset(), CCPoint(0, -400));
    EXPECT_EQ(view_->maxContainerOffset(), CCPoint(0, 0));
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, -400));  // starts at the top of the list
    view_->setContentOffset(ccp(30, -100));
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, -100));  // vertical only
    view_->setContentOffset(ccp(0, 50));
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, 0));
    view_->setContentOffset(ccp(0, -1000));
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, -400));
    EXPECT_EQ(counter_.scrolls, 3);
    view_->setContentOffset(ccp(0, -400));
    EXPECT_EQ(counter_.scrolls, 3);  // no move, no call

    // A list shorter than the window sits at the window's top.
    view_->setContentSize(CCSize(200, 40));
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, 60));
    EXPECT_EQ(view_->getScrollBarRect(), CCRectZero);
    view_->setContentSize(CCSize(200, 500));
    view_->setContentOffset(view_->minContainerOffset());

    // Children join the container and scroll with it.
    CCNode* row = CCNode::create();
    row->setContentSize(CCSize(200, 50));
    row->setPosition(0, 450);
    view_->addChild(row);
    EXPECT_EQ(row->getParent(), view_->getContainer());
    EXPECT_TRUE(view_->isNodeVisible(row));
    EXPECT_TRUE(row->IsPointOnMe(60, 150));
    view_->setContentOffset(ccp(0, -200));
    EXPECT_FALSE(view_->isNodeVisible(row));
    // Rows scrolled out of the window cannot be hit where they are clipped away.
    EXPECT_FALSE(row->IsPointOnMe(60, 320));
}

TEST_F(ScrollViewTest, WheelAndDragScrollAndTheBarFollows) {
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    view->handleMouseMove(100, 500);  // GL (100, 100): over the window
    view->handleMouseWheel(0, -1);    // towards the user: further down the list
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, -360));
    view->handleMouseWheel(0, 1);
    view->handleMouseWheel(0, 1);
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, -400));
    view->handleMouseMove(400, 500);  // elsewhere: the wheel is not ours
    view->handleMouseWheel(0, -1);
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, -400));

    CCRect top = view_->getScrollBarRect();
    EXPECT_EQ(top, CCRect(196, 65, 4, 35));

    // A small jiggle is a click, not a drag; a longer move drags the list with the pointer.
    view->handleMouseDown(100, 520);  // GL (100, 80)
    view->handleMouseMove(100, 518);
    EXPECT_FALSE(view_->isDragging());
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, -400));
    view->handleMouseMove(100, 490);  // up by 30 in GL
    EXPECT_TRUE(view_->isDragging());
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, -372));
    view->handleMouseUp(100, 490);
    EXPECT_FALSE(view_->isDragging());
    EXPECT_TRUE(view_->isTouchMoved());

    view_->setContentOffset(ccp(0, 0));
    EXPECT_EQ(view_->getScrollBarRect(), CCRect(196, 0, 4, 35));
    // A touch that begins outside the window does not scroll it.
    view->handleMouseDown(400, 100);
    view->handleMouseMove(400, 300);
    view->handleMouseUp(400, 300);
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, 0));
}

TEST_F(ScrollViewTest, DrawsClippedToItsWindowWithTheBarOnTop) {
    CCSprite* row = CCSprite::create();
    row->setTextureRect(CCRect(0, 0, 200, 50));
    row->setAnchorPoint(ccp(0, 0));
    row->setPosition(0, 450);
    view_->addChild(row);
    const auto& frame = drawFrame();
    ASSERT_EQ(frame.size(), 4u);
    EXPECT_EQ(frame[0].type, CCPrimitiveType::Scissor);
    EXPECT_EQ(frame[0].rect, CCRect(50, 60, 200, 100));
    EXPECT_EQ(frame[1].type, CCPrimitiveType::SolidPolygon);
    EXPECT_EQ(frame[1].points[0], CCPoint(50, 110));  // 60 - 400 + 450
    EXPECT_EQ(frame[2].type, CCPrimitiveType::Scissor);
    EXPECT_FALSE(frame[2].enabled);
    EXPECT_EQ(frame[3].type, CCPrimitiveType::SolidPolygon);  // the bar
    EXPECT_EQ(frame[3].points[0], CCPoint(246, 125));
}

}  // namespace

TEST_F(ScrollViewTest, HiddenListTakesNoClicksOrWheel) {
    // A list inside a hidden panel: the click and the wheel pass to whatever is shown there.
    CCNode* panel = CCNode::create();
    scene_->addChild(panel);
    view_->retain();
    view_->removeFromParent();
    panel->addChild(view_);
    view_->release();
    panel->setVisible(false);
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    view->handleMouseDown(100, 520);
    view->handleMouseMove(100, 490);
    view->handleMouseUp(100, 490);
    view->handleMouseMove(100, 500);
    view->handleMouseWheel(0, -1);
    EXPECT_FALSE(view_->isTouchMoved());
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, -400));
    panel->setVisible(true);
    view->handleMouseWheel(0, -1);
    EXPECT_EQ(view_->getContentOffset(), CCPoint(0, -360));
}
