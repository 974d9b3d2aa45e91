#include <gtest/gtest.h>

#include <rapidjson/document.h>

#include <string>
#include <vector>

#include "CCLabelTTF.h"
#include "CCLayerColor.h"
#include "CCScrollView.h"
#include "CStockPanel.h"
#include "CapturedLog.h"
#include "SceneTest.h"
#include "StockData.h"
#include "StockInfo.h"
#include "UserData.h"

USING_NS_CC;

namespace {

// Codes out of order, one without a flag image, enough rows that the list scrolls.
const char* const CATALOGUE = R"({"result": 1, "nameList": ["fx", "metal"], "list": {
    "fx": [
        {"name": "Euro Dollar", "code": "EURUSD", "category": "major", "listid": "1"},
        {"name": "Aussie Yen", "code": "AUDJPY", "category": "cross", "listid": "1"},
        {"name": "No Flag", "code": "NOFLAG", "category": "cross", "listid": "1"},
        {"name": "Pound Dollar", "code": "GBPUSD", "category": "major", "listid": "1"},
        {"name": "Dollar Yen", "code": "USDJPY", "category": "major", "listid": "1"},
        {"name": "Dollar Franc", "code": "USDCHF", "category": "major", "listid": "1"}
    ],
    "metal": [
        {"name": "Gold", "code": "XAUUSD", "category": "spot", "listid": "2"},
        {"name": "Silver", "code": "XAGUSD", "category": "spot", "listid": "2"}
    ]}})";
const std::vector<std::string> CODES{"AUDJPY", "EURUSD", "GBPUSD", "NOFLAG",
                                     "USDCHF", "USDJPY", "XAGUSD", "XAUUSD"};

void applyCatalogue() {
    rapidjson::Document document;
    document.Parse(CATALOGUE);
    ASSERT_TRUE(StockData::getInstance()->parseStockList(document));
}

class CStockPanelTest : public SceneTest {
protected:
    static void SetUpTestSuite() { setUpUiSuite("stockpanel"); }
    static void TearDownTestSuite() { tearDownUiSuite("stockpanel"); }

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        UserData::getInstance()->setInverseRedGreen(false);
        ASSERT_NO_FATAL_FAILURE(applyCatalogue());
        panel = CStockPanel::create(CCSize(280, 300));
        ASSERT_NE(panel, nullptr);
        panel->setPosition(CCPoint(50, 30));
        panel->setShown(true);
        panel->setRowCallback([this](const std::string& code) { clicked.push_back(code); });
        scene->addChild(panel);
    }

    StockInfo* record(const std::string& code) { return StockData::getInstance()->findStock(code); }
    static std::string text(CCNode* label) { return static_cast<CCLabelTTF*>(label)->getString(); }
    static bool colourIs(CCNode* node, const ccColor3B& colour) {
        const ccColor3B shown = node->getColor();
        return shown.r == colour.r && shown.g == colour.g && shown.b == colour.b;
    }

    CStockPanel* panel = nullptr;
    std::vector<std::string> clicked;
};

TEST_F(CStockPanelTest, RowsListTheCatalogueInCodeOrderWithDashesOnTheUpColour) {
    CapturedLog log;
    panel->getList()->setContentOffset(CCPoint(0, 0));
    panel->rebuild();
    EXPECT_EQ(panel->getListedCodes(), CODES);
    EXPECT_EQ(log.count("addStockList : get stock flag error:NOFLAG"), 1u);
    EXPECT_EQ(log.count("addStockList : get stock flag error:AUDJPY"), 0u);
    // Scrolled to the start: the first row at the top of the list's window.
    EXPECT_EQ(panel->getList()->getContentOffset(), panel->getList()->minContainerOffset());
    EXPECT_TRUE(panel->getList()->isNodeVisible(panel->getRow(0)));

    StockInfo* gold = record("XAUUSD");
    ASSERT_NE(gold, nullptr);
    EXPECT_EQ(gold->getPriceLabelB(), panel->getPriceLabel(7));
    EXPECT_EQ(gold->getChangeLabelB(), panel->getChangeLabel(7));
    EXPECT_EQ(text(gold->getPriceLabelB()), CStockPanel::UNKNOWN_TEXT);
    EXPECT_EQ(text(gold->getChangeLabelB()), CStockPanel::UNKNOWN_TEXT);
    ASSERT_NE(gold->getColorItemB1(), nullptr);
    ASSERT_NE(gold->getColorItemB2(), nullptr);
    EXPECT_TRUE(colourIs(gold->getColorItemB1(), StockInfo::UP_COLOR));
    EXPECT_TRUE(colourIs(gold->getColorItemB2(), StockInfo::UP_COLOR));

    // Half the height (the news page opened above): the first row stays at the top.
    const CCSize full = panel->getContentSize();
    panel->setPanelSize(CCSize(full.width, full.height / 2));
    EXPECT_EQ(panel->getList()->getContentOffset(), panel->getList()->minContainerOffset());
    EXPECT_TRUE(panel->getList()->isNodeVisible(panel->getRow(0)));
    panel->setPanelSize(full);
    EXPECT_TRUE(panel->getList()->isNodeVisible(panel->getRow(0)));

    // Each rebuild logs the missing flag again, once.
    panel->rebuild();
    EXPECT_EQ(log.count("addStockList : get stock flag error:NOFLAG"), 2u);
    EXPECT_EQ(panel->getRowCount(), CODES.size());
}

