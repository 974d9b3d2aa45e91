#include "StockData.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "CCNode.h"
#include "HttpHelpers.h"
#include "LogLines.h"
#include "TempHome.h"
#include "TestSupport.h"

namespace {
bool parse(StockData& data, const std::string& json) {
    rapidjson::Document document;
    EXPECT_TRUE(parseJson(json, document));
    return data.parseStockList(document);
}

std::vector<std::string> codesOf(const std::vector<StockInfo*>& records) {
    std::vector<std::string> codes;
    for (const StockInfo* record : records) codes.push_back(record->getCode());
    return codes;
}

// Every catalogue test logs: the log lands in a temporary writable folder.
class StockDataTest : public ::testing::Test {
protected:
    TempHome home_;
};

const char* const MARKET = R"({
    "result": 1,
    "timeTypeList": [{"name": "1分钟", "ttype": "1"}, {"name": "日线", "ttype": "1440"}, {"name": "bad"}, 5],
    "nameList": ["外汇", "贵金属", 7, "股指"],
    "list": {
        "外汇": [
            {"name": "欧元美元", "code": "EURUSD", "category": "直盘", "listid": "1"},
            {"name": "英镑美元", "code": "GBPUSD", "category": "直盘", "listid": "1"},
            {"name": "澳元日元", "code": "AUDJPY", "category": "交叉盘", "listid": "1"}
        ],
        "贵金属": [
            {"name": "现货黄金", "code": "XAUUSD", "category": "现货", "listid": "2"},
            "not an entry",
            {"name": 12, "code": "XAGUSD", "listid": 2}
        ],
        "股指": {"not": "an array"}
    }
})";
}  // namespace

TEST_F(StockDataTest, ParsesListsCategoriesAndTimeTypes) {
    ConsoleCapture console;
    StockData data;
    ASSERT_TRUE(parse(data, MARKET));
    EXPECT_TRUE(logged(console, "parse stock count:5"));
    EXPECT_TRUE(logged(console, "add time type:1分钟 = 1"));
    EXPECT_TRUE(logged(console, "add stock:外汇:欧元美元 EURUSD,直盘,1"));

    // An element without a usable "ttype" (or not an object at all) adds 0.
    EXPECT_EQ(data.getTimeTypes(), (std::vector<int>{1, 1440, 0, 0}));
    ASSERT_EQ(data.getStocks().size(), 5u);

    const StockInfo* gold = data.findStock("XAUUSD");
    ASSERT_NE(gold, nullptr);
    EXPECT_EQ(gold->getListName(), "贵金属");
    EXPECT_EQ(gold->getName(), "现货黄金");
    EXPECT_EQ(gold->getCategory(), "现货");
    EXPECT_EQ(gold->getListId(), 2);
    EXPECT_EQ(gold->getLastPrice(), 0.0f);
    // Mistyped members read as empty texts and 0.
    const StockInfo* silver = data.findStock("XAGUSD");
    ASSERT_NE(silver, nullptr);
    EXPECT_EQ(silver->getName(), "");
    EXPECT_EQ(silver->getCategory(), "");
    EXPECT_EQ(silver->getListId(), 0);
    EXPECT_EQ(data.findStock("xauusd"), nullptr);

    // Lists by name, categories by name, entries in document order; a list without an array is empty.
    const StockData::ListMap& lists = data.getLists();
    ASSERT_EQ(lists.size(), 3u);
    ASSERT_TRUE(lists.count("股指"));
    EXPECT_TRUE(lists.at("股指").empty());
    const StockData::CategoryMap& fx = lists.at("外汇");
    ASSERT_EQ(fx.size(), 2u);
    EXPECT_EQ(codesOf(fx.at("直盘")), (std::vector<std::string>{"EURUSD", "GBPUSD"}));
    EXPECT_EQ(fx.at("直盘")[0], data.findStock("EURUSD"));
}

TEST_F(StockDataTest, NumbersFollowTheSortedListAndCategoryNames) {
    StockData data;
    ASSERT_TRUE(parse(data, R"({"result": 1, "nameList": ["b", "a"], "list": {
        "b": [{"code": "B1", "category": "x"}],
        "a": [{"code": "A1", "category": "y"}, {"code": "A2", "category": "x"},
              {"code": "A3", "category": "y"}]
    }})"));
    // bigId follows the sorted list names, not the nameList order.
    EXPECT_EQ(data.findStock("A1")->getBigId(), 1);
    EXPECT_EQ(data.findStock("B1")->getBigId(), 2);
    // Category numbers run on across lists: a/x 1000, a/y 1001, b/x 1002.
    EXPECT_EQ(data.findStock("A2")->getSmallId(), 1000);
    EXPECT_EQ(data.findStock("A1")->getSmallId(), 1001);
    EXPECT_EQ(data.findStock("A3")->getSmallId(), 1001);
    EXPECT_EQ(data.findStock("B1")->getSmallId(), 1002);
}

TEST_F(StockDataTest, ARepeatedCodeKeepsOneRecordWithTheLaterValues) {
    StockData data;
    ASSERT_TRUE(parse(data, R"({"result": 1, "nameList": ["z", "m"], "list": {
        "z": [{"name": "first", "code": "DUP", "category": "c1", "listid": "9"}],
        "m": [{"name": "second", "code": "DUP", "category": "c2", "listid": "4"}]
    }})"));
    ASSERT_EQ(data.getStocks().size(), 1u);
    StockInfo* record = data.findStock("DUP");
    EXPECT_EQ(record->getName(), "second");
    EXPECT_EQ(record->getListName(), "m");
    EXPECT_EQ(record->getListId(), 4);
    // Both lists reference the one record; it ends with the numbers of the list that sorts last.
    EXPECT_EQ(data.getLists().at("z").at("c1")[0], record);
    EXPECT_EQ(data.getLists().at("m").at("c2")[0], record);
    EXPECT_EQ(record->getBigId(), 2);
    EXPECT_EQ(record->getSmallId(), 1001);
}

