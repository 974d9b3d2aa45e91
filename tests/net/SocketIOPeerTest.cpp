#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "CCDirector.h"
#include "CCHttpClient.h"
#include "CCScheduler.h"
#include "MyWebSocket.h"
#include "NetTestSupport.h"
#include "NodePeer.h"
#include "SIOClient.h"
#include "SIOClientImpl.h"
#include "SocketIO.h"

USING_NS_CC;

namespace {

// Counts what each client heard; forgets a client after onClose/onError, as the application does.
class CountingDelegate : public SocketIO::SIODelegate {
public:
    void onConnect(SIOClient* client) override { ++connects[client]; }
    void onMessage(SIOClient* client, const std::string& data) override { messages[client].push_back(data); }
    void onClose(SIOClient* client) override { ++closes[client]; }
    void onError(SIOClient* client, const std::string& data) override { errors[client].push_back(data); }
    void fireEventToScript(SIOClient*, const std::string&, const std::string&) override {}

    std::map<SIOClient*, int> connects;
    std::map<SIOClient*, int> closes;
    std::map<SIOClient*, std::vector<std::string>> messages;
    std::map<SIOClient*, std::vector<std::string>> errors;
};

// Collects the data of one event name.
struct EventLog {
    void attach(SIOClient* client, const std::string& name) {
        client->on(name, [this](SIOClient*, const std::string& data) { received.push_back(data); });
    }
    std::vector<std::string> received;
};

class SocketIOPeerTest : public ::testing::Test {
protected:
    void SetUp() override { CCDirector::purgeDirector(); }

    void TearDown() override {
        // Whatever is still open goes before the director and the peer.
        for (SIOClient* client : {news_, main_}) {
            if (client && delegate_.closes[client] == 0 && delegate_.errors[client].empty())
                client->disconnect();
        }
        pumpFor(0.05);
        CCHttpClient::destroyInstance();
        CCDirector::purgeDirector();
        peer_.stop();
        EXPECT_EQ(SocketIO::getInstance()->getSocketCount(), 0u);
        EXPECT_EQ(MyWebSocket::getInstanceCount(), 0u);
    }

    void startPeer(const std::string& generation, const std::string& pingInterval = "25000",
                   const std::string& pingTimeout = "60000") {
        ASSERT_TRUE(peer_.start(peerScript("sio_server.js"), {generation, pingInterval, pingTimeout}))
            << peer_.error();
    }

    std::string address(const std::string& path = "") const {
        return "http://127.0.0.1:" + std::to_string(peer_.port()) + path;
    }

    // Connects the default namespace and waits for the server's confirmation and welcome.
    void connectMain() {
        main_ = SocketIO::connect(address(), delegate_, "http://");
        ASSERT_NE(main_, nullptr);
        connectEvents_.attach(main_, "connect");
        welcome_.attach(main_, "welcome");
        ASSERT_TRUE(pumpUntil([&] { return !welcome_.received.empty() || !delegate_.errors[main_].empty(); },
                              PEER_DEADLINE, REAL_TIME_DT))
            << "no welcome";
        ASSERT_TRUE(delegate_.errors[main_].empty()) << delegate_.errors[main_].front();
        ASSERT_TRUE(main_->isConnected());
    }

    void expectEcho(SIOClient* client, EventLog& log, const std::string& json) {
        const size_t before = log.received.size();
        client->emit("echo", json);
        ASSERT_TRUE(pumpUntil([&] { return log.received.size() > before; }, PEER_DEADLINE, REAL_TIME_DT))
            << "no echo of " << json;
        EXPECT_EQ(log.received.back(), json);
    }

    SIOClientImpl* connection() const {
        return SocketIO::getInstance()->getSocket("127.0.0.1:" + std::to_string(peer_.port()));
    }

