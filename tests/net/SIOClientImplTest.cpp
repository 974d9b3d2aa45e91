#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCDirector.h"
#include "CCHttpRequest.h"
#include "CCHttpResponse.h"
#include "SIOClient.h"
#include "SIOClientImpl.h"
#include "SocketIO.h"

USING_NS_CC;

namespace {

// Writes down every delegate call, in order, as one line each.
class LogDelegate : public SocketIO::SIODelegate {
public:
    void onConnect(SIOClient* client) override { log.push_back("connect " + client->getPath()); }
    void onMessage(SIOClient* client, const std::string& data) override {
        log.push_back("message " + client->getPath() + " " + data);
    }
    void onClose(SIOClient* client) override { log.push_back("close " + client->getPath()); }
    void onError(SIOClient* client, const std::string& data) override {
        log.push_back("error " + client->getPath() + " " + data);
    }
    void fireEventToScript(SIOClient* client, const std::string& eventName,
                           const std::string& data) override {
        log.push_back("event " + client->getPath() + " " + eventName + " " + data);
    }
    std::vector<std::string> take() {
        std::vector<std::string> taken;
        taken.swap(log);
        return taken;
    }
    std::vector<std::string> log;
};

// A connection whose frames go to a list instead of a WebSocket.
class RecordingImpl : public SIOClientImpl {
public:
    RecordingImpl() : SIOClientImpl("127.0.0.1", 1234) {}
    void openSocket() override { openedUrl = webSocketUrl(); }
    void writeFrame(const std::string& text) override { sent.push_back(text); }
    std::vector<std::string> takeSent() {
        std::vector<std::string> taken;
        taken.swap(sent);
        return taken;
    }
    std::vector<std::string> sent;
    std::string openedUrl;
};

using Version = SocketIOPacket::SocketIOVersion;
using Frames = std::vector<std::string>;
using Log = std::vector<std::string>;

class SIOClientImplTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCDirector::purgeDirector();
        impl_ = new RecordingImpl();
        impl_->retain();  // the test's own, so the object outlives its finish
        main_ = addClient("/");
    }

    void TearDown() override {
        impl_->disconnect();
        impl_->release();
        CCDirector::purgeDirector();
        EXPECT_EQ(SocketIO::getInstance()->getSocket("127.0.0.1:1234"), nullptr);
    }

    SIOClient* addClient(const std::string& path) {
        auto* client = new SIOClient("127.0.0.1", 1234, path, impl_, delegate_);
        impl_->addClient(path, client);
        return client;
    }

    void reply(const std::string& body, bool succeed = true) {
        auto* request = new CCHttpRequest();
        auto* response = new CCHttpResponse(request);
        response->setSucceed(succeed);
        response->setResponseData(std::vector<char>(body.begin(), body.end()));
        if (!succeed) response->setErrorBuffer("Connection refused");
        impl_->handshakeResponse(nullptr, response);
        response->release();
        request->release();
    }

    // Handshake as 1.x (or 0.9), open, and confirm the default namespace.
    void connect10x(const std::string& extra = "") {
        reply(R"(97:0{"sid":"abc","upgrades":["websocket"],"pingInterval":25000,"pingTimeout":60000})" +
              extra);
        impl_->onOpen(nullptr);
        impl_->handleMessage("40");
        impl_->takeSent();
        delegate_.take();
    }
    void connect09x() {
        reply("abc:60:25:websocket,xhr-polling");
        impl_->onOpen(nullptr);
        impl_->handleMessage("1::");
        impl_->takeSent();
        delegate_.take();
    }

    LogDelegate delegate_;
    RecordingImpl* impl_ = nullptr;
    SIOClient* main_ = nullptr;
};

TEST_F(SIOClientImplTest, HandshakeOf1xSetsTimesAndHeartbeatsEveryNinetyPercent) {
    reply(R"(97:0{"sid":"abc","upgrades":["websocket"],"pingInterval":25000,"pingTimeout":60000})");
    EXPECT_EQ(impl_->getVersion(), Version::V10x);
    EXPECT_EQ(impl_->getSid(), "abc");
    EXPECT_EQ(impl_->getHeartbeat(), 25);
    EXPECT_EQ(impl_->getTimeout(), 60);
    EXPECT_FLOAT_EQ(impl_->getHeartbeatPeriod(), 22.5f);
    EXPECT_EQ(impl_->openedUrl, "127.0.0.1:1234/socket.io/1/websocket/?EIO=2&transport=websocket&sid=abc");

    impl_->onOpen(nullptr);
    EXPECT_TRUE(impl_->isConnected());
    EXPECT_EQ(SocketIO::getInstance()->getSocket("127.0.0.1:1234"), impl_);
    EXPECT_EQ(impl_->takeSent(), Frames{"5"});
    CCDirector::sharedDirector()->stepFrame(22.4f);
    EXPECT_TRUE(impl_->takeSent().empty());
    CCDirector::sharedDirector()->stepFrame(0.2f);
    EXPECT_EQ(impl_->takeSent(), Frames{"21"});
    CCDirector::sharedDirector()->stepFrame(22.5f);
    EXPECT_EQ(impl_->takeSent(), Frames{"21"});
}

