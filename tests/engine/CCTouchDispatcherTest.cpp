#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCEGLView.h"
#include "CCSet.h"
#include "CCTouch.h"
#include "CCTouchDispatcher.h"
#include "RecordingFixture.h"

USING_NS_CC;

namespace {

// A targeted delegate on a node: claims touches that begin on it; logs every call.
class Target : public CCNode, public CCTouchDelegate {
public:
    static Target* create(const std::string& name, std::vector<std::string>* log,
                          bool claimAnywhere = false) {
        auto* t = new Target();
        t->name_ = name;
        t->log_ = log;
        t->claimAnywhere_ = claimAnywhere;
        t->setContentSize(CCSize(100, 100));
        t->autorelease();
        return t;
    }
    bool ccTouchBegan(CCTouch* touch, CCEvent*) override {
        CCPoint p = touch->getLocation();
        bool mine = claimAnywhere_ || IsPointOnMe(p.x, p.y);
        log_->push_back(name_ + (mine ? ":began" : ":ignored"));
        return mine;
    }
    void ccTouchMoved(CCTouch*, CCEvent*) override { log_->push_back(name_ + ":moved"); }
    void ccTouchEnded(CCTouch* touch, CCEvent*) override {
        CCPoint p = touch->getLocation();
        log_->push_back(name_ + (IsPointOnMe(p.x, p.y) ? ":ended-inside" : ":ended-outside"));
    }
    std::string name_;
    std::vector<std::string>* log_ = nullptr;
    bool claimAnywhere_ = false;
};

// A standard delegate with the multi-touch entry points (as the chart uses them).
class Watcher : public CCNode, public CCTouchDelegate {
public:
    static Watcher* create(std::vector<std::string>* log) {
        auto* w = new Watcher();
        w->log_ = log;
        w->autorelease();
        return w;
    }
    void ccTouchesBegan(CCSet* touches, CCEvent*) override { record("began", touches); }
    void ccTouchesMoved(CCSet* touches, CCEvent*) override { record("moved", touches); }
    void ccTouchesEnded(CCSet* touches, CCEvent*) override { record("ended", touches); }
    void record(const char* phase, CCSet* touches) {
        auto* touch = static_cast<CCTouch*>(touches->anyObject());
        CCPoint p = touch->getLocation();
        log_->push_back(std::string("all:") + phase + ":" + std::to_string(touches->count()) + "@" +
                        std::to_string(static_cast<int>(p.x)) + "," + std::to_string(static_cast<int>(p.y)));
    }
    std::vector<std::string>* log_ = nullptr;
};

class TouchTest : public RecordingTest {
protected:
    CCTouchDispatcher* touches() { return director()->getTouchDispatcher(); }
    // Window coordinates, y down, through the view (no window needed).
    void press(float x, float y) { CCEGLView::sharedOpenGLView()->handleMouseDown(x, y); }
    void move(float x, float y) { CCEGLView::sharedOpenGLView()->handleMouseMove(x, y); }
    void release(float x, float y) { CCEGLView::sharedOpenGLView()->handleMouseUp(x, y); }
    void TearDown() override {
        CCEGLView::purgeSharedOpenGLView();
        RecordingTest::TearDown();
    }
    std::vector<std::string> log_;
};

TEST_F(TouchTest, TargetedDelegatesRunInPriorityOrderAndSwallowingStopsTheRest) {
    Target* low = Target::create("low", &log_, true);
    Target* high = Target::create("high", &log_, true);
    Target* same = Target::create("same", &log_, true);
    Watcher* all = Watcher::create(&log_);
    touches()->addTargetedDelegate(low, 10, false, false, false);
    touches()->addStandardDelegate(all, -1000);
    touches()->addTargetedDelegate(high, -10, false, false, false);
    touches()->addTargetedDelegate(same, 10, false, false, false);

    press(5, 595);  // GL (5, 5)
    EXPECT_EQ(log_, (std::vector<std::string>{"high:began", "low:began", "same:began", "all:began:1@5,5"}));

    // A swallowing delegate keeps the touch from everyone after it (standard delegates included).
    log_.clear();
    release(5, 595);
    touches()->setPriority(0, low);
    touches()->removeDelegate(low);
    touches()->addTargetedDelegate(low, 0, true);
    log_.clear();
    press(5, 595);
    move(6, 594);
    release(6, 594);
    EXPECT_EQ(log_, (std::vector<std::string>{"high:began", "low:began", "high:moved", "low:moved",
                                              "high:ended-inside", "low:ended-inside"}));
    touches()->removeAllDelegates();
}

TEST_F(TouchTest, ATouchThatBeginsOutsideANodeNeverReachesIt) {
    Target* button = Target::create("button", &log_);
    button->setPosition(200, 200);  // covers GL 200..300
    scene_->addChild(button);
    touches()->addTargetedDelegate(button, 0, true);

    press(100, 500);  // GL (100, 100): outside
    move(250, 350);   // now over the button
    release(250, 350);
    EXPECT_EQ(log_, (std::vector<std::string>{"button:ignored"}));

    log_.clear();
    press(250, 350);  // GL (250, 250): inside
    move(500, 100);
    release(500, 100);
    EXPECT_EQ(log_, (std::vector<std::string>{"button:began", "button:moved", "button:ended-outside"}));

    // Hidden nodes are not hit, whatever their own flag says.
    log_.clear();
    CCNode* holder = CCNode::create();
    scene_->addChild(holder);
    button->retain();
    button->removeFromParent();
    holder->addChild(button);
    button->release();
    holder->setVisible(false);
    press(250, 350);
    release(250, 350);
    EXPECT_EQ(log_, (std::vector<std::string>{"button:ignored"}));
    touches()->removeAllDelegates();
}

TEST_F(TouchTest, DelegatesMayRemoveThemselvesWhileATouchIsDispatched) {
    struct Quitter : public Target {
        bool ccTouchBegan(CCTouch* t, CCEvent* e) override {
            bool claimed = Target::ccTouchBegan(t, e);
            CCDirector::sharedDirector()->getTouchDispatcher()->removeDelegate(this);
            return claimed;
        }
    };
    auto* quitter = new Quitter();
    quitter->name_ = "quitter";
    quitter->log_ = &log_;
    quitter->claimAnywhere_ = true;
    Target* next = Target::create("next", &log_, true);
    touches()->addTargetedDelegate(quitter, 0, false);
    touches()->addTargetedDelegate(next, 1, false);
    quitter->release();  // the dispatcher holds the last reference now
    press(1, 599);       // GL (1, 1)
    release(1, 599);
    EXPECT_EQ(log_, (std::vector<std::string>{"quitter:began", "next:began", "next:ended-inside"}));
    EXPECT_FALSE(touches()->hasDelegate(quitter));
    touches()->removeAllDelegates();
}

TEST_F(TouchTest, LayersRegisterWhileInTheSceneAndTouchesCarryWindowAndGLCoordinates) {
    struct Screen : public CCLayer {
        bool ccTouchBegan(CCTouch* touch, CCEvent*) override {
            began = touch->getLocation();
            inView = touch->getLocationInView();
            return true;
        }
        void ccTouchMoved(CCTouch* touch, CCEvent*) override { delta = touch->getDelta(); }
        CCPoint began, inView, delta;
    };
    auto* screen = new Screen();
    screen->init();
    screen->autorelease();
    screen->setTouchMode(kCCTouchesOneByOne);
    screen->setTouchPriority(-490);
    screen->setTouchEnabled(true);
    EXPECT_FALSE(touches()->hasDelegate(screen));  // not running yet
    scene_->addChild(screen);
    EXPECT_TRUE(touches()->hasDelegate(screen));
    press(30, 100);
    move(40, 90);
    EXPECT_EQ(screen->began, CCPoint(30, 500));
    EXPECT_EQ(screen->inView, CCPoint(30, 100));
    EXPECT_EQ(screen->delta, CCPoint(10, 10));
    release(40, 90);
    screen->removeFromParent();
    EXPECT_FALSE(touches()->hasDelegate(screen));
}

}  // namespace
