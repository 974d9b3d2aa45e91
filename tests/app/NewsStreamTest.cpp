#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCDirector.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "LogLines.h"
#include "MarketTestData.h"
#include "NewsStream.h"
#include "TempHome.h"
#include "TestNewsStream.h"
#include "TestSupport.h"

USING_NS_CC;

namespace {

const char* const TWO_HISTORY_SERVERS = R"(var b = ["http://127.0.0.1:8080", "http://127.0.0.1:8090"];)";
const char* const FLASH = "0#09:30#<b>【行情】</b>gold up#2024-05-15 09:30:00";
const char* const DATA = "1#09:30#CPI#3.1%#3.2%#3.3%#4#US#2024-05-15 12:30#USD#%#good";

class NewsStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCDirector::purgeDirector();
        CDebugModule::getInstance()->setLogFilePath(home.file("DebugInfo.txt"));
        CCScene* running = CCScene::create();
        CCDirector::sharedDirector()->runWithScene(running);
        stream = TestNewsStream::create(toasts);
        stream->setSink(&sink);
        running->addChild(stream);
        step(0);
    }
    void TearDown() override {
        setConfigOverrides({});
        CCDirector::purgeDirector();
    }
    void step(float seconds) {
        CCDirector::sharedDirector()->stepFrame(0);
        for (float t = 0; t < seconds; t += 0.05f) CCDirector::sharedDirector()->stepFrame(0.05f);
    }
    void receive(const std::string& data) { stream->recvNewsEvent(nullptr, data); }
    // A good news server list and a connected client.
    void connect() {
        stream->GetNewsServerCallback(nullptr, makeResponse(200, "var n = ['http://127.0.0.1:8080'];"));
        ASSERT_FALSE(stream->clients.empty());
        stream->connectLast();
    }

    TempHome home{"zento-news"};
    RecordingSink sink;
    std::vector<std::string> toasts;
    TestNewsStream* stream = nullptr;
};

}  // namespace

TEST_F(NewsStreamTest, RecordsAreDispatchedByTypeWithTheirGuards) {
    ConsoleCapture console;
    receive(FLASH);
    EXPECT_TRUE(logged(console, std::string("RECV_NEWS : ") + FLASH));
    receive("0#09:31#text#<a href=\"/n/2\"></a>");  // the key is only a tag
    receive("0#09:31#text");                        // no key
    receive(DATA);
    receive("1#09:30#CPI#1#2#3#4#US#2024-05-15 12:31#USD");  // ten fields: the sink decides
    receive("2#09:30#<a href=\"/n/1\">changed</a>#2024-05-15 09:30:00");
    receive("2#09:30#changed");
    receive("3#2024-05-15 12:30#3.1%#3.2%");
    receive("3#2024-05-15 12:30#3.1%#3.2%#3.4%");
    receive("4#a#b#c");
    receive("6#a#b#2024-05-15 09:30:09");
    receive("x#a#b#2024-05-15 09:30:08");
    receive("01#a#b#2024-05-15 09:30:07");
    receive("5");
    receive("5#123");
    EXPECT_EQ(sink.calls, (std::vector<std::string>{
                              "flash 2024-05-15 09:30:00 | 【行情】gold up",
                              "data 12 2024-05-15 12:30",
                              "data 10 2024-05-15 12:31",
                              "replace 2024-05-15 09:30:00 | changed",
                              "update 3 2024-05-15 12:30 3.1% 3.2%",
                              "update 3 2024-05-15 12:30 3.1% 3.2% 3.4%",
                              "remove 123",
                          }));
}

