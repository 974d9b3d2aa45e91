#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "CCFileUtils.h"
#include "CCFontAtlas.h"
#include "CCLabelAtlas.h"
#include "CCLabelTTF.h"
#include "CCTextureCache.h"
#include "RecordingFixture.h"
#include "TempHome.h"

USING_NS_CC;

namespace {

constexpr const char* FONT = "res/fonts/MiYaHei.ttf";

class LabelTest : public RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        if (CCFontAtlas::resolveFontPath(FONT).empty())
            GTEST_SKIP() << "no CJK font installed (fonts-wqy-microhei)";
    }
};

TEST_F(LabelTest, TextIsLaidOutAgainOnlyWhenTextFontOrSizeChange) {
    CCLabelTTF* label = CCLabelTTF::create("123.45", FONT, 13);
    scene_->addChild(label);
    unsigned int renders = label->getRenderCount();
    CCSize size = label->getContentSize();
    EXPECT_GT(size.width, 20);
    EXPECT_GT(size.height, 10);

    label->setString("123.45");
    label->setColor(ccc3(80, 88, 108));
    label->setOpacity(100);
    label->setPosition(300, 9);
    label->setScale(2);
    drawFrame();
    drawFrame();
    EXPECT_EQ(label->getRenderCount(), renders);

    label->setString("123.46");
    EXPECT_EQ(label->getRenderCount(), renders + 1);
    label->setFontSize(13);
    EXPECT_EQ(label->getRenderCount(), renders + 1);
    label->setFontSize(20);
    EXPECT_EQ(label->getRenderCount(), renders + 2);
    EXPECT_GT(label->getContentSize().height, size.height);
    label->setFontName("res/fonts/Other.ttf");  // falls back to the same file, still a new font name
    EXPECT_EQ(label->getRenderCount(), renders + 3);
}

TEST_F(LabelTest, LabelsWithoutAFontTakeTheDefaultTheApplicationGives) {
    CCFontAtlas::setDefaultFont(FONT);
    EXPECT_STREQ(CCLabelTTF::create()->getFontName(), FONT);
    EXPECT_STREQ(CCLabelTTF::create("x", "", 12)->getFontName(), FONT);
    EXPECT_EQ(CCFontAtlas::resolveFontPath("res/fonts/Missing.ttf"), CCFontAtlas::resolveFontPath(FONT));
    CCFontAtlas::setDefaultFont("");
    EXPECT_STREQ(CCLabelTTF::create()->getFontName(), "");
}

TEST_F(LabelTest, RecordsTextAtTheAnchorWithItsColour) {
    CCLabelTTF* label = CCLabelTTF::create("17:03:00", FONT, 13);
    label->setPosition(450, 9);
    label->setColor(ccc3(80, 88, 108));
    scene_->addChild(label);
    auto texts = (drawFrame(), recorder_->primitives(CCPrimitiveType::Text));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].name, "17:03:00");
    EXPECT_FLOAT_EQ(texts[0].points[0].x, 450);
    EXPECT_FLOAT_EQ(texts[0].points[0].y, 9);
    EXPECT_NEAR(texts[0].color.r, 80 / 255.0f, 1e-3);
    EXPECT_FLOAT_EQ(texts[0].fontSize, 13);
    EXPECT_EQ(texts[0].glyphCount, 8u);  // every character has pixels
    // All glyphs of a font and size come from shared pages.
    EXPECT_GE(CCFontAtlas::get(CCFontAtlas::resolveFontPath(FONT), 13)->pageCount(), 1u);

    // Empty labels draw nothing but keep a line's height, so rows can be measured.
    label->setString("");
    EXPECT_GT(label->getContentSize().height, 0);
    EXPECT_TRUE((drawFrame(), recorder_->texts()).empty());
}

TEST_F(LabelTest, WrapsAtTheWidthBetweenWordsAndCJKCharactersAndAligns) {
    CCLabelTTF* one = CCLabelTTF::create("alpha beta", FONT, 16);
    float lineHeight = one->getContentSize().height;
    float widthOfAlpha = CCLabelTTF::create("alpha", FONT, 16)->getContentSize().width;

    CCLabelTTF* words = CCLabelTTF::create("alpha beta gamma delta", FONT, 16, CCSize(widthOfAlpha + 30, 0),
                                           kCCTextAlignmentLeft);
    EXPECT_EQ(words->getLineCount(), 4u);
    EXPECT_FLOAT_EQ(words->getContentSize().width, widthOfAlpha + 30);
    EXPECT_NEAR(words->getContentSize().height, 4 * lineHeight, 0.5);

    CCLabelTTF* cjk =
        CCLabelTTF::create("美元兑日元今日上涨零点五个百分点", FONT, 16, CCSize(70, 0), kCCTextAlignmentLeft);
    EXPECT_GE(cjk->getLineCount(), 3u);
    CCLabelTTF* newline = CCLabelTTF::create("a\nb\nc", FONT, 16);
    EXPECT_EQ(newline->getLineCount(), 3u);

    // Right alignment puts the shorter line's end at the box's right edge.
    CCLabelTTF* right = CCLabelTTF::create("x", FONT, 16, CCSize(200, 0), kCCTextAlignmentRight);
    CCLabelTTF* left = CCLabelTTF::create("x", FONT, 16, CCSize(200, 0), kCCTextAlignmentLeft);
    EXPECT_NEAR(right->getCaretX(1), 200, 0.5);
    EXPECT_NEAR(left->getCaretX(0), 0, 0.5);
}

TEST_F(RecordingTest, LabelAtlasCutsCellsFromTheStartCharacter) {
    TempHome home;
    // Four 8 x 10 cells in a 2 x 2 grid: '0' '1' / '2' '3'.
    std::vector<uint8_t> rgba(16 * 20 * 4, 255);
    std::string path = home.file("digits.png");
    ASSERT_TRUE(writePng(path, 16, 20, rgba));
    CCLabelAtlas* label = CCLabelAtlas::create("3120", path.c_str(), 8, 10, '0');
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->getContentSize(), CCSize(32, 10));
    label->setString("3x");  // 'x' lies outside the image: blank, but its width counts
    EXPECT_EQ(label->getContentSize(), CCSize(16, 10));
    scene_->addChild(label);
    auto texts = (drawFrame(), recorder_->primitives(CCPrimitiveType::Text));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].name, "3x");
    EXPECT_EQ(texts[0].glyphCount, 1u);
    EXPECT_EQ(CCLabelAtlas::create("1", home.file("missing.png").c_str(), 8, 10, '0'), nullptr);
    EXPECT_EQ(CCLabelAtlas::create("1", path.c_str(), 0, 10, '0'), nullptr);
    CCTextureCache::purgeSharedTextureCache();
}

}  // namespace