TEST_F(SIOClientImplTest, HandshakeOf09ReadsColonSeparatedFields) {
    reply("abc123:60:25:websocket,htmlfile,xhr-polling,jsonp-polling");
    EXPECT_EQ(impl_->getVersion(), Version::V09x);
    EXPECT_EQ(impl_->getSid(), "abc123");
    EXPECT_EQ(impl_->getHeartbeat(), 60);
    EXPECT_EQ(impl_->getTimeout(), 25);
    EXPECT_EQ(impl_->openedUrl, "127.0.0.1:1234/socket.io/1/websocket/abc123");
    impl_->onOpen(nullptr);
    // 0.9 has no upgrade packet.
    EXPECT_TRUE(impl_->takeSent().empty());
    CCDirector::sharedDirector()->stepFrame(54.1f);
    EXPECT_EQ(impl_->takeSent(), Frames{"2:1::"});
}

TEST_F(SIOClientImplTest, HandshakeWithPacketsAfterTheOpenPacketIs1x) {
    reply(R"(97:0{"sid":"xyz","upgrades":["websocket"],"pingInterval":25000,"pingTimeout":20000}2:40)");
    EXPECT_EQ(impl_->getVersion(), Version::V10x);
    EXPECT_EQ(impl_->getSid(), "xyz");
    EXPECT_EQ(impl_->getTimeout(), 20);
    EXPECT_TRUE(delegate_.take().empty());
    // The connect packet that came with the reply is handled once the socket is open.
    impl_->onOpen(nullptr);
    EXPECT_TRUE(main_->isConnected());
    EXPECT_EQ(delegate_.take(), (Log{"connect /", "event / connect "}));
}

TEST_F(SIOClientImplTest, ShortPingIntervalNeverHeartbeatsEveryFrame) {
    reply(R"(0{"sid":"abc","pingInterval":500,"pingTimeout":1000})");
    EXPECT_EQ(impl_->getHeartbeat(), 0);
    EXPECT_FLOAT_EQ(impl_->getHeartbeatPeriod(), 0.45f);
    impl_->onOpen(nullptr);
    impl_->takeSent();
    for (int i = 0; i < 10; ++i) CCDirector::sharedDirector()->stepFrame(0.016f);
    EXPECT_TRUE(impl_->takeSent().empty());
}

TEST_F(SIOClientImplTest, BadHandshakeRepliesReachEveryClientAsOnError) {
    for (const std::string body :
         {"", "}", "97:0{\"sid\":", "97:0{\"sid\":\"a b\",\"pingInterval\":1}", "0{\"pingInterval\":1}",
          "<html>oops</html>", "abc:sixty:25:websocket", "abc:60"}) {
        TearDown();
        SetUp();
        delegate_.take();
        addClient("/news");
        reply(body);
        EXPECT_EQ(delegate_.take(),
                  (Log{"error / invalid handshake reply", "error /news invalid handshake reply"}))
            << body;
        EXPECT_TRUE(impl_->openedUrl.empty()) << body;
        EXPECT_EQ(impl_->getClientCount(), 0u);
    }
    TearDown();
    SetUp();
    delegate_.take();
    reply("", false);
    EXPECT_EQ(delegate_.take(), Log{"error / Connection refused"});
}

TEST_F(SIOClientImplTest, ProbeFramesAreAnswered) {
    connect10x();
    impl_->handleMessage("2probe");
    EXPECT_EQ(impl_->takeSent(), Frames{"3probe"});
    impl_->handleMessage("3probe");
    EXPECT_EQ(impl_->takeSent(), Frames{"5"});
    impl_->handleMessage("3");
    impl_->handleMessage("2");
    EXPECT_EQ(impl_->takeSent(), Frames{"3"});
}

