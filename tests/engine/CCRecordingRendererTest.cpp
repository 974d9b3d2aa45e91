#include <gtest/gtest.h>

#include <vector>

#include "CCClippingNode.h"
#include "CCDrawingPrimitives.h"
#include "CCLayerColor.h"
#include "CCSprite.h"
#include "RecordingFixture.h"

USING_NS_CC;

namespace {

// A node that draws with the immediate primitives.
class Painter : public CCNode {
public:
    static Painter* create() {
        auto* p = new Painter();
        p->autorelease();
        return p;
    }
    void draw() override {
        ccLineWidth(3);
        ccDrawColor4F(1, 0, 0, 1);
        ccDrawLine(ccp(0, 0), ccp(10, 0));
        CCPoint poly[3] = {{0, 0}, {10, 0}, {10, 10}};
        ccGLEnableLineSmooth(true);
        ccDrawPoly(poly, 3, false);
        ccDrawPoly(poly, 3, true);
        ccGLResetState();
        ccDrawSolidPoly(poly, 3, ccc4f(0, 1, 0, 0.5f));
        ccDrawPoint(ccp(5, 5));
    }
};

// A node that scissors its children to its box, the way the chart view does.
class ScissorNode : public CCNode {
public:
    static ScissorNode* create(const CCRect& box) {
        auto* n = new ScissorNode();
        n->box_ = box;
        n->autorelease();
        return n;
    }
    void visit() override {
        ccPushScissor(box_);
        inside = ccGetScissorRect();
        CCNode::visit();
        ccPopScissor();
    }
    CCRect box_;
    CCRect inside;
};

CCSprite* solid(float w, float h, ccColor3B color) {
    CCSprite* s = CCSprite::create();
    s->setTextureRect(CCRect(0, 0, w, h));
    s->setColor(color);
    return s;
}

TEST_F(RecordingTest, NodeTransformsApplyAnchorScaleAndNesting) {
    CCNode* parent = CCNode::create();
    parent->setContentSize(CCSize(100, 100));
    parent->setAnchorPoint(ccp(0.5f, 0.5f));
    parent->setPosition(200, 200);  // corner at (150, 150)
    parent->setScale(2);            // around the anchor: corner at (100, 100)
    CCSprite* child = solid(10, 20, ccRED);
    child->setAnchorPoint(ccp(0, 0));
    child->setPosition(5, 5);
    parent->addChild(child);
    scene_->addChild(parent);

    auto polys = (drawFrame(), recorder_->primitives(CCPrimitiveType::SolidPolygon));
    ASSERT_EQ(polys.size(), 1u);
    const auto& pts = polys[0].points;
    ASSERT_EQ(pts.size(), 4u);
    EXPECT_FLOAT_EQ(pts[0].x, 110);  // 100 + 5 * 2
    EXPECT_FLOAT_EQ(pts[0].y, 110);
    EXPECT_FLOAT_EQ(pts[2].x, 130);  // + 10 * 2
    EXPECT_FLOAT_EQ(pts[2].y, 150);  // + 20 * 2
    EXPECT_FLOAT_EQ(polys[0].color.r, 1);
    EXPECT_FLOAT_EQ(polys[0].color.g, 0);

    // A centred sprite (default anchor) and rotation by a quarter turn.
    child->setAnchorPoint(ccp(0.5f, 0.5f));
    child->setPosition(0, 0);
    parent->setScale(1);
    parent->setRotation(90);
    polys = (drawFrame(), recorder_->primitives(CCPrimitiveType::SolidPolygon));
    ASSERT_EQ(polys.size(), 1u);
    // The child's corner is the parent's point (-5, -10), turned with the parent.
    CCPoint expected = parent->convertToWorldSpace(ccp(-5, -10));
    EXPECT_NEAR(polys[0].points[0].x, expected.x, 1e-3);
    EXPECT_NEAR(polys[0].points[0].y, expected.y, 1e-3);
    EXPECT_EQ(recorder_->getMatrixDepth(), 0u);
}

TEST_F(RecordingTest, ChildrenDrawInZOrderAroundTheParent) {
    CCLayerColor* back = CCLayerColor::create(ccc4(0, 0, 255, 255), 10, 10);
    CCSprite* parent = solid(10, 10, ccGREEN);
    CCSprite* front = solid(10, 10, ccRED);
    CCSprite* middle = solid(10, 10, ccYELLOW);
    parent->addChild(front, 5);
    parent->addChild(back, -1);
    parent->addChild(middle, 0);
    scene_->addChild(parent);

    auto polys = (drawFrame(), recorder_->primitives(CCPrimitiveType::SolidPolygon));
    ASSERT_EQ(polys.size(), 4u);
    EXPECT_FLOAT_EQ(polys[0].color.b, 1);  // z -1 before the parent
    EXPECT_FLOAT_EQ(polys[1].color.g, 1);  // the parent itself (green)
    EXPECT_FLOAT_EQ(polys[1].color.r, 0);
    EXPECT_FLOAT_EQ(polys[2].color.r, 1);  // z 0 (yellow)
    EXPECT_FLOAT_EQ(polys[2].color.g, 1);
    EXPECT_FLOAT_EQ(polys[3].color.g, 0);  // z 5 (red) last

    // Reordering takes effect on the next frame; hidden nodes draw nothing.
    parent->reorderChild(front, -5);
    middle->setVisible(false);
    polys = (drawFrame(), recorder_->primitives(CCPrimitiveType::SolidPolygon));
    ASSERT_EQ(polys.size(), 3u);
    EXPECT_FLOAT_EQ(polys[0].color.r, 1);
    EXPECT_FLOAT_EQ(polys[0].color.g, 0);
}

TEST_F(RecordingTest, PrimitivesKeepStateColourWidthAndOrder) {
    Painter* painter = Painter::create();
    painter->setPosition(100, 50);
    scene_->addChild(painter);
    const auto& frame = drawFrame();
    ASSERT_EQ(frame.size(), 5u);
    EXPECT_EQ(frame[0].type, CCPrimitiveType::Lines);
    EXPECT_FLOAT_EQ(frame[0].lineWidth, 3);
    EXPECT_FALSE(frame[0].smooth);
    EXPECT_FLOAT_EQ(frame[0].points[1].x, 110);
    EXPECT_FLOAT_EQ(frame[0].points[1].y, 50);
    EXPECT_EQ(frame[1].type, CCPrimitiveType::Polyline);
    EXPECT_TRUE(frame[1].smooth);
    EXPECT_EQ(frame[1].points.size(), 3u);
    EXPECT_EQ(frame[2].type, CCPrimitiveType::ClosedPolyline);
    EXPECT_EQ(frame[3].type, CCPrimitiveType::SolidPolygon);
    EXPECT_FLOAT_EQ(frame[3].color.a, 0.5f);
    EXPECT_EQ(frame[4].type, CCPrimitiveType::Points);
    EXPECT_FLOAT_EQ(frame[4].lineWidth, 1);  // reset
    EXPECT_FLOAT_EQ(frame[4].color.r, 1);    // back to white
    EXPECT_FLOAT_EQ(frame[4].color.g, 1);
    // Each frame starts from the default state, whatever the last one left.
    EXPECT_FLOAT_EQ(drawFrame()[0].color.g, 0);
}

TEST_F(RecordingTest, NestedScissorsIntersectDisjointOnesChangeNothingAndPopsRestore) {
    ScissorNode* outer = ScissorNode::create(CCRect(100, 100, 400, 300));
    ScissorNode* inner = ScissorNode::create(CCRect(300, 50, 400, 200));
    ScissorNode* disjoint = ScissorNode::create(CCRect(700, 500, 50, 50));
    ScissorNode* after = ScissorNode::create(CCRect(0, 0, 10, 10));
    outer->addChild(inner);
    inner->addChild(disjoint);
    scene_->addChild(outer);
    scene_->addChild(after);

    auto cuts = (drawFrame(), recorder_->primitives(CCPrimitiveType::Scissor));
    EXPECT_EQ(outer->inside, CCRect(100, 100, 400, 300));
    EXPECT_EQ(inner->inside, CCRect(300, 100, 200, 150));
    EXPECT_EQ(disjoint->inside, CCRect(300, 100, 200, 150));  // unchanged
    EXPECT_EQ(after->inside, CCRect(0, 0, 10, 10));           // nothing active any more: its own
    // on(outer), on(inner), restore(outer), off, on(after), off: the disjoint one records nothing.
    ASSERT_EQ(cuts.size(), 6u);
    EXPECT_TRUE(cuts[0].enabled);
    EXPECT_EQ(cuts[1].rect, CCRect(300, 100, 200, 150));
    EXPECT_EQ(cuts[2].rect, CCRect(100, 100, 400, 300));
    EXPECT_FALSE(cuts[3].enabled);
    EXPECT_TRUE(cuts[4].enabled);
    EXPECT_FALSE(cuts[5].enabled);
}

TEST_F(RecordingTest, ClippingNodeDrawsItsStencilThenItsContentInsideTheClip) {
    CCSprite* shape = solid(50, 40, ccWHITE);
    shape->setAnchorPoint(ccp(0, 0));
    CCClippingNode* clip = CCClippingNode::create(shape);
    clip->setPosition(10, 20);
    clip->setInverted(true);
    CCLayerColor* content = CCLayerColor::create(ccc4(0, 255, 0, 255), 200, 200);
    clip->addChild(content);
    CCClippingNode* nested = CCClippingNode::create(solid(5, 5, ccWHITE));
    nested->addChild(solid(8, 8, ccRED));
    clip->addChild(nested);
    scene_->addChild(clip);

    const auto& frame = drawFrame();
    std::vector<CCPrimitiveType> types;
    for (const auto& p : frame) types.push_back(p.type);
    std::vector<CCPrimitiveType> expected = {
        CCPrimitiveType::StencilWrite, CCPrimitiveType::SolidPolygon, CCPrimitiveType::StencilTest,
        CCPrimitiveType::SolidPolygon,  // content
        CCPrimitiveType::StencilWrite, CCPrimitiveType::SolidPolygon, CCPrimitiveType::StencilTest,
        CCPrimitiveType::SolidPolygon, CCPrimitiveType::StencilEnd,  // nested
        CCPrimitiveType::StencilEnd};
    ASSERT_EQ(types, expected);
    EXPECT_EQ(frame[0].stencilDepth, 1);
    EXPECT_TRUE(frame[2].inverted);
    EXPECT_EQ(frame[4].stencilDepth, 2);
    EXPECT_FALSE(frame[6].inverted);
    EXPECT_EQ(frame[9].stencilDepth, 0);
    // The stencil shape is placed in the clipping node's space.
    EXPECT_FLOAT_EQ(frame[1].points[0].x, 10);
    EXPECT_FLOAT_EQ(frame[1].points[2].y, 60);

    // Without a stencil the content is simply drawn.
    clip->setStencil(nullptr);
    EXPECT_EQ(recorder_->primitives(CCPrimitiveType::StencilWrite).size(), 2u);
    drawFrame();
    EXPECT_EQ(recorder_->primitives(CCPrimitiveType::StencilWrite).size(), 1u);
}

TEST_F(RecordingTest, DirectorWithoutRendererStillVisitsButDrawsNothing) {
    Painter* painter = Painter::create();
    scene_->addChild(painter);
    drawFrame();
    unsigned int frames = recorder_->getFrameCount();
    director()->setRenderer(nullptr);
    director()->stepFrame(0.1f);  // must not touch the freed recorder
    EXPECT_EQ(director()->getDrawCallCount(), 0u);
    EXPECT_EQ(frames, 1u);
}

}  // namespace
