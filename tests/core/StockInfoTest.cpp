#include "StockInfo.h"

#include <gtest/gtest.h>

#include <string>

#include "CCLabelProtocol.h"
#include "CCNode.h"
#include "CCUserDefault.h"
#include "TempHome.h"
#include "TestSupport.h"
#include "UserData.h"

USING_NS_CC;

namespace {
// A display node that takes a text, as the panels' labels do.
class TestLabel : public CCNode, public CCLabelProtocol {
public:
    void setString(const char* text) override { text_ = text; }
    const char* getString() const override { return text_.c_str(); }

private:
    std::string text_ = "---";
};

// Both views of one record: labels A and B, four coloured boxes.
class StockInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCUserDefault::purgeSharedUserDefault();
        inverse_ = UserData::getInstance()->getInverseRedGreen();
        UserData::getInstance()->setInverseRedGreen(false);
        for (CCNode*& box : boxes_) box = new CCNode();
        record_.setPriceLabelA(&priceA_);
        record_.setChangeLabelA(&changeA_);
        record_.setColorItemA1(boxes_[0]);
        record_.setColorItemA2(boxes_[1]);
        record_.setPriceLabelB(&priceB_);
        record_.setChangeLabelB(&changeB_);
        record_.setColorItemB1(boxes_[2]);
        record_.setColorItemB2(boxes_[3]);
    }
    void TearDown() override {
        UserData::getInstance()->setInverseRedGreen(inverse_);
        for (CCNode* box : boxes_) box->release();
        CCUserDefault::purgeSharedUserDefault();
    }

    void expectTexts(const char* price, const char* change) {
        EXPECT_STREQ(priceA_.getString(), price);
        EXPECT_STREQ(priceB_.getString(), price);
        EXPECT_STREQ(changeA_.getString(), change);
        EXPECT_STREQ(changeB_.getString(), change);
    }
    void expectColor(const ccColor3B& color) {
        for (CCNode* box : boxes_) EXPECT_EQ(box->getColor(), color);
    }

    // The settings store is loaded from here when a quote first asks it for the colour convention.
    TempHome home_;
    StockInfo record_{"外汇", "欧元美元", "EURUSD", "直盘", 1};
    TestLabel priceA_, changeA_, priceB_, changeB_;
    CCNode* boxes_[4] = {};
    bool inverse_ = false;
};
}  // namespace

TEST_F(StockInfoTest, QuotesWriteTextsAndColoursIntoBothViews) {
    record_.updateQuote(1.08765f, 1700000000, 1.08f, 1.0890f, 1.0790f);
    EXPECT_FLOAT_EQ(record_.getLastPrice(), 1.08765f);
    EXPECT_EQ(record_.getQuoteTime(), 1700000000);
    EXPECT_FLOAT_EQ(record_.getReferencePrice(), 1.08f);
    EXPECT_FLOAT_EQ(record_.getSecondValue(), 1.0890f);
    EXPECT_FLOAT_EQ(record_.getThirdValue(), 1.0790f);
    EXPECT_NEAR(record_.getChangeRatio(), 0.0070833f, 1e-6);
    expectTexts("1.08765", "0.708%");
    expectColor(StockInfo::UP_COLOR);

    record_.updateQuote(99.875f, 1700000060, 100.0f, 0, 0);
    expectTexts("99.875", "-0.125%");
    expectColor(StockInfo::DOWN_COLOR);

    record_.updateQuote(1234.5f, 0, 1234.5f, 0, 0);
    expectTexts("1234.5", "0.000%");
    expectColor(StockInfo::UP_COLOR);  // no change counts as up

    // The inverse-colour setting swaps the colours, labels keep their texts.
    UserData::getInstance()->setInverseRedGreen(true);
    record_.updateQuote(1234.5f, 0, 1234.5f, 0, 0);
    expectColor(StockInfo::DOWN_COLOR);
    record_.updateQuote(1000.0f, 0, 1234.5f, 0, 0);
    expectColor(StockInfo::UP_COLOR);
    record_.refreshColor(false);
    expectColor(StockInfo::DOWN_COLOR);
}

TEST_F(StockInfoTest, AZeroReferenceIsStoredAsOne) {
    record_.updateQuote(3.5f, 5, 0.0f, 0, 0);
    EXPECT_EQ(record_.getReferencePrice(), 1.0f);
    EXPECT_FLOAT_EQ(record_.getChangeRatio(), 2.5f);
    expectTexts("3.5", "250.000%");

    record_.updateQuote(0.0f, 5, 0.0f, 0, 0);
    expectTexts("0", "-100.000%");
    expectColor(StockInfo::DOWN_COLOR);
}

TEST_F(StockInfoTest, MissingDisplaysAreSkippedAndCopiesShareThem) {
    StockInfo copy = record_;
    EXPECT_EQ(copy.getPriceLabelA(), &priceA_);
    EXPECT_EQ(copy.getColorItemB2(), boxes_[3]);
    EXPECT_EQ(copy.getCode(), "EURUSD");

    // A plain node registered as a label is recoloured by nobody and given no text; null slots are skipped.
    CCNode* plain = new CCNode();
    record_.setPriceLabelA(plain);
    record_.setChangeLabelB(nullptr);
    record_.setColorItemA2(nullptr);
    record_.updateQuote(2.0f, 1, 1.0f, 0, 0);
    EXPECT_STREQ(priceB_.getString(), "2");
    EXPECT_STREQ(changeA_.getString(), "100.000%");
    EXPECT_STREQ(changeB_.getString(), "---");
    EXPECT_EQ(plain->getColor(), ccWHITE);
    plain->release();

    record_.detachDisplays();
    for (CCNode* node : {record_.getPriceLabelA(), record_.getChangeLabelA(), record_.getColorItemA1(),
                         record_.getColorItemA2(), record_.getPriceLabelB(), record_.getChangeLabelB(),
                         record_.getColorItemB1(), record_.getColorItemB2()}) {
        EXPECT_EQ(node, nullptr);
    }
    record_.updateQuote(5.0f, 1, 1.0f, 0, 0);
    EXPECT_STREQ(priceB_.getString(), "2");

    EXPECT_FALSE(record_.getFlag());
    EXPECT_TRUE(record_.setFlag(true));
    EXPECT_EQ(record_.setSmallId(1004), 1004);
    EXPECT_EQ(record_.setBigId(3), 3);
}
