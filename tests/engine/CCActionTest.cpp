#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CCActionManager.h"
#include "CCDirector.h"
#include "CCNode.h"
#include "FrameSteps.h"

USING_NS_CC;

namespace {

class ActionTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCDirector::purgeDirector();
        scene = CCScene::create();
        CCDirector::sharedDirector()->runWithScene(scene);
        node = CCNode::create();
        scene->addChild(node);
    }
    void TearDown() override { CCDirector::purgeDirector(); }
    void step(int frames, float dt = 0.1f) { stepFor(static_cast<float>(frames) * dt, dt); }
    CCScene* scene = nullptr;
    CCNode* node = nullptr;
};

TEST_F(ActionTest, DelayThenCallFiresOnceAtItsStep) {
    int calls = 0;
    node->runAction(
        CCSequence::create(CCDelayTime::create(0.5f), CCCallFunc::create([&] { ++calls; }), nullptr));
    step(4);
    EXPECT_EQ(calls, 0);
    step(1);
    EXPECT_EQ(calls, 1);
    step(10);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(node->numberOfRunningActions(), 0u);
}

TEST_F(ActionTest, MoveScaleFadeRotateInterpolateAndEndExactly) {
    node->setPosition(0, 0);
    node->setOpacity(255);
    node->runAction(CCMoveTo::create(1.0f, ccp(100, 50)));
    node->runAction(CCScaleTo::create(1.0f, 3.0f));
    node->runAction(CCFadeTo::create(1.0f, 55));
    node->runAction(CCRotateTo::create(1.0f, 90));
    step(5);
    EXPECT_NEAR(node->getPositionX(), 50, 1e-3);
    EXPECT_NEAR(node->getPositionY(), 25, 1e-3);
    EXPECT_NEAR(node->getScale(), 2.0f, 1e-4);
    EXPECT_EQ(node->getOpacity(), 155);
    EXPECT_NEAR(node->getRotation(), 45, 1e-3);
    step(6);
    EXPECT_EQ(node->getPosition(), ccp(100, 50));
    EXPECT_FLOAT_EQ(node->getScale(), 3.0f);
    EXPECT_EQ(node->getOpacity(), 55);
    EXPECT_FLOAT_EQ(node->getRotation(), 90);
}

TEST_F(ActionTest, MoveByAndFadesAndShowHide) {
    node->setPosition(10, 10);
    node->runAction(CCSequence::create(CCMoveBy::create(0.2f, ccp(5, -5)), CCHide::create(),
                                       CCFadeOut::create(0.2f), CCShow::create(), nullptr));
    step(2);
    EXPECT_EQ(node->getPosition(), ccp(15, 5));
    EXPECT_FALSE(node->isVisible());
    step(2);
    EXPECT_EQ(node->getOpacity(), 0);
    EXPECT_TRUE(node->isVisible());
}

TEST_F(ActionTest, RepeatForeverKeepsItsRhythm) {
    int calls = 0;
    CCActionInterval* beat =
        CCSequence::create(CCDelayTime::create(0.25f), CCCallFunc::create([&] { ++calls; }), nullptr);
    node->runAction(CCRepeatForever::create(beat));
    step(10);  // 1.0 s
    EXPECT_EQ(calls, 4);
    step(10);
    EXPECT_EQ(calls, 8);
}

TEST_F(ActionTest, StopByTagStopsOnlyThatAction) {
    int a = 0, b = 0;
    CCAction* first = CCRepeatForever::create(
        CCSequence::create(CCDelayTime::create(0.1f), CCCallFunc::create([&] { ++a; }), nullptr));
    first->setTag(7);
    CCAction* second = CCRepeatForever::create(
        CCSequence::create(CCDelayTime::create(0.1f), CCCallFunc::create([&] { ++b; }), nullptr));
    second->setTag(8);
    node->runAction(first);
    node->runAction(second);
    step(3);
    EXPECT_EQ(node->getActionByTag(7), first);
    node->stopActionByTag(7);
    EXPECT_EQ(node->getActionByTag(7), nullptr);
    step(3);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 6);
}

TEST_F(ActionTest, RemoveSelfDetachesTheNode) {
    node->runAction(CCSequence::create(CCDelayTime::create(0.1f), CCRemoveSelf::create(), nullptr));
    EXPECT_EQ(scene->getChildrenCount(), 1u);
    step(1);
    EXPECT_EQ(scene->getChildrenCount(), 0u);
}

TEST_F(ActionTest, ActionsOfANodeOutsideTheSceneWaitUntilItEnters) {
    CCNode* loose = CCNode::create();
    loose->runAction(CCMoveTo::create(0.2f, ccp(10, 0)));
    step(5);
    EXPECT_EQ(loose->getPositionX(), 0);
    scene->addChild(loose);
    step(2);
    EXPECT_EQ(loose->getPositionX(), 10);
}

TEST_F(ActionTest, CallFuncSelectorRetainsItsTarget) {
    struct Target : CCObject {
        int calls = 0;
        void call() { ++calls; }
    };
    auto* target = new Target();
    node->runAction(CCSequence::create(CCDelayTime::create(0.1f),
                                       CCCallFunc::create(target, callfunc_selector(Target::call)), nullptr));
    EXPECT_EQ(target->retainCount(), 2u);
    step(2);
    EXPECT_EQ(target->calls, 1);
    EXPECT_EQ(target->retainCount(), 1u);  // the finished action was freed with the frame
    target->release();
}

TEST_F(ActionTest, FactoriesRefuseNegativeOrNanDurations) {
    EXPECT_EQ(CCDelayTime::create(-1.0f), nullptr);
    EXPECT_EQ(CCMoveTo::create(NAN, ccp(0, 0)), nullptr);
    EXPECT_NE(CCDelayTime::create(0.0f), nullptr);
}

}  // namespace
