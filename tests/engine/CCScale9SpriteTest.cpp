#include <gtest/gtest.h>

#include <algorithm>

#include "CCScale9Sprite.h"
#include "CCSpriteFrame.h"
#include "CCTexture2D.h"
#include "RecordingFixture.h"

USING_NS_CC;

namespace {

TEST_F(RecordingTest, NineSliceKeepsCornersAndStretchesTheRest) {
    auto* texture = new CCTexture2D();
    ASSERT_TRUE(texture->initWithRGBA(nullptr, 30, 30));
    CCSpriteFrame* frame = CCSpriteFrame::createWithTexture(texture, CCRect(0, 0, 30, 30));
    texture->release();
    CCScale9Sprite* box = CCScale9Sprite::createWithSpriteFrame(frame, CCRect(10, 10, 10, 10));
    EXPECT_EQ(box->getOriginalSize(), CCSize(30, 30));
    box->setAnchorPoint(ccp(0, 0));
    box->setPreferredSize(CCSize(100, 60));
    box->setOpacity(160);
    scene_->addChild(box);

    auto quads = (drawFrame(), recorder_->primitives(CCPrimitiveType::TexturedQuad));
    ASSERT_EQ(quads.size(), 9u);
    std::vector<float> xs, ys;
    for (const auto& q : quads) {
        xs.push_back(q.points[0].x);
        xs.push_back(q.points[2].x);
        ys.push_back(q.points[0].y);
        ys.push_back(q.points[2].y);
        EXPECT_NEAR(q.color.a, 160 / 255.0f, 1e-3);
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    EXPECT_EQ(xs, (std::vector<float>{0, 10, 90, 100}));
    EXPECT_EQ(ys, (std::vector<float>{0, 10, 50, 60}));

    // Smaller than the corners: the corners squeeze, nothing overlaps or turns inside out.
    box->setContentSize(CCSize(10, 60));
    quads = (drawFrame(), recorder_->primitives(CCPrimitiveType::TexturedQuad));
    for (const auto& q : quads) {
        EXPECT_GE(q.points[2].x, q.points[0].x);
        EXPECT_LE(q.points[2].x, 10.0f);
    }
    // A missing frame gives an empty node that draws nothing.
    CCScale9Sprite* missing = CCScale9Sprite::createWithSpriteFrameName("nothing.png");
    ASSERT_NE(missing, nullptr);
    scene_->addChild(missing);
    EXPECT_EQ((drawFrame(), recorder_->primitives(CCPrimitiveType::TexturedQuad)).size(), quads.size());
}

}  // namespace