TEST_F(NewsStreamTest, QuotedPayloadsAreDecodedBeforeTheyAreSplit) {
    receive(R"("0#09:30#<a href=\"/news/7\" target=\"_blank\">【央行】text</a>#2024-05-15 09:30:05")");
    receive(R"("1#09:30#CPI#3.1%#3.2%#3.3%#4#US#2024-05-15 12:30#USD#%#good")");
    receive(R"("5#2024-05-15 12:30")");
    receive(R"("0#broken)");
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"flash 2024-05-15 09:30:05 | 【央行】text",
                                                    "data 12 2024-05-15 12:30", "remove 2024-05-15 12:30"}));
}

TEST_F(NewsStreamTest, HistoryIsPostedAndItsItemsReachTheSinkOldestFirst) {
    ConsoleCapture console;
    // A single history server starts nothing; two start the request.
    stream->GetNewsHistoryServerListCallback(nullptr,
                                             makeResponse(200, "var b = ['http://127.0.0.1:8080'];"));
    EXPECT_TRUE(stream->posts.empty());
    stream->GetNewsHistoryServerListCallback(nullptr, makeResponse(200, TWO_HISTORY_SERVERS));
    ASSERT_EQ(stream->posts.size(), 1u);
    const TestNewsStream::Post& post = stream->posts[0];
    EXPECT_TRUE(post.url == "http://127.0.0.1:8080" || post.url == "http://127.0.0.1:8090") << post.url;
    EXPECT_EQ(post.tag, "GetHistoryNews");
    EXPECT_EQ(post.header, "Content-Type: application/json; charset=utf-8");
    EXPECT_EQ(post.body, R"({"app":"PC","password":"Zentoplkmnjuh62yt5gbv3c","method":"GetFlashListRequest",)"
                         R"("sessionId":"","jsonStr":{"wheres":{"MaxTime":0},"limit":50}})");

    stream->applyHistoryReply(R"({"status_code":200,"data":[)"
                              R"({"type":0,"content":"<b>newest</b>","timestr":"2024-05-15T09:32:00Z"},)"
                              R"({"type":1.0,"content":"1#12:30#CPI#1#2#3#4#US#2024-05-15 12:30#USD#%#x"},)"
                              R"("not an object",)"
                              R"({"type":0,"content":"short time","timestr":"2024-05-15"},)"
                              R"({"type":0,"content":"a < b","timestr":"2024-05-15 09:30:00Z"}]})",
                              true);
    EXPECT_EQ(sink.calls,
              (std::vector<std::string>{"clear", "flash 2024-05-15 09:30:00 | a < b",
                                        "data 12 2024-05-15 12:30", "flash 2024-05-15 09:32:00 | newest"}));
    EXPECT_TRUE(logged(console, "GetHistoryNewsCallback finished!!!"));

    sink.calls.clear();
    stream->applyHistoryReply(R"({"status_code":200,"data":[]})", true);
    EXPECT_EQ(sink.calls, std::vector<std::string>{"clear"});
    stream->applyHistoryReply(R"({"status_code":200})", true);
    EXPECT_EQ(sink.calls, std::vector<std::string>{"clear"});
}

TEST_F(NewsStreamTest, BadHistoryRepliesAreAskedAgainAfterThreeSeconds) {
    stream->GetNewsHistoryServerListCallback(nullptr, makeResponse(200, TWO_HISTORY_SERVERS));
    for (const char* reply :
         {R"({"status_code":500,"data":[]})", R"({"status_code":"200","data":[]})", R"([1,2])", "<html>"}) {
        ConsoleCapture console;
        const size_t before = stream->posts.size();
        stream->applyHistoryReply(reply, true);
        EXPECT_TRUE(logged(console, "GetHistoryNewsCallback error! will try after 3 second!!!!")) << reply;
        step(2.8f);
        EXPECT_EQ(stream->posts.size(), before) << reply;
        step(0.3f);
        EXPECT_EQ(stream->posts.size(), before + 1) << reply;
    }
    EXPECT_TRUE(sink.calls.empty());

    // A failed list is asked again too.
    ConsoleCapture console;
    stream->GetNewsHistoryServerListCallback(nullptr, makeResponse(500, ""));
    EXPECT_TRUE(logged(console, "GetHistoryNewsServer error! will try after 3 second!!!!"));
    EXPECT_TRUE(stream->newsHistoryServers().empty());
    step(3.1f);
    EXPECT_EQ(stream->gets, std::vector<std::string>{"newsHistoryServerList"});
}

TEST_F(NewsStreamTest, ServerListFailuresRetryWithAToastAndAnEmptyListWaits) {
    ConsoleCapture console;
    stream->getNewsServer();
    stream->GetNewsServerCallback(nullptr, makeResponse(404, ""));
    EXPECT_TRUE(logged(console, "1 get news socketIo server error! will try after 3 min"));
    EXPECT_EQ(toasts.size(), 1u);
    step(3.1f);
    EXPECT_EQ(stream->gets.size(), 2u);

    // A list without a URL: asked again after 3 s, not at once.
    stream->GetNewsServerCallback(nullptr, makeResponse(200, "var n = [];"));
    EXPECT_TRUE(stream->sockets.empty());
    EXPECT_EQ(stream->gets.size(), 2u);
    step(2.8f);
    EXPECT_EQ(stream->gets.size(), 2u);
    step(0.3f);
    EXPECT_EQ(stream->gets.size(), 3u);
    EXPECT_TRUE(stream->sockets.empty());
}

TEST_F(NewsStreamTest, OnlyReconnectsReloadTheHistoryAndEachLossReconnectsOnce) {
    setConfigOverrides({{"newsSocketUrl", "http://127.0.0.1:45678"}});
    stream->GetNewsHistoryServerListCallback(nullptr, makeResponse(200, TWO_HISTORY_SERVERS));
    ASSERT_EQ(stream->posts.size(), 1u);
    ConsoleCapture console;
    ASSERT_NO_FATAL_FAILURE(connect());
    EXPECT_EQ(stream->sockets, std::vector<std::string>{"http://127.0.0.1:45678"});
    EXPECT_EQ(stream->getNewsClient()->getTag(), "news");
    EXPECT_TRUE(logged(console, "news socket connect success!!!!!!!!!!!!!!!!!!!!!"));
    EXPECT_FALSE(logged(console, "reget history news!!!!!!!"));
    EXPECT_EQ(stream->posts.size(), 1u);

    // A second list while connected opens no second socket.
    stream->GetNewsServerCallback(nullptr, makeResponse(200, "var n = ['http://127.0.0.1:8080'];"));
    EXPECT_EQ(stream->sockets.size(), 1u);

    // Close and error of one client: one reconnect.
    SIOClient* first = stream->getNewsClient();
    stream->onClose(first);
    stream->onError(first, "boom");
    EXPECT_TRUE(logged(console, "------- news socket close!!!"));
    EXPECT_EQ(stream->getNewsClient(), nullptr);
    step(2.8f);
    EXPECT_EQ(stream->sockets.size(), 1u);
    step(0.3f);
    EXPECT_EQ(stream->sockets.size(), 2u);
    step(6);
    EXPECT_EQ(stream->sockets.size(), 2u);

    // Callbacks of a client that is not the news client change nothing.
    stream->onError(first, "late");
    EXPECT_EQ(stream->getNewsClient(), stream->clients.back());

    stream->connectLast();
    EXPECT_TRUE(logged(console, "reget history news!!!!!!!"));
    EXPECT_EQ(stream->posts.size(), 2u);
    EXPECT_EQ(stream->getNewsConnectCount(), 2);
}