TEST_F(StockDataTest, OnlyAResultOfOneIsAccepted) {
    ConsoleCapture console;
    StockData data;
    ASSERT_TRUE(parse(data, R"({"result": 1})"));
    EXPECT_TRUE(data.getStocks().empty());
    EXPECT_TRUE(logged(console, "parse stock count:0"));
    EXPECT_TRUE(parse(data, R"({"result": 1.0, "nameList": []})"));

    ASSERT_TRUE(parse(data, MARKET));
    const struct {
        const char* json;
        int logged;
    } rejected[] = {
        {R"({"result": 2})", 2}, {R"({"list": {}})", 0},      {R"({"result": "1"})", 0},
        {R"([1])", 0},           {R"({"result": -7.9})", -7}, {R"({"result": 1e300})", 2147483647},
        {"not json", 0},         {R"({"result": 0})", 0},
    };
    for (const auto& document : rejected) {
        console.clear();
        EXPECT_FALSE(parse(data, document.json)) << document.json;
        EXPECT_TRUE(logged(console, "parse stock info failed:" + std::to_string(document.logged)))
            << document.json;
        // A rejected document leaves the catalogue that the panels show.
        EXPECT_EQ(data.getStocks().size(), 5u);
        EXPECT_NE(data.findStock("EURUSD"), nullptr);
    }
}

TEST_F(StockDataTest, ReplacingTheCatalogueLetsThePanelsDetachFirst) {
    StockData data;
    ASSERT_TRUE(parse(data, MARKET));
    cocos2d::CCNode* label = new cocos2d::CCNode();
    StockInfo* old = data.findStock("EURUSD");
    old->setPriceLabelB(label);

    int calls = 0;
    const int id = data.addReplaceListener([&] {
        ++calls;
        // The old records are still alive and still the catalogue's while panels let go of them.
        StockInfo* stillThere = data.findStock("EURUSD");
        ASSERT_EQ(stillThere, old);
        EXPECT_EQ(stillThere->getPriceLabelB(), label);
        stillThere->detachDisplays();
    });
    ASSERT_TRUE(parse(data, R"({"result": 1, "nameList": ["n"], "list": {"n": [{"code": "EURUSD"}]}})"));
    EXPECT_EQ(calls, 1);
    ASSERT_NE(data.findStock("EURUSD"), nullptr);
    EXPECT_EQ(data.findStock("EURUSD")->getPriceLabelB(), nullptr);
    EXPECT_EQ(data.getStocks().size(), 1u);

    // Rejected documents free nothing, so nobody is asked.
    EXPECT_FALSE(parse(data, R"({"result": 3})"));
    EXPECT_EQ(calls, 1);
    data.removeReplaceListener(id);
    ASSERT_TRUE(parse(data, MARKET));
    EXPECT_EQ(calls, 1);
    label->release();
}

TEST_F(StockDataTest, SearchMatchesCodeNameCategoryAndListName) {
    StockData data;
    ASSERT_TRUE(parse(data, MARKET));
    EXPECT_EQ(codesOf(data.searchStocks("eurusd")), (std::vector<std::string>{"EURUSD"}));
    EXPECT_EQ(codesOf(data.searchStocks("  Usd ")),
              (std::vector<std::string>{"EURUSD", "GBPUSD", "XAGUSD", "XAUUSD"}));
    EXPECT_EQ(codesOf(data.searchStocks("黄金")), (std::vector<std::string>{"XAUUSD"}));
    EXPECT_EQ(codesOf(data.searchStocks("美元")), (std::vector<std::string>{"EURUSD", "GBPUSD"}));
    EXPECT_EQ(codesOf(data.searchStocks("交叉")), (std::vector<std::string>{"AUDJPY"}));
    EXPECT_EQ(codesOf(data.searchStocks("贵金属")), (std::vector<std::string>{"XAGUSD", "XAUUSD"}));
    EXPECT_EQ(data.searchStocks("").size(), 5u);
    EXPECT_TRUE(data.searchStocks("NASDAQ").empty());
    EXPECT_TRUE(data.searchStocks("黄 金").empty());
}

TEST_F(StockDataTest, DefaultSymbolsAndColourRefresh) {
    const std::vector<std::string> symbols(std::begin(DEFAULT_FX_SYMBOLS), std::end(DEFAULT_FX_SYMBOLS));
    EXPECT_EQ(symbols,
              (std::vector<std::string>{"AUDJPY", "AUDNZD", "AUDUSD", "EURAUD", "EURCAD", "EURCHF", "EURGBP",
                                        "EURJPY", "EURNZD", "EURUSD", "GBPCHF", "GBPJPY"}));

    StockData data;
    ASSERT_TRUE(parse(data, MARKET));
    std::vector<cocos2d::CCNode*> boxes;
    for (const auto& [code, record] : data.getStocks()) {
        auto* box = new cocos2d::CCNode();
        data.findStock(code)->setColorItemB1(box);
        boxes.push_back(box);
    }
    data.refreshColors(true);
    for (cocos2d::CCNode* box : boxes) EXPECT_EQ(box->getColor(), StockInfo::DOWN_COLOR);
    data.refreshColors(false);
    for (cocos2d::CCNode* box : boxes) {
        EXPECT_EQ(box->getColor(), StockInfo::UP_COLOR);
        box->release();
    }
}
