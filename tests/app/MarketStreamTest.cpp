#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCDirector.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "LogLines.h"
#include "MarketStreamListener.h"
#include "MarketTestData.h"
#include "StockData.h"
#include "StockInfo.h"
#include "StockListCache.h"
#include "TempHome.h"
#include "TestMarketStream.h"
#include "TestSupport.h"

USING_NS_CC;

namespace {

// Writes down what the stream reports, one line per call.
class HeardListener : public MarketStreamListener {
public:
    void marketConnected(bool first) override {
        heard.push_back(first ? "connected first" : "connected again");
    }
    void marketLost(int64_t) override { heard.push_back("lost"); }
    void quoteArrived(const market_messages::Quote& quote) override {
        heard.push_back("quote " + quote.code);
    }
    void barArrived(const market_messages::LiveBar& bar) override {
        heard.push_back("bar " + bar.code + " " + std::to_string(bar.time) + " " +
                        std::to_string(bar.timeType));
    }
    void instrumentListApplied(bool first) override {
        heard.push_back(first ? "instruments first" : "instruments again");
    }
    void historyServersUnreachable() override { heard.push_back("history servers unreachable"); }

    std::vector<std::string> heard;
};

// A stream on a running scene with a stepped clock, its network kept in the test.
class MarketStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCDirector::purgeDirector();
        CDebugModule::getInstance()->setLogFilePath(home.file("DebugInfo.txt"));
        CCScene* running = CCScene::create();
        CCDirector::sharedDirector()->runWithScene(running);
        stream = TestMarketStream::create(&listener, sent);
        running->addChild(stream);
        step(0);
    }
    void TearDown() override { CCDirector::purgeDirector(); }
    void step(float seconds) {
        CCDirector::sharedDirector()->stepFrame(0);
        for (float t = 0; t < seconds; t += 0.05f) CCDirector::sharedDirector()->stepFrame(0.05f);
    }

    TempHome home{"zento-market"};
    HeardListener listener;
    SentLog sent;
    TestMarketStream* stream = nullptr;
};

}  // namespace

TEST_F(MarketStreamTest, SubscriptionsGoOutOnlyWhileConnectedAndEachLossIsHeardOnceThenReconnected) {
    ConsoleCapture console;
    stream->setAdvSubscription({"EURUSD"});
    EXPECT_TRUE(sent.emits.empty());
    EXPECT_TRUE(logged(console, "stock server not connected!!"));

    stream->GetKlineSocketServerListCallback(nullptr, makeResponse(200, "http://127.0.0.1:8090"));
    ASSERT_EQ(sent.sockets.size(), 1u);
    stream->setKlineSubscription({{"EURUSD", 5}});  // during the handshake: no second socket
    EXPECT_EQ(sent.sockets.size(), 1u);
    stream->connectLast();
    stream->setAdvSubscription({"EURUSD", "EURUSD", "XAUUSD"});
    stream->setKlineSubscription({{"EURUSD", 5}, {"XAUUSD", 1}});
    ASSERT_EQ(sent.emits.size(), 2u);
    EXPECT_EQ(sent.emits[0].text, R"({"list":["EURUSD","EURUSD","XAUUSD"]})") << "duplicates are kept";
    EXPECT_EQ(sent.emits[0].id, "8");
    EXPECT_EQ(sent.emits[1].text,
              R"({"list":[{"symbol":"EURUSD","timeType":5},{"symbol":"XAUUSD","timeType":1}]})");
    EXPECT_EQ(sent.emits[1].id, "9");

    SIOClient* first = sent.lastClient();
    stream->onClose(first);
    stream->onError(first, "boom");
    EXPECT_EQ(stream->getStockClient(), nullptr);
    EXPECT_TRUE(stream->isReconnectScheduled());
    step(3.2f);
    ASSERT_EQ(sent.sockets.size(), 2u) << "one reconnect after 3 s";
    stream->onClose(first);  // the old client is no longer the stream's
    stream->connectLast();
    EXPECT_EQ(listener.heard, (std::vector<std::string>{"connected first", "lost", "connected again"}));
    EXPECT_EQ(stream->getStockConnectCount(), 2);
}