    NodePeer peer_;
    CountingDelegate delegate_;
    SIOClient* main_ = nullptr;
    SIOClient* news_ = nullptr;
    EventLog connectEvents_;
    EventLog welcome_;
};

void expectAcknowledged(SIOClient* client, const std::string& payload) {
    EventLog ack;
    ack.attach(client, "9");
    client->emit("setKlineSubscription", payload, "9");
    ASSERT_TRUE(pumpUntil([&] { return !ack.received.empty(); }, PEER_DEADLINE, REAL_TIME_DT))
        << "no acknowledgement 9";
    EXPECT_EQ(ack.received, std::vector<std::string>{payload});
}

const std::string SUBSCRIPTION =
    R"({"list":[{"symbol":"EURUSD","timeType":1},{"symbol":"XAUUSD","timeType":60}]})";

TEST_F(SocketIOPeerTest, Server17ConnectsAndDeliversEventsAndAcknowledgements) {
    startPeer("1");
    connectMain();
    EXPECT_EQ(delegate_.connects[main_], 1);
    EXPECT_EQ(connectEvents_.received, std::vector<std::string>{""});
    EXPECT_EQ(welcome_.received, std::vector<std::string>{R"({"ns":"/"})"});
    EXPECT_EQ(connection()->getVersion(), SocketIOPacket::SocketIOVersion::V10x);
    EXPECT_EQ(main_->getPort(), peer_.port());
    EXPECT_EQ(main_->getPath(), "/");

    EventLog echo;
    echo.attach(main_, "echo");
    expectEcho(main_, echo, R"({"a":1,"text":"grüße \"x\""})");
    expectEcho(main_, echo, R"([1,2.5,null])");
    EXPECT_EQ(delegate_.messages[main_].back(), R"([1,2.5,null])");
    expectAcknowledged(main_, SUBSCRIPTION);
    EXPECT_TRUE(peer_.hasLine("EVENT / setKlineSubscription " + SUBSCRIPTION));
    EXPECT_EQ(delegate_.closes[main_], 0);
}

