#include <gtest/gtest.h>

#include "CCActionInstant.h"
#include "CCActionInterval.h"
#include "CCFadeOutTRTiles.h"
#include "CCLayerColor.h"
#include "CCTiledGrid.h"
#include "RecordingFixture.h"

USING_NS_CC;

namespace {

size_t tilesDrawn(const std::vector<CCRecordedPrimitive>& frame) {
    // Solid polygons between the stencil write and the stencil test are the tiles.
    size_t tiles = 0;
    bool writing = false;
    for (const auto& p : frame) {
        if (p.type == CCPrimitiveType::StencilWrite) writing = true;
        if (p.type == CCPrimitiveType::StencilTest) writing = false;
        if (writing && p.type == CCPrimitiveType::SolidPolygon) ++tiles;
    }
    return tiles;
}

TEST_F(RecordingTest, TiledFadeOutShrinksTilesFromTopRightToBottomLeftAndEndsInvisible) {
    CCLayerColor* layer = CCLayerColor::create(ccc4(10, 20, 30, 255), 900, 600);
    scene_->addChild(layer);
    // The connecting screen's grid: (w / 20 + 1) x (h / 20 + 1).
    CCFadeOutTRTiles* fade = CCFadeOutTRTiles::create(0.8f, CCSize(46, 31));
    ASSERT_NE(fade, nullptr);
    EXPECT_FLOAT_EQ(fade->tileScaleAt(45, 30, 0), 1);
    EXPECT_FLOAT_EQ(fade->tileScaleAt(45, 30, 0.3f), 0);  // top right goes first
    EXPECT_FLOAT_EQ(fade->tileScaleAt(0, 0, 0.3f), 1);    // bottom left still whole
    EXPECT_LT(fade->tileScaleAt(22, 15, 0.55f), 1);
    EXPECT_GT(fade->tileScaleAt(22, 15, 0.55f), 0);
    EXPECT_FLOAT_EQ(fade->tileScaleAt(0, 0, 1), 0);
    bool removed = false;
    layer->runAction(CCSequence::create(fade, CCCallFunc::create([&removed] { removed = true; }), nullptr));

    drawFrame(0);
    EXPECT_EQ(tilesDrawn(recorder_->lastFrame()), 46u * 31u);
    drawFrame(0.4f);
    size_t half = tilesDrawn(recorder_->lastFrame());
    EXPECT_GT(half, 0u);
    EXPECT_LT(half, 46u * 31u);
    // The layer itself is still drawn once, through the stencil.
    EXPECT_EQ(recorder_->primitives(CCPrimitiveType::StencilTest).size(), 1u);

    drawFrame(0.41f);
    drawFrame(0.1f);  // the call after the fade
    EXPECT_TRUE(removed);
    EXPECT_TRUE(recorder_->lastFrame().empty());  // nothing of the layer is drawn any more
    ASSERT_NE(layer->getGrid(), nullptr);
    EXPECT_EQ(layer->getGrid()->getVisibleTileCount(), 0);
}

TEST_F(RecordingTest, TiledFadeOutStoppedEarlyLeavesTheNodeWhole) {
    CCLayerColor* layer = CCLayerColor::create(ccc4(10, 20, 30, 255), 100, 100);
    scene_->addChild(layer);
    CCFadeOutTRTiles* fade = CCFadeOutTRTiles::create(1, CCSize(4, 4));
    fade->setTag(7);
    layer->runAction(fade);
    drawFrame(0.5f);
    EXPECT_NE(layer->getGrid(), nullptr);
    layer->stopActionByTag(7);
    EXPECT_EQ(layer->getGrid(), nullptr);
    const auto& frame = drawFrame(0.1f);
    ASSERT_EQ(frame.size(), 1u);
    EXPECT_EQ(frame[0].type, CCPrimitiveType::SolidPolygon);
    EXPECT_EQ(CCFadeOutTRTiles::create(-1, CCSize(2, 2)), nullptr);
}

}  // namespace