TEST_F(MarketStreamTest, QuotesReachTheCatalogueAndTheListenerAndBarsArriveOneByOne) {
    ASSERT_TRUE(stream->applyStockList(MARKET, false));
    stream->recvAdvancedEvent(nullptr, R"(["EURUSD", 1.0, 1.2, 0.9, 1.1, 1700000000])");
    EXPECT_FLOAT_EQ(StockData::getInstance()->findStock("EURUSD")->getLastPrice(), 1.1f);
    stream->recvAdvancedEvent(nullptr, R"(["ZZZZZZ", 2.0, 2.0, 2.0, 2.5, 1700000000])");
    stream->recvKLineEvent(nullptr,
                           R"([["EURUSD",1700000040,1.1,1.3,1.0,1.2,7,5], 3, ["GBPUSD",1700000700]])");
    stream->recvAdvancedEvent(nullptr, "[1,");
    stream->recvKLineEvent(nullptr, "{");
    EXPECT_EQ(listener.heard,
              (std::vector<std::string>{"instruments first", "quote EURUSD", "quote ZZZZZZ",
                                        "bar EURUSD 1700000040 5", "bar GBPUSD 1700000700 1"}));
    // Only messages that were read count as applied.
    EXPECT_EQ(stream->getQuotesApplied(), 2);
    EXPECT_EQ(stream->getBarMessagesApplied(), 1);
}

TEST_F(MarketStreamTest, InstrumentListFallsBackToTheCacheUntilADownloadSucceeds) {
    ASSERT_TRUE(saveStockListCache(MARKET));
    ConsoleCapture console;
    stream->GetStockListCallback(nullptr, makeResponse(500, "oops"));
    EXPECT_TRUE(stream->isStockListLoaded());
    EXPECT_NE(StockData::getInstance()->findStock("XPDUSD"), nullptr);
    EXPECT_TRUE(logged(console, "load stock list form cache ***********************"));
    EXPECT_TRUE(logged(console, "GetStockServerList failed, will retry after 3 second!"));
    const size_t before = sent.requests.size();
    step(3.2f);
    EXPECT_EQ(sent.requests.size(), before + 1) << "and the download is tried again";

    // A download that is not a list is not cached.
    stream->GetStockListCallback(nullptr, makeResponse(200, R"({"result": 0})"));
    EXPECT_EQ(loadStockListCache().value_or(""), MARKET);
    // A good one is.
    const std::string fresh = std::string(MARKET).replace(std::string(MARKET).find("Palladium"), 9, "Pd");
    stream->GetStockListCallback(nullptr, makeResponse(200, fresh));
    EXPECT_EQ(loadStockListCache().value_or(""), fresh);
    EXPECT_EQ(listener.heard, (std::vector<std::string>{"instruments first", "instruments again"}));
}

TEST_F(MarketStreamTest, HistoryServerListNeedsTwoServers) {
    EXPECT_EQ(stream->getKlineHistoryServer(), DEFAULT_KLINE_HISTORY_URL);
    stream->GetKlineHistoryServerListCallback(nullptr, makeResponse(200, "['http://10.0.0.1:80']"));
    EXPECT_TRUE(stream->getHistoryServerList().empty());
    EXPECT_EQ(stream->getKlineHistoryServer(), DEFAULT_KLINE_HISTORY_URL);
    stream->GetKlineHistoryServerListCallback(
        nullptr, makeResponse(200, "['http://10.0.0.1:80','http://10.0.0.2:80']"));
    ASSERT_EQ(stream->getHistoryServerList().size(), 2u);
    EXPECT_EQ(stream->getHistoryServerList()[0], "http://10.0.0.1:80/history.php");
    const std::string server = stream->getKlineHistoryServer();
    EXPECT_TRUE(server == "http://10.0.0.1:80/history.php" || server == "http://10.0.0.2:80/history.php");
    EXPECT_TRUE(listener.heard.empty()) << "a short list is no failed request";
    stream->GetKlineHistoryServerListCallback(nullptr, makeResponse(500, ""));
    EXPECT_EQ(listener.heard, (std::vector<std::string>{"history servers unreachable"}));
}

TEST_F(MarketStreamTest, ServerListFailuresRetryEveryThreeSeconds) {
    stream->GetKlineSocketServerListCallback(nullptr, makeResponse(404, ""));
    EXPECT_TRUE(sent.sockets.empty());
    const size_t before = sent.requests.size();
    step(2.5f);
    EXPECT_EQ(sent.requests.size(), before);
    step(1.0f);
    EXPECT_EQ(sent.requests.size(), before + 1);
    // An empty list waits the same three seconds (not one frame), with no socket in between.
    stream->GetKlineSocketServerListCallback(nullptr, makeResponse(200, "no servers here"));
    EXPECT_TRUE(sent.sockets.empty());
    step(2.5f);
    EXPECT_EQ(sent.requests.size(), before + 1);
    step(1.0f);
    EXPECT_EQ(sent.requests.size(), before + 2);
}
