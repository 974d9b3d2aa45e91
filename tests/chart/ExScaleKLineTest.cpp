#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "CCDirector.h"
#include "CCNode.h"
#include "ExScaleKLine.h"

USING_NS_CC;

namespace {

TEST(ExScaleKLine, RefusesAMissingInfoOrCallback) {
    EXPECT_EQ(ExScaleKLine::create(1.0f, nullptr, [](ScaleKLineInfo*) {}), nullptr);
    ScaleKLineInfo info;
    EXPECT_EQ(ExScaleKLine::create(1.0f, &info, nullptr), nullptr);
}

TEST(ExScaleKLine, ReportsDoneOnlyAtTheEnd) {
    ScaleKLineInfo info;
    info.fromWidth = 6;
    info.toWidth = 2;
    info.finished = false;
    std::vector<std::pair<float, bool>> steps;
    CCDirector::purgeDirector();
    CCScene* scene = CCScene::create();
    CCDirector::sharedDirector()->runWithScene(scene);
    CCNode* target = CCNode::create();
    scene->addChild(target);
    auto step = [](int frames, float dt) {
        for (int i = 0; i < frames; ++i) CCDirector::sharedDirector()->stepFrame(dt);
    };
    target->runAction(ExScaleKLine::create(
        0.25f, &info, [&](ScaleKLineInfo* i) { steps.emplace_back(i->currentWidth, i->finished); }));
    step(5, 0.05f);
    ASSERT_EQ(steps.size(), 5u);
    for (size_t i = 0; i + 1 < steps.size(); ++i) EXPECT_FALSE(steps[i].second) << "step " << i;
    EXPECT_TRUE(steps.back().second);
    EXPECT_FLOAT_EQ(steps.back().first, 2.0f);
    EXPECT_NEAR(steps[1].first, 6 - 4 * 0.4f, 1e-4);
    step(3, 0.05f);
    EXPECT_EQ(steps.size(), 5u);
    CCDirector::purgeDirector();
}

}  // namespace