TEST_F(SocketIOPeerTest, Server17SecondNamespaceSharesTheConnection) {
    startPeer("1");
    connectMain();
    news_ = SocketIO::connect(address("/news"), delegate_, "http://");
    ASSERT_NE(news_, main_);
    EventLog flash;
    flash.attach(news_, "flash");
    ASSERT_TRUE(pumpUntil([&] { return !flash.received.empty(); }, PEER_DEADLINE, REAL_TIME_DT));
    EXPECT_EQ(flash.received, std::vector<std::string>{R"("0#headline")"});
    EXPECT_EQ(delegate_.connects[news_], 1);
    EXPECT_EQ(SocketIO::getInstance()->getSocketCount(), 1u);

    // An emit on the namespace stays on it.
    EventLog newsEcho;
    EventLog mainEcho;
    newsEcho.attach(news_, "echo");
    mainEcho.attach(main_, "echo");
    expectEcho(news_, newsEcho, R"("on news")");
    EXPECT_TRUE(peer_.hasLine(R"(EVENT /news echo "on news")"));
    EXPECT_TRUE(mainEcho.received.empty());
    expectAcknowledged(news_, SUBSCRIPTION);

    // Leaving the namespace reaches the server; the default namespace goes on.
    news_->disconnect();
    news_ = nullptr;
    EXPECT_TRUE(peer_.waitForLine("DISCONNECT /news"));
    expectEcho(main_, mainEcho, "42");
    EXPECT_FALSE(peer_.hasLine("DISCONNECT / "));
}

TEST_F(SocketIOPeerTest, Server17HeartbeatsKeepTheConnectionPastThePingTimeout) {
    // Without a ping the server gives up after 1 s + 1 s.
    startPeer("1", "1000", "1000");
    connectMain();
    EXPECT_FLOAT_EQ(connection()->getHeartbeatPeriod(), 0.9f);
    pumpFor(4.5);
    EXPECT_EQ(delegate_.closes[main_], 0);
    EventLog echo;
    echo.attach(main_, "echo");
    expectEcho(main_, echo, "\"still here\"");

    // The check can fail: with the heartbeat paused the server drops the connection.
    CCDirector::sharedDirector()->getScheduler()->pauseTarget(connection());
    ASSERT_TRUE(pumpUntil([&] { return delegate_.closes[main_] > 0; }, 10, REAL_TIME_DT));
    EXPECT_EQ(delegate_.closes[main_], 1);
}

TEST_F(SocketIOPeerTest, Server17DisconnectFromTheServerGivesOneOnClose) {
    startPeer("1");
    connectMain();
    EventLog disconnects;
    disconnects.attach(main_, "disconnect");
    main_->emit("kick", "null");
    ASSERT_TRUE(pumpUntil([&] { return delegate_.closes[main_] > 0; }, PEER_DEADLINE, REAL_TIME_DT));
    pumpFor(0.3);
    EXPECT_EQ(delegate_.closes[main_], 1);
    EXPECT_EQ(disconnects.received.size(), 1u);
    EXPECT_TRUE(delegate_.errors[main_].empty());
    EXPECT_EQ(SocketIO::getInstance()->getSocketCount(), 0u);
}

TEST_F(SocketIOPeerTest, Server17KilledGivesOnClose) {
    startPeer("1");
    connectMain();
    news_ = SocketIO::connect(address("/news"), delegate_, "http://");
    ASSERT_TRUE(pumpUntil([&] { return news_->isConnected(); }, PEER_DEADLINE, REAL_TIME_DT));
    peer_.stop();
    ASSERT_TRUE(pumpUntil([&] { return delegate_.closes[main_] > 0 && delegate_.closes[news_] > 0; },
                          PEER_DEADLINE, REAL_TIME_DT));
    pumpFor(0.2);
    EXPECT_EQ(delegate_.closes[main_], 1);
    EXPECT_EQ(delegate_.closes[news_], 1);
    EXPECT_EQ(SocketIO::getInstance()->getSocketCount(), 0u);
}

TEST_F(SocketIOPeerTest, Server17SameEndpointTwiceStartsANewConnection) {
    startPeer("1");
    connectMain();
    SIOClientImpl* firstConnection = connection();
    firstConnection->retain();  // to tell the connections apart
    main_ = SocketIO::connect(address(), delegate_, "http://");
    ASSERT_NE(main_, nullptr);
    EXPECT_FALSE(main_->isConnected());
    ASSERT_TRUE(pumpUntil([&] { return main_->isConnected(); }, PEER_DEADLINE, REAL_TIME_DT));
    EXPECT_NE(connection(), firstConnection);
    EXPECT_FALSE(firstConnection->isConnected());
    firstConnection->release();
    // The replaced client was let go without a call; the new one connected once.
    int connects = 0;
    for (const auto& entry : delegate_.connects) connects += entry.second;
    EXPECT_EQ(connects, 2);
    EXPECT_TRUE(delegate_.closes.empty());
    EXPECT_TRUE(peer_.waitForLine("DISCONNECT / "));
    EventLog echo;
    echo.attach(main_, "echo");
    expectEcho(main_, echo, "1");
}

TEST_F(SocketIOPeerTest, RefusedHandshakeGivesOnError) {
    startPeer("1");
    const int port = peer_.port();
    peer_.stop();
    main_ = SocketIO::connect("127.0.0.1:" + std::to_string(port) + "/a:b", delegate_, "http://");
    EXPECT_EQ(main_->getPort(), port);
    EXPECT_EQ(main_->getPath(), "/a:b");
    ASSERT_TRUE(pumpUntil([&] { return !delegate_.errors[main_].empty(); }, PEER_DEADLINE, REAL_TIME_DT));
    EXPECT_EQ(delegate_.errors[main_].size(), 1u);
    EXPECT_EQ(delegate_.connects[main_], 0);
}

TEST_F(SocketIOPeerTest, Server09ConnectsWithEventsHeartbeatsAndAcknowledgements) {
    // The 0.9 server wants a heartbeat within 1 s + 2 s.
    startPeer("09", "1000", "2000");
    connectMain();
    EXPECT_EQ(connection()->getVersion(), SocketIOPacket::SocketIOVersion::V09x);
    EXPECT_EQ(connection()->getHeartbeat(), 2);
    EXPECT_EQ(delegate_.connects[main_], 1);
    EXPECT_EQ(welcome_.received, std::vector<std::string>{R"({"ns":"/"})"});

    EventLog echo;
    echo.attach(main_, "echo");
    expectEcho(main_, echo, R"({"a":[1,2]})");
    expectAcknowledged(main_, SUBSCRIPTION);

    pumpFor(5);
    EXPECT_EQ(delegate_.closes[main_], 0);
    expectEcho(main_, echo, "\"alive\"");

    news_ = SocketIO::connect(address("/news"), delegate_, "http://");
    EventLog flash;
    flash.attach(news_, "flash");
    ASSERT_TRUE(pumpUntil([&] { return !flash.received.empty(); }, PEER_DEADLINE, REAL_TIME_DT));
    EXPECT_EQ(flash.received, std::vector<std::string>{R"("0#headline")"});
    EXPECT_EQ(delegate_.connects[news_], 1);

    // Without heartbeats the 0.9 server closes the connection.
    CCDirector::sharedDirector()->getScheduler()->pauseTarget(connection());
    ASSERT_TRUE(pumpUntil([&] { return delegate_.closes[main_] > 0 && delegate_.closes[news_] > 0; }, 10,
                          REAL_TIME_DT));
    EXPECT_EQ(delegate_.closes[main_], 1);
}

TEST_F(SocketIOPeerTest, Server2ConnectsThroughTheTrailingConnectPacket) {
    startPeer("2");
    connectMain();
    EXPECT_EQ(connection()->getVersion(), SocketIOPacket::SocketIOVersion::V10x);
    EXPECT_EQ(delegate_.connects[main_], 1);
    EXPECT_EQ(welcome_.received, std::vector<std::string>{R"({"ns":"/"})"});
    EventLog echo;
    echo.attach(main_, "echo");
    expectEcho(main_, echo, R"({"b":true})");
    expectAcknowledged(main_, SUBSCRIPTION);
    pumpFor(0.2);
    EXPECT_EQ(delegate_.connects[main_], 1);
}

}  // namespace
