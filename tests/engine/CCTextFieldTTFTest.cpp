#include <gtest/gtest.h>

#include <string>

#include "CCEGLView.h"
#include "CCFontAtlas.h"
#include "CCIMEDispatcher.h"
#include "CCKeyboard.h"
#include "CCTextFieldTTF.h"
#include "RecordingFixture.h"

USING_NS_CC;

namespace {

class TextFieldTest : public RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        field_ = CCTextFieldTTF::textFieldWithPlaceHolder("search", "res/fonts/MiYaHei.ttf", 16);
        field_->setOnChange([this](CCTextFieldTTF* f) { changes_.push_back(f->getString()); });
        field_->setOnEnter([this](CCTextFieldTTF*) { ++enters_; });
        scene_->addChild(field_);
    }
    void TearDown() override {
        CCEGLView::purgeSharedOpenGLView();
        RecordingTest::TearDown();
    }
    void type(const std::string& text) { CCEGLView::sharedOpenGLView()->handleTextInput(text); }
    void key(CCKeyCode k) {
        CCEGLView::sharedOpenGLView()->handleKey(k, true);
        CCEGLView::sharedOpenGLView()->handleKey(k, false);
    }
    CCTextFieldTTF* field_ = nullptr;
    std::vector<std::string> changes_;
    int enters_ = 0;
};

TEST_F(TextFieldTest, TakesTypedTextOnlyWhileAttachedAndCutsAtTheMaximumLength) {
    type("ignored");
    EXPECT_STREQ(field_->getString(), "");
    ASSERT_TRUE(field_->attachWithIME());
    EXPECT_EQ(CCIMEDispatcher::sharedDispatcher()->getFocus(), field_);
    field_->setMaxLength(6);
    type("EUR");
    type("美元兑日元");  // only three of five characters fit
    EXPECT_STREQ(field_->getString(), "EUR美元兑");
    EXPECT_EQ(field_->getCharCount(), 6);
    type("X");
    EXPECT_STREQ(field_->getString(), "EUR美元兑");
    EXPECT_EQ(changes_, (std::vector<std::string>{"EUR", "EUR美元兑"}));

    // Setting a text, or lowering the maximum, cuts too.
    field_->setString("ABCDEFGHIJ");
    EXPECT_STREQ(field_->getString(), "ABCDEF");
    field_->setMaxLength(3);
    EXPECT_STREQ(field_->getString(), "ABC");
    field_->setMaxLength(0);
    type("DEFGHIJ");
    EXPECT_EQ(field_->getCharCount(), 10);

    field_->detachWithIME();
    type("Z");
    EXPECT_EQ(field_->getCharCount(), 10);
    EXPECT_EQ(CCIMEDispatcher::sharedDispatcher()->getFocus(), nullptr);
}

TEST_F(TextFieldTest, EditsAtTheCursorWithTheEditingKeys) {
    field_->attachWithIME();
    type("USDJPY");
    key(kCCKeyLeft);
    key(kCCKeyLeft);
    key(kCCKeyLeft);
    key(kCCKeyBackspace);
    EXPECT_STREQ(field_->getString(), "USJPY");
    type("D");
    EXPECT_STREQ(field_->getString(), "USDJPY");
    EXPECT_EQ(field_->getCursorPosition(), 3);
    key(kCCKeyHome);
    key(kCCKeyDelete);
    EXPECT_STREQ(field_->getString(), "SDJPY");
    key(kCCKeyEnd);
    key(kCCKeyBackspace);
    EXPECT_STREQ(field_->getString(), "SDJP");
    key(kCCKeyEnter);
    EXPECT_EQ(enters_, 1);
    // A pasted line break ends the input; control characters are dropped.
    type("\tX\nY");
    EXPECT_STREQ(field_->getString(), "SDJPX");
    EXPECT_EQ(enters_, 2);
    // The keys still reach the key-state query.
    CCEGLView::sharedOpenGLView()->handleKey(kCCKeyLeft, true);
    EXPECT_TRUE(CCKeyboard::isKeyDown(kCCKeyLeft));
    CCEGLView::sharedOpenGLView()->handleKey(kCCKeyLeft, false);
    EXPECT_FALSE(CCKeyboard::isKeyDown(kCCKeyLeft));
}

TEST_F(TextFieldTest, ShowsThePlaceholderWhileEmptyAndTheCursorWhileAttached) {
    if (CCFontAtlas::resolveFontPath("res/fonts/MiYaHei.ttf").empty()) GTEST_SKIP() << "no font installed";
    field_->setColorSpaceHolder(ccc3(100, 100, 100));
    auto texts = (drawFrame(), recorder_->primitives(CCPrimitiveType::Text));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].name, "search");
    EXPECT_NEAR(texts[0].color.r, 100 / 255.0f, 1e-3);
    EXPECT_TRUE(recorder_->primitives(CCPrimitiveType::Lines).empty());

    field_->attachWithIME();
    type("gold");
    const auto& frame = drawFrame(0.1f);  // the cursor shows in the first half second
    ASSERT_EQ(frame.size(), 2u);
    EXPECT_EQ(frame[0].name, "gold");
    EXPECT_EQ(frame[1].type, CCPrimitiveType::Lines);
    drawFrame(0.5f);  // and blinks off in the next
    EXPECT_TRUE(recorder_->primitives(CCPrimitiveType::Lines).empty());
    // A second field taking the focus detaches the first.
    CCTextFieldTTF* other = CCTextFieldTTF::textFieldWithPlaceHolder("", "res/fonts/MiYaHei.ttf", 16);
    other->attachWithIME();
    EXPECT_FALSE(field_->isAttached());
    type("x");
    EXPECT_STREQ(field_->getString(), "gold");
    EXPECT_STREQ(other->getString(), "x");
}

}  // namespace
