#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCActionInstant.h"
#include "CCDirector.h"
#include "CCNode.h"
#include "EXDelayFunc.h"
#include "ExChangeLabelString.h"
#include "ExScaleWindows.h"
#include "FrameSteps.h"

USING_NS_CC;

namespace {

// A node that records what the delayed calls hand it.
class Receiver : public CCNode {
public:
    static Receiver* make() {
        auto* r = new Receiver();
        r->autorelease();
        return r;
    }
    void plain() { calls.push_back("plain"); }
    void withInt(int v) { calls.push_back("int " + std::to_string(v)); }
    void withBool(bool v) { calls.push_back(v ? "bool true" : "bool false"); }
    void withPointer(void* p) { calls.push_back(p == this ? "pointer self" : "pointer other"); }
    void withFloat(float v) { calls.push_back("float " + std::to_string(v)); }
    std::vector<std::string> calls;
};

class NumberProbe : public CCNode, public NumberLabel {
public:
    static NumberProbe* make() {
        auto* p = new NumberProbe();
        p->autorelease();
        return p;
    }
    void setNumberText(const char* t) override { text = t; }
    void setNumberValue(float v) override { value = v; }
    std::string text;
    float value = -1;
};

class EngineActionHelpers : public ::testing::Test {
protected:
    void SetUp() override {
        CCDirector::purgeDirector();
        scene = CCScene::create();
        CCDirector::sharedDirector()->runWithScene(scene);
        receiver = Receiver::make();
        scene->addChild(receiver);
    }
    void TearDown() override { CCDirector::purgeDirector(); }
    void step(int frames, float dt = 0.1f) { stepFor(static_cast<float>(frames) * dt, dt); }
    CCScene* scene = nullptr;
    Receiver* receiver = nullptr;
};

TEST_F(EngineActionHelpers, EachDelayedCallFiresOnceAtItsStepWithItsArgument) {
    receiver->runAction(EXDelayFunc::create(callfunc_selector(Receiver::plain), 0.3f));
    receiver->runAction(EXDelayFuncI::create(receiver, callfuncI_selector(Receiver::withInt), 5, 0.3f));
    EXDelayFuncB* b = EXDelayFuncB::create(callfuncB_selector(Receiver::withBool), 0.3f);
    receiver->runAction(b);
    receiver->runAction(EXDelayFuncB::create(callfuncB_selector(Receiver::withBool), 0.3f));
    b->setFlag(true);
    receiver->runAction(EXDelayFuncVoid::create(callfuncV_selector(Receiver::withPointer), receiver, 0.3f));
    receiver->runAction(EXDelayFuncF::create(callfuncF_selector(Receiver::withFloat), 1.5f, 0.3f));
    step(2);
    EXPECT_TRUE(receiver->calls.empty());
    step(1);
    EXPECT_EQ(receiver->calls, (std::vector<std::string>{"plain", "int 5", "bool true", "bool false",
                                                         "pointer self", "float " + std::to_string(1.5f)}));
    step(10);
    EXPECT_EQ(receiver->calls.size(), 6u);
}

TEST_F(EngineActionHelpers, DelayedCallRemovedEarlyStillCallsBackOnce) {
    Receiver* other = Receiver::make();
    other->retain();
    EXDelayFuncI* action = EXDelayFuncI::create(other, callfuncI_selector(Receiver::withInt), 9, 3.0f);
    action->setTag(11);
    receiver->runAction(action);
    step(1);
    EXPECT_TRUE(other->calls.empty());
    receiver->stopActionByTag(11);
    EXPECT_EQ(other->calls, (std::vector<std::string>{"int 9"}));
    step(40);
    EXPECT_EQ(other->calls.size(), 1u);
    other->release();
}

TEST_F(EngineActionHelpers, DelayedCallObjectOutlivesTheDelay) {
    Receiver* other = Receiver::make();
    other->retain();
    step(1);  // drain the pool: only our reference is left
    ASSERT_EQ(other->retainCount(), 1u);
    receiver->runAction(EXDelayFuncI::create(other, callfuncI_selector(Receiver::withInt), 1, 0.2f));
    EXPECT_EQ(other->retainCount(), 2u);
    step(3);
    EXPECT_EQ(other->calls.size(), 1u);
    EXPECT_EQ(other->retainCount(), 1u);  // released with the action
    other->release();
}

TEST_F(EngineActionHelpers, DelayedCallOnANodeThatLeavesRunsOnce) {
    receiver->runAction(EXDelayFunc::create(callfunc_selector(Receiver::plain), 1.0f));
    receiver->retain();
    receiver->removeFromParent();  // cleanup stops the action early
    EXPECT_EQ(receiver->calls.size(), 1u);
    receiver->release();
}

TEST_F(EngineActionHelpers, FactoriesRefuseMissingFunctionsAndBadDurations) {
    EXPECT_EQ(EXDelayFunc::create(nullptr, 1.0f), nullptr);
    EXPECT_EQ(EXDelayFuncF::create(callfuncF_selector(Receiver::withFloat), 1.0f, -1.0f), nullptr);
    EXPECT_EQ(EXDelayFuncI::create(receiver, nullptr, 1, 1.0f), nullptr);
    EXPECT_EQ(ExScaleWindows::create(1.0f, CCRect(), CCRect(), nullptr), nullptr);
}

TEST_F(EngineActionHelpers, DelayedCallsDriveARetryLoop) {
    struct Retrier : Receiver {
        int attempts = 0;
        void attempt() {
            if (++attempts < 3) runAction(EXDelayFunc::create(callfunc_selector(Retrier::attempt), 3.0f));
        }
    };
    auto* r = new Retrier();
    r->autorelease();
    scene->addChild(r);
    r->attempt();
    step(30);
    EXPECT_EQ(r->attempts, 2);
    step(30);
    EXPECT_EQ(r->attempts, 3);
    step(100);
    EXPECT_EQ(r->attempts, 3);
}

TEST_F(EngineActionHelpers, ChangeLabelStringGlidesAndEndsOnTheFinalValue) {
    NumberProbe* label = NumberProbe::make();
    scene->addChild(label);
    ExChangeLabelString* glide = ExChangeLabelString::create(1.0f, 1.0f, 2.0f);
    EXPECT_EQ(glide->getFormat(), "%.3f");
    EXPECT_TRUE(glide->getLabelKind());
    label->runAction(glide);
    step(5);
    EXPECT_EQ(label->text, "1.500");
    EXPECT_FLOAT_EQ(label->value, 1.5f);
    step(10);
    EXPECT_EQ(label->text, "2.000");

    ExChangeLabelString* early = ExChangeLabelString::create(1.0f, 1.0f, 2.0f);
    early->setFormat("%g");
    early->setTag(3);
    label->runAction(early);
    step(2);
    EXPECT_EQ(label->text, "1.2");
    label->stopActionByTag(3);
    EXPECT_EQ(label->text, "2");
    EXPECT_FLOAT_EQ(label->value, 2.0f);
}

TEST_F(EngineActionHelpers, ScaleWindowsGlidesPositionAndSizeWithoutScalingTheNode) {
    std::vector<CCRect> seen;
    receiver->runAction(ExScaleWindows::create(
        0.2f, CCRect(0, 0, 100, 50), CCRect(100, 20, 300, 150),
        [&](const CCPoint& p, const CCSize& s) { seen.push_back(CCRect(p.x, p.y, s.width, s.height)); }));
    step(1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], CCRect(50, 10, 200, 100));
    step(1);
    EXPECT_EQ(seen.back(), CCRect(100, 20, 300, 150));
    EXPECT_FLOAT_EQ(receiver->getScale(), 1.0f);
}

}  // namespace
