#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCEGLView.h"
#include "CCMouseDispatcher.h"
#include "RecordingFixture.h"

USING_NS_CC;

namespace {

class Hoverable : public CCNode {
public:
    static Hoverable* create(const std::string& name, std::vector<std::string>* log,
                             bool handlesWheel = true) {
        auto* h = new Hoverable();
        h->name_ = name;
        h->log_ = log;
        h->handlesWheel_ = handlesWheel;
        h->setContentSize(CCSize(100, 100));
        h->setMouseEnabled(true);
        h->autorelease();
        return h;
    }
    void OnMouseHover() override { log_->push_back(name_ + ":hover"); }
    void OnMouseLeave() override { log_->push_back(name_ + ":leave"); }
    bool ccMouseMove(float, float) override {
        ++moves;
        return true;
    }
    bool ccMouseWheel(int, float delta, float, float) override {
        log_->push_back(name_ + ":wheel" + (delta > 0 ? "+" : "-"));
        return handlesWheel_;
    }
    std::string name_;
    std::vector<std::string>* log_ = nullptr;
    bool handlesWheel_ = true;
    int moves = 0;
};

class MouseTest : public RecordingTest {
protected:
    void TearDown() override {
        CCEGLView::purgeSharedOpenGLView();
        RecordingTest::TearDown();
    }
    CCMouseDispatcher* mouse() { return director()->getMouseDispatcher(); }
    std::vector<std::string> log_;
};

TEST_F(MouseTest, HoverEnterAndLeaveAreDeliveredOncePerTransition) {
    Hoverable* a = Hoverable::create("a", &log_);
    a->setPosition(100, 100);  // GL 100..200
    scene_->addChild(a);
    Hoverable* outsideScene = Hoverable::create("b", &log_);  // not running: gets nothing

    mouse()->mouseMoved(50, 50);
    mouse()->mouseMoved(150, 150);
    mouse()->mouseMoved(160, 160);
    mouse()->mouseMoved(170, 170);
    EXPECT_TRUE(a->isMouseOver());
    mouse()->mouseMoved(300, 300);
    mouse()->mouseMoved(310, 300);
    EXPECT_EQ(log_, (std::vector<std::string>{"a:hover", "a:leave"}));
    EXPECT_EQ(a->moves, 6);  // every move reaches an enabled node, inside or not
    EXPECT_EQ(outsideScene->moves, 0);

    // Becoming hidden under the pointer counts as leaving; leaving the window too.
    log_.clear();
    mouse()->mouseMoved(150, 150);
    a->setVisible(false);
    mouse()->mouseMoved(151, 150);
    a->setVisible(true);
    mouse()->mouseMoved(152, 150);
    mouse()->mouseLeftWindow();
    EXPECT_EQ(log_, (std::vector<std::string>{"a:hover", "a:leave", "a:hover", "a:leave"}));

    // Disabled or removed nodes stop getting anything.
    log_.clear();
    a->setMouseEnabled(false);
    mouse()->mouseMoved(150, 150);
    a->setMouseEnabled(true);
    a->removeFromParent();
    mouse()->mouseMoved(150, 150);
    EXPECT_TRUE(log_.empty());
}

TEST_F(MouseTest, TheWheelGoesToTheTopmostNodeUnderThePointer) {
    Hoverable* bottom = Hoverable::create("bottom", &log_);
    Hoverable* top = Hoverable::create("top", &log_, false);  // declines: the wheel goes on down
    Hoverable* elsewhere = Hoverable::create("elsewhere", &log_);
    bottom->setPosition(0, 0);
    top->setPosition(50, 50);
    elsewhere->setPosition(500, 0);
    scene_->addChild(top, 2);
    scene_->addChild(bottom, 1);
    scene_->addChild(elsewhere, 3);
    drawFrame();  // establishes the drawing order

    EXPECT_TRUE(mouse()->mouseWheel(0, 1, 75, 75));
    EXPECT_EQ(log_, (std::vector<std::string>{"top:wheel+", "bottom:wheel+"}));
    log_.clear();
    EXPECT_TRUE(mouse()->mouseWheel(0, -1, 10, 10));
    EXPECT_EQ(log_, (std::vector<std::string>{"bottom:wheel-"}));
    log_.clear();
    EXPECT_FALSE(mouse()->mouseWheel(0, 1, 300, 300));
    EXPECT_TRUE(log_.empty());

    // Through the view: the wheel uses the last pointer position, converted from window coordinates.
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    view->handleMouseMove(550, 550);  // GL (550, 50)
    view->handleMouseWheel(0, 2);
    EXPECT_EQ(log_, (std::vector<std::string>{"elsewhere:hover", "elsewhere:wheel+"}));
}

TEST_F(MouseTest, HitTestsUseWorldCoordinatesAndEveryAncestor) {
    CCNode* parent = CCNode::create();
    parent->setPosition(100, 100);
    parent->setScale(2);
    CCNode* child = CCNode::create();
    child->setContentSize(CCSize(10, 10));
    child->setPosition(5, 5);
    parent->addChild(child);
    scene_->addChild(parent);
    EXPECT_TRUE(child->IsPointOnMe(110, 110));
    EXPECT_TRUE(child->isMouseInMe(129, 129));
    EXPECT_FALSE(child->IsPointOnMe(131, 120));
    EXPECT_FALSE(child->IsPointOnMe(109, 120));
    parent->setVisible(false);
    EXPECT_FALSE(child->IsPointOnMe(120, 120));
}

}  // namespace
