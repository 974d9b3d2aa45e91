#include <gtest/gtest.h>

#include <vector>

#include "CCArray.h"
#include "CCDirector.h"
#include "CCNode.h"
#include "CCString.h"

USING_NS_CC;

namespace {

class NodeTest : public ::testing::Test {
protected:
    void SetUp() override { CCDirector::purgeDirector(); }
    void TearDown() override { CCDirector::purgeDirector(); }
};

TEST_F(NodeTest, ConvertsBetweenNodeAndWorldWithAnchorScaleAndNesting) {
    CCNode* parent = CCNode::create();
    parent->setContentSize(CCSize(200, 100));
    parent->setAnchorPoint(ccp(0.5f, 0.5f));
    parent->setPosition(300, 200);  // bottom-left corner at (200, 150)
    parent->setScale(2.0f);         // around the anchor: corner at (100, 100)
    CCNode* child = CCNode::create();
    child->setPosition(10, 20);
    parent->addChild(child);

    CCPoint world = child->convertToWorldSpace(ccp(0, 0));
    EXPECT_NEAR(world.x, 100 + 10 * 2, 1e-4);
    EXPECT_NEAR(world.y, 100 + 20 * 2, 1e-4);
    CCPoint back = child->convertToNodeSpace(world);
    EXPECT_NEAR(back.x, 0, 1e-4);
    EXPECT_NEAR(back.y, 0, 1e-4);
    CCRect box = parent->boundingBox();
    EXPECT_NEAR(box.getMinX(), 100, 1e-4);
    EXPECT_NEAR(box.size.width, 400, 1e-4);
}

TEST_F(NodeTest, RotationIsClockwiseInDegrees) {
    CCNode* n = CCNode::create();
    n->setRotation(90);
    CCPoint p = n->convertToWorldSpace(ccp(1, 0));
    EXPECT_NEAR(p.x, 0, 1e-5);
    EXPECT_NEAR(p.y, -1, 1e-5);
}

TEST_F(NodeTest, LayersPlaceTheirCornerWhateverTheAnchor) {
    CCDirector::sharedDirector()->setWinSize(CCSize(900, 600));
    CCLayer* layer = CCLayer::create();
    layer->setPosition(10, 20);
    EXPECT_EQ(layer->getContentSize(), CCSize(900, 600));
    CCPoint p = layer->convertToWorldSpace(ccp(0, 0));
    EXPECT_NEAR(p.x, 10, 1e-5);
    EXPECT_NEAR(p.y, 20, 1e-5);
}

TEST_F(NodeTest, ChildrenVisitInZOrderThenArrivalOrder) {
    std::vector<int> drawn;
    struct Probe : CCNode {
        std::vector<int>* log = nullptr;
        int id = 0;
        void draw() override { log->push_back(id); }
    };
    auto make = [&](int id) {
        auto* p = new Probe();
        p->log = &drawn;
        p->id = id;
        p->autorelease();
        return p;
    };
    Probe* root = make(0);
    root->addChild(make(1), 2);
    root->addChild(make(2), -1);
    root->addChild(make(3), 2);
    Probe* four = make(4);
    root->addChild(four, 0);
    root->visit();
    EXPECT_EQ(drawn, (std::vector<int>{2, 0, 4, 1, 3}));
    drawn.clear();
    four->setZOrder(5);
    four->setVisible(true);
    root->getChildByTag(-1);
    root->visit();
    EXPECT_EQ(drawn, (std::vector<int>{2, 0, 1, 3, 4}));
    drawn.clear();
    four->setVisible(false);
    root->visit();
    EXPECT_EQ(drawn, (std::vector<int>{2, 0, 1, 3}));
}

TEST_F(NodeTest, TagsFindChildrenAndRemovalReleases) {
    CCNode* root = CCNode::create();
    CCNode* child = CCNode::create();
    root->addChild(child, 0, 42);
    EXPECT_EQ(root->getChildByTag(42), child);
    child->retain();
    root->removeChildByTag(42);
    EXPECT_EQ(root->getChildByTag(42), nullptr);
    EXPECT_EQ(child->getParent(), nullptr);
    child->release();
}

TEST_F(NodeTest, EnterAndExitReachTheWholeSubtree) {
    struct Probe : CCNode {
        int enters = 0, exits = 0;
        void onEnter() override {
            CCNode::onEnter();
            ++enters;
        }
        void onExit() override {
            CCNode::onExit();
            ++exits;
        }
    };
    auto* leaf = new Probe();
    leaf->autorelease();
    CCNode* middle = CCNode::create();
    middle->addChild(leaf);
    CCScene* scene = CCScene::create();
    CCDirector::sharedDirector()->runWithScene(scene);
    scene->addChild(middle);
    EXPECT_TRUE(leaf->isRunning());
    EXPECT_EQ(leaf->enters, 1);
    middle->removeFromParent();
    EXPECT_FALSE(leaf->isRunning());
    EXPECT_EQ(leaf->exits, 1);
}

TEST_F(NodeTest, OpacityCascadesWhenEnabled) {
    CCNode* parent = CCNode::create();
    parent->setCascadeOpacityEnabled(true);
    CCNode* child = CCNode::create();
    parent->addChild(child);
    parent->setOpacity(128);
    EXPECT_EQ(child->getOpacity(), 255);
    EXPECT_EQ(child->getDisplayedOpacity(), 128);
}

TEST_F(NodeTest, AutoreleasedObjectsLiveUntilTheEndOfTheFrame) {
    struct Probe : CCObject {
        bool* freed;
        explicit Probe(bool* f) : freed(f) {}
        ~Probe() override { *freed = true; }
    };
    bool freed = false;
    (new Probe(&freed))->autorelease();
    EXPECT_FALSE(freed);
    CCDirector::sharedDirector()->stepFrame(0.016f);
    EXPECT_TRUE(freed);
}

TEST_F(NodeTest, StringsAndArrays) {
    CCString* s = CCString::createWithFormat("%s:%d:%.1f", "EURUSD", 15, 1.5);
    EXPECT_STREQ(s->getCString(), "EURUSD:15:1.5");
    std::string longText(5000, 'x');
    EXPECT_EQ(CCString::createWithFormat("%s", longText.c_str())->length(), 5000u);
    EXPECT_EQ(CCString::create("42")->intValue(), 42);

    CCArray* array = CCArray::create();
    CCNode* a = CCNode::create();
    CCNode* b = CCNode::create();
    array->addObject(a);
    array->addObject(b);
    array->insertObject(b, 0);
    EXPECT_EQ(array->count(), 3u);
    EXPECT_EQ(array->indexOfObject(b), 0u);
    array->removeObject(b);
    EXPECT_EQ(array->objectAtIndex(0), a);
    EXPECT_EQ(array->objectAtIndex(7), nullptr);
    EXPECT_EQ(b->retainCount(), 2u);  // the pool and the array
    array->removeAllObjects();
    EXPECT_EQ(array->count(), 0u);
}

}  // namespace