TEST_F(SIOClientImplTest, ConnectFrameMarksTheDefaultClientConnected) {
    reply(R"(97:0{"sid":"abc","upgrades":["websocket"],"pingInterval":25000,"pingTimeout":60000})");
    impl_->onOpen(nullptr);
    std::vector<std::string> handled;
    main_->on("connect", [&](SIOClient*, const std::string& data) { handled.push_back("connect:" + data); });
    EXPECT_FALSE(main_->isConnected());
    impl_->handleMessage("40");
    EXPECT_TRUE(main_->isConnected());
    EXPECT_EQ(delegate_.take(), (Log{"connect /", "event / connect "}));
    EXPECT_EQ(handled, std::vector<std::string>{"connect:"});
}

TEST_F(SIOClientImplTest, EventsReachTheHandlerThenOnMessage) {
    connect10x();
    std::vector<std::string> quotes;
    main_->on("quote", [&](SIOClient* client, const std::string& data) {
        EXPECT_EQ(client, main_);
        quotes.push_back(data);
    });
    impl_->handleMessage(R"(42["quote",{"p":1.5}])");
    EXPECT_EQ(quotes, std::vector<std::string>{R"({"p":1.5})"});
    EXPECT_EQ(delegate_.take(), (Log{R"(event / quote {"p":1.5})", R"(message / {"p":1.5})"}));

    // Several arguments stay as they stand; an event asking for an acknowledgement carries its id first.
    impl_->handleMessage(R"(42["quote","a",2])");
    impl_->handleMessage(R"(4212["quote",{"k":2}])");
    impl_->handleMessage(R"(42["ping"])");
    impl_->handleMessage(R"(42["esc\"aped",true])");
    EXPECT_EQ(delegate_.take(), (Log{R"(event / quote "a",2)", R"(message / "a",2)",
                                     R"(event / quote {"k":2})", R"(message / {"k":2})", "event / ping ",
                                     "message / ", R"(event / esc"aped true)", "message / true"}));
}

TEST_F(SIOClientImplTest, AcknowledgementsArriveAsEventsNamedByTheirId) {
    connect10x();
    std::string acked;
    main_->on("9", [&](SIOClient*, const std::string& data) { acked = data; });
    impl_->handleMessage(R"(439[{"list":[{"symbol":"EURUSD","timeType":1}]}])");
    EXPECT_EQ(acked, R"({"list":[{"symbol":"EURUSD","timeType":1}]})");
    delegate_.take();
    impl_->handleMessage(R"(4312["ok"])");
    EXPECT_EQ(delegate_.take(), (Log{R"(event / 12 "ok")", R"(message / "ok")"}));
}

TEST_F(SIOClientImplTest, SecondNamespaceGetsItsOwnFrames) {
    SIOClient* news = addClient("/news");
    connect10x();
    impl_->connectToEndpoint("/news");
    EXPECT_EQ(impl_->takeSent(), Frames{"40/news,"});
    impl_->handleMessage("40/news");
    EXPECT_TRUE(news->isConnected());
    impl_->handleMessage(R"(42/news,["flash","0#x"])");
    impl_->handleMessage(R"(43/news,9[{"a":1}])");
    impl_->handleMessage(R"(42/other,["flash",1])");
    EXPECT_EQ(delegate_.take(),
              (Log{"connect /news", "event /news connect ", R"(event /news flash "0#x")",
                   R"(message /news "0#x")", R"(event /news 9 {"a":1})", R"(message /news {"a":1})"}));

    news->emit("echo", R"("x")", "9");
    main_->emit("sub", R"({"a":1})");
    EXPECT_EQ(impl_->takeSent(), (Frames{R"(42/news,9["echo","x"])", R"(42["sub",{"a":1}])"}));

    // The server leaves the namespace: the client hears "disconnect" and onClose; the rest goes on.
    impl_->handleMessage("41/news");
    EXPECT_EQ(delegate_.take(), (Log{"event /news disconnect ", "close /news"}));
    EXPECT_EQ(impl_->getClient("/news"), nullptr);
    EXPECT_TRUE(impl_->isConnected());
    impl_->takeSent();
    main_->emit("sub", "1");
    EXPECT_EQ(impl_->takeSent(), Frames{R"(42["sub",1])"});
}

TEST_F(SIOClientImplTest, ClientLeavingANamespaceSendsADisconnectMessage) {
    SIOClient* news = addClient("/news");
    connect10x();
    impl_->handleMessage("40/news");
    delegate_.take();
    news->disconnect();
    EXPECT_EQ(impl_->takeSent(), Frames{"41/news"});
    EXPECT_TRUE(impl_->isConnected());
    // The last one leaving ends the connection.
    main_->disconnect();
    EXPECT_FALSE(impl_->isConnected());
    EXPECT_EQ(SocketIO::getInstance()->getSocket("127.0.0.1:1234"), nullptr);
    EXPECT_EQ(delegate_.take(), Log{});
}

TEST_F(SIOClientImplTest, ServerDisconnectOfTheDefaultNamespaceClosesOnce) {
    connect10x();
    int disconnects = 0;
    main_->on("disconnect", [&](SIOClient*, const std::string&) { ++disconnects; });
    main_->retain();  // to look at it afterwards
    impl_->handleMessage("41");
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(delegate_.take(), (Log{"event / disconnect ", "close /"}));
    EXPECT_FALSE(impl_->isConnected());
    EXPECT_FALSE(main_->isConnected());
    impl_->handleMessage("40");
    impl_->onClose(nullptr);
    EXPECT_EQ(delegate_.take(), Log{});
    main_->release();
}

TEST_F(SIOClientImplTest, ErrorFrameGoesToOnErrorAndTheErrorEvent) {
    connect10x();
    impl_->handleMessage(R"(44{"message":"bad"})");
    EXPECT_EQ(delegate_.take(), (Log{R"(error / {"message":"bad"})", R"(event / error {"message":"bad"})"}));
}

TEST_F(SIOClientImplTest, MalformedFramesAreIgnored) {
    connect10x();
    for (const std::string frame :
         {"",           "x",        "4",       "4x",        "42",    "42[", "42[\"unterminated",
          "42[\"a\",1", "42{}",     "42[1,2]", "43",        "43abc", "439", "43[",
          "42/news",    "42/news,", "44",      "45[\"b\"]", "46",    "0",   "1",
          "6",          "9zzz",     "4/",      "40/"}) {
        impl_->handleMessage(frame);
    }
    // Only harmless reactions: an error without data for the default client, a connect of "/" again.
    for (const auto& line : delegate_.take()) {
        EXPECT_TRUE(line == "error / " || line == "event / error " || line == "connect /" ||
                    line == "event / connect ")
            << line;
    }
    EXPECT_TRUE(impl_->takeSent().empty());
    EXPECT_TRUE(impl_->isConnected());
}

TEST_F(SIOClientImplTest, EmitBeforeTheEndpointIsConfirmedIsNotSent) {
    reply(R"(0{"sid":"abc","pingInterval":25000,"pingTimeout":60000})");
    impl_->onOpen(nullptr);
    impl_->takeSent();
    main_->emit("sub", "{}", "8");
    EXPECT_TRUE(impl_->takeSent().empty());
    EXPECT_EQ(delegate_.take(), Log{"error / Client not yet connected"});
}

TEST_F(SIOClientImplTest, FramesOf09) {
    SIOClient* news = addClient("/news");
    connect09x();
    impl_->connectToEndpoint("/news");
    EXPECT_EQ(impl_->takeSent(), Frames{"1:1:/news:"});
    impl_->handleMessage("1::/news");
    EXPECT_TRUE(news->isConnected());
    impl_->handleMessage(R"(5:::{"name":"ev","args":[{"a":1},2]})");
    impl_->handleMessage(R"(5:::{"name":"bare"})");
    impl_->handleMessage(R"(5::/news:{"args":["x"],"name":"flash"})");
    impl_->handleMessage(R"(6:::9+[{"list":[]}])");
    impl_->handleMessage("3:::hello");
    impl_->handleMessage(R"(4:::{"j":1})");
    impl_->handleMessage("7:::bad thing");
    impl_->handleMessage("2::");
    EXPECT_EQ(delegate_.take(),
              (Log{"connect /news", "event /news connect ", R"(event / ev {"a":1},2)", "event / bare ",
                   R"(event /news flash "x")", R"(event / 9 {"list":[]})", R"(message / {"list":[]})",
                   "message / hello", "event / message hello", R"(message / {"j":1})",
                   R"(event / json {"j":1})", "error / bad thing", "event / error bad thing"}));

    main_->emit("setKlineSubscription", R"({"list":[]})", "9");
    news->emit("echo", "1");
    EXPECT_EQ(impl_->takeSent(), (Frames{R"(5:9+::{"name":"setKlineSubscription","args":[{"list":[]}]})",
                                         R"(5::/news:{"name":"echo","args":[1]})"}));

    for (const std::string frame :
         {"5", "5:", "5::", "5:::", "5:::{", "5:::[]", "6:::9", "6:::9+[", "0", ":::"}) {
        impl_->handleMessage(frame);
    }
    EXPECT_EQ(delegate_.take(), Log{});

    news->disconnect();
    EXPECT_EQ(impl_->takeSent(), Frames{"0::/news"});
    impl_->handleMessage("0::");
    EXPECT_EQ(delegate_.take(), (Log{"event / disconnect ", "close /"}));
}

}  // namespace