TEST_F(CStockPanelTest, QuotesWriteTextsAndColoursAndTheInverseSettingSwapsThemAtOnce) {
    panel->rebuild();
    StockInfo* gold = record("XAUUSD");
    StockInfo* silver = record("XAGUSD");
    gold->updateQuote(2001.5f, 100, 2000.0f, 2010.0f, 1990.0f);
    silver->updateQuote(24.5f, 100, 25.0f, 25.0f, 24.0f);
    EXPECT_EQ(text(panel->getPriceLabel(7)), "2001.5");
    EXPECT_EQ(text(panel->getChangeLabel(7)), "0.075%");
    EXPECT_EQ(text(panel->getPriceLabel(6)), "24.5");
    EXPECT_EQ(text(panel->getChangeLabel(6)), "-2.000%");
    EXPECT_TRUE(colourIs(gold->getColorItemB1(), StockInfo::UP_COLOR));
    EXPECT_TRUE(colourIs(silver->getColorItemB2(), StockInfo::DOWN_COLOR));

    UserData::getInstance()->setInverseRedGreen(true);
    StockData::getInstance()->refreshColors(true);
    EXPECT_TRUE(colourIs(gold->getColorItemB2(), StockInfo::DOWN_COLOR));
    EXPECT_TRUE(colourIs(silver->getColorItemB1(), StockInfo::UP_COLOR));
    UserData::getInstance()->setInverseRedGreen(false);

    // A rebuild shows the quotes the records already have.
    panel->rebuild();
    EXPECT_EQ(text(panel->getPriceLabel(7)), "2001.5");
    EXPECT_EQ(text(panel->getChangeLabel(6)), "-2.000%");
}

TEST_F(CStockPanelTest, ACatalogueReplaceDropsTheRowsAndLaterQuotesReachOnlyTheNewLabels) {
    panel->rebuild();
    CCNode* oldPrice = panel->getPriceLabel(7);
    oldPrice->retain();
    // The replace frees the old records: the rows must have let go of them first.
    ASSERT_NO_FATAL_FAILURE(applyCatalogue());
    EXPECT_EQ(panel->getRowCount(), 0u);
    StockInfo* gold = record("XAUUSD");
    EXPECT_EQ(gold->getPriceLabelB(), nullptr);
    gold->updateQuote(1999.0f, 100, 2000.0f, 2000.0f, 1990.0f);
    EXPECT_EQ(text(oldPrice), CStockPanel::UNKNOWN_TEXT);

    panel->rebuild();
    gold->updateQuote(2002.0f, 101, 2000.0f, 2010.0f, 1990.0f);
    EXPECT_EQ(text(panel->getPriceLabel(7)), "2002");
    EXPECT_EQ(text(oldPrice), CStockPanel::UNKNOWN_TEXT);
    oldPrice->release();

    // A page that goes lets go of its references too.
    CStockPanel* lone = CStockPanel::create(CCSize(280, 300));
    lone->retain();
    CCDirector::sharedDirector()->stepFrame(0);
    lone->rebuild();
    EXPECT_EQ(gold->getPriceLabelB(), lone->getPriceLabel(7));
    lone->release();
    EXPECT_EQ(gold->getPriceLabelB(), nullptr);
    EXPECT_EQ(gold->getColorItemB2(), nullptr);
}

TEST_F(CStockPanelTest, ARowClickReportsItsCodeAndTheRowUnderThePointerTakesTheHoverColour) {
    panel->rebuild();
    step(0);
    const CCPoint second = centreOf(panel->getRow(1));
    moveTo(second);
    EXPECT_EQ(panel->getHoveredRow(), 1);
    EXPECT_TRUE(colourIs(panel->getRow(1), CStockPanel::ROW_HOVER_COLOUR));
    moveTo(centreOf(panel->getRow(0)));
    EXPECT_EQ(panel->getHoveredRow(), 0);
    EXPECT_TRUE(colourIs(panel->getRow(1), ccColor3B{23, 27, 41}));

    clickAt(second);
    EXPECT_EQ(clicked, (std::vector<std::string>{"EURUSD"}));
    // Rows scrolled out of the list's window are not hit, and a hidden page takes no clicks.
    clickAt(centreOf(panel->getRow(7)));
    EXPECT_EQ(clicked.size(), 1u);
    panel->setShown(false);
    clickAt(second);
    EXPECT_EQ(clicked.size(), 1u);
}

}  // namespace
