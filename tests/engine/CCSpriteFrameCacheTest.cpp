#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "CCFileUtils.h"
#include "CCSprite.h"
#include "CCSpriteFrame.h"
#include "CCSpriteFrameCache.h"
#include "CCTexture2D.h"
#include "CCTextureCache.h"
#include "RecordingFixture.h"
#include "TempHome.h"

USING_NS_CC;

namespace {

const char* PLIST = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple Computer//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
    <dict>
        <key>frames</key>
        <dict>
            <key>logo.png</key>
            <dict>
                <key>frame</key><string>{{0,0},{40,20}}</string>
                <key>offset</key><string>{0,0}</string>
                <key>rotated</key><false/>
                <key>sourceColorRect</key><string>{{0,0},{40,20}}</string>
                <key>sourceSize</key><string>{40,20}</string>
            </dict>
            <key>turned.png</key>
            <dict>
                <key>frame</key><string>{{40,0},{30,10}}</string>
                <key>offset</key><string>{2,-1}</string>
                <key>rotated</key><true/>
                <key>sourceColorRect</key><string>{{3,2},{30,10}}</string>
                <key>sourceSize</key><string>{34,12}</string>
            </dict>
            <key>broken.png</key>
            <dict>
                <key>frame</key><string>{{0,0}}</string>
            </dict>
            <key>outside.png</key>
            <dict>
                <key>frame</key><string>{{60,60},{40,40}}</string>
            </dict>
        </dict>
        <key>metadata</key>
        <dict>
            <key>format</key><integer>2</integer>
            <key>textureFileName</key><string>image.png</string>
            <key>size</key><string>{64,64}</string>
        </dict>
    </dict>
</plist>
)";

class SpriteFrameCacheTest : public RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        home_ = std::make_unique<TempHome>();
        std::filesystem::create_directories(home_->file("res/plist"));
        std::vector<uint8_t> rgba(64 * 64 * 4, 0);
        for (size_t i = 0; i < rgba.size(); i += 4) rgba[i] = rgba[i + 3] = 255;
        ASSERT_TRUE(writePng(home_->file("res/plist/image.png"), 64, 64, rgba));
        std::ofstream(home_->file("res/plist/image.plist")) << PLIST;
        CCFileUtils::sharedFileUtils()->setSearchPaths({home_->path()});
    }
    void TearDown() override {
        CCSpriteFrameCache::purgeSharedSpriteFrameCache();
        CCTextureCache::purgeSharedTextureCache();
        home_.reset();
        RecordingTest::TearDown();
    }
    std::unique_ptr<TempHome> home_;
};

TEST_F(SpriteFrameCacheTest, ReadsFramesOfTheSheetAndSkipsBadEntries) {
    CCSpriteFrameCache* cache = CCSpriteFrameCache::sharedSpriteFrameCache();
    ASSERT_TRUE(cache->addSpriteFramesWithFile("res/plist/image.plist"));
    EXPECT_EQ(cache->getFrameNames(), (std::vector<std::string>{"logo.png", "turned.png"}));
    CCSpriteFrame* logo = cache->spriteFrameByName("logo.png");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->getRect(), CCRect(0, 0, 40, 20));
    EXPECT_EQ(logo->getTexture()->getPixelsWide(), 64);
    CCSpriteFrame* turned = cache->spriteFrameByName("turned.png");
    ASSERT_NE(turned, nullptr);
    EXPECT_TRUE(turned->isRotated());
    EXPECT_EQ(turned->getOffset(), CCPoint(2, -1));
    EXPECT_EQ(turned->getOriginalSize(), CCSize(34, 12));
    // Rotated a quarter clockwise: the frame's bottom-left corner is the area's top-left.
    float u = 0, v = 0;
    turned->texCoordAt(0, 10, &u, &v);
    EXPECT_FLOAT_EQ(u, 40 / 64.0f);
    EXPECT_FLOAT_EQ(v, 0);
    turned->texCoordAt(30, 0, &u, &v);
    EXPECT_FLOAT_EQ(u, 50 / 64.0f);
    EXPECT_FLOAT_EQ(v, 30 / 64.0f);

    EXPECT_EQ(cache->spriteFrameByName("missing.png"), nullptr);
    EXPECT_FALSE(cache->addSpriteFramesWithFile("res/plist/none.plist"));
    std::ofstream(home_->file("res/plist/bad.plist")) << "<plist><dict><key>frames</key>";
    EXPECT_FALSE(cache->addSpriteFramesWithFile("res/plist/bad.plist"));
}

TEST_F(SpriteFrameCacheTest, SpritesDrawTheirFrameFlippedTintedOrEmptyWhenMissing) {
    ASSERT_TRUE(
        CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("res/plist/image.plist"));
    CCSprite* logo = CCSprite::createWithSpriteFrameName("logo.png");
    logo->setPosition(100, 100);
    logo->setOpacity(128);
    logo->setColor(ccc3(220, 220, 220));
    scene_->addChild(logo);
    CCSprite* missing = CCSprite::createWithSpriteFrameName("nothing.png");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->getContentSize(), CCSizeZero);
    scene_->addChild(missing);

    auto quads = (drawFrame(), recorder_->primitives(CCPrimitiveType::TexturedQuad));
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_EQ(quads[0].name, "logo.png");
    EXPECT_NE(quads[0].textureId, 0u);
    EXPECT_EQ(quads[0].points[0], CCPoint(80, 90));
    EXPECT_EQ(quads[0].points[2], CCPoint(120, 110));
    EXPECT_NEAR(quads[0].color.a, 128 / 255.0f, 1e-3);
    EXPECT_NEAR(quads[0].color.r, 220 / 255.0f, 1e-3);

    // Trimmed and rotated frames keep their original size; flipping mirrors inside it.
    CCSprite* turned = CCSprite::createWithSpriteFrameName("turned.png");
    EXPECT_EQ(turned->getContentSize(), CCSize(34, 12));
    turned->setAnchorPoint(ccp(0, 0));
    logo->removeFromParent();
    scene_->addChild(turned);
    quads = (drawFrame(), recorder_->primitives(CCPrimitiveType::TexturedQuad));
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_EQ(quads[0].points[0], CCPoint(4, 0));  // (34 - 30) / 2 + 2, (12 - 10) / 2 - 1
    turned->setFlipX(true);
    quads = (drawFrame(), recorder_->primitives(CCPrimitiveType::TexturedQuad));
    EXPECT_EQ(quads[0].points[0], CCPoint(0, 0));  // mirrored: 34 - 4 - 30

    // A plain image file.
    CCSprite* image = CCSprite::create("res/plist/image.png");
    EXPECT_EQ(image->getContentSize(), CCSize(64, 64));
    image->setDisplayFrame(CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName("logo.png"));
    EXPECT_EQ(image->getContentSize(), CCSize(40, 20));
    EXPECT_EQ(CCSprite::create("res/none.png")->getTexture(), nullptr);
}

}  // namespace
