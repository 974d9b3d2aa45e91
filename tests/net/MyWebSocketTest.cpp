#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CCDirector.h"
#include "CCScheduler.h"
#include "MyWebSocket.h"
#include "NetTestSupport.h"
#include "NodePeer.h"

USING_NS_CC;

namespace {

// Records every delegate call and the thread it came on.
class RecordingDelegate : public MyWebSocket::Delegate {
public:
    void onOpen(MyWebSocket* /*socket*/) override {
        ++opens;
        checkThread();
    }
    void onMessage(MyWebSocket* /*socket*/, const MyWebSocket::Data& data) override {
        checkThread();
        messages.emplace_back(data.bytes, static_cast<size_t>(data.len));
        if (!data.isBinary) terminated = terminated && data.bytes[data.len] == '\0';
    }
    void onClose(MyWebSocket* socket) override {
        ++closes;
        checkThread();
        if (deleteOnClose) deleteOnClose(socket);
    }
    void onError(MyWebSocket* socket, const MyWebSocket::ErrorCode& error) override {
        ++errors;
        lastError = error;
        checkThread();
        if (deleteOnError) deleteOnError(socket);
    }

    int opens = 0;
    int closes = 0;
    int errors = 0;
    MyWebSocket::ErrorCode lastError{};
    std::vector<std::string> messages;
    bool terminated = true;
    bool onMainThread = true;
    std::function<void(MyWebSocket*)> deleteOnClose;
    std::function<void(MyWebSocket*)> deleteOnError;

private:
    void checkThread() { onMainThread = onMainThread && std::this_thread::get_id() == mainThread_; }
    std::thread::id mainThread_ = std::this_thread::get_id();
};

// A loopback port with nothing listening on it.
int closedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

class MyWebSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCDirector::purgeDirector();
        ASSERT_TRUE(peer_.start(peerScript("ws_server.js"))) << peer_.error();
    }

    void TearDown() override {
        socket_.reset();
        CCDirector::purgeDirector();
        peer_.stop();
        EXPECT_EQ(MyWebSocket::getInstanceCount(), 0u);
    }

    std::string url() const { return "ws://127.0.0.1:" + std::to_string(peer_.port()) + "/echo"; }

    void openSocket() {
        socket_ = std::make_unique<MyWebSocket>();
        ASSERT_TRUE(socket_->init(delegate_, url()));
        ASSERT_TRUE(pumpUntil([&] { return delegate_.opens == 1 || delegate_.errors > 0; }, PEER_DEADLINE,
                              REAL_TIME_DT));
        ASSERT_EQ(delegate_.opens, 1);
        ASSERT_EQ(socket_->getReadyState(), MyWebSocket::OPEN);
    }

    // Sends text and waits for the next message.
    std::string roundTrip(const std::string& text) {
        const size_t before = delegate_.messages.size();
        socket_->send(text);
        if (!pumpUntil([&] { return delegate_.messages.size() > before; }, PEER_DEADLINE, REAL_TIME_DT))
            return "<no answer>";
        return delegate_.messages.back();
    }

    NodePeer peer_;
    RecordingDelegate delegate_;
    std::unique_ptr<MyWebSocket> socket_;
};

TEST(MyWebSocketUrl, ParsesHostPortPathAndScheme) {
    CCDirector::purgeDirector();
    RecordingDelegate delegate;
    struct Case {
        const char* url;
        const char* host;
        int port;
        const char* path;
        bool secure;
    };
    const Case cases[] = {
        {"ws://127.0.0.1:8080/socket.io/1/websocket/", "127.0.0.1", 8080, "/socket.io/1/websocket/", false},
        {"wss://127.0.0.1/x", "127.0.0.1", 80, "/x", true},
        {"ws://127.0.0.1", "127.0.0.1", 80, "/", false},
        {"127.0.0.1:8080/socket.io/1/websocket/?EIO=2&transport=websocket&sid=ab", "127.0.0.1", 8080,
         "/socket.io/1/websocket/?EIO=2&transport=websocket&sid=ab", false},
        // A colon in the path is not the port.
        {"ws://127.0.0.1/a:9/b", "127.0.0.1", 80, "/a:9/b", false},
    };
    for (const Case& c : cases) {
        MyWebSocket socket;
        ASSERT_TRUE(socket.init(delegate, c.url)) << c.url;
        EXPECT_EQ(socket.getHost(), c.host) << c.url;
        EXPECT_EQ(socket.getPort(), c.port) << c.url;
        EXPECT_EQ(socket.getPath(), c.path) << c.url;
        EXPECT_EQ(socket.isSecure(), c.secure) << c.url;
    }
    MyWebSocket secure;
    ASSERT_TRUE(secure.init(delegate, "ws://127.0.0.1:8080/", true));
    EXPECT_TRUE(secure.isSecure());

    // Addresses that cannot be connected to are refused up front.
    for (const char* bad : {"ws://:80/x", "ws://127.0.0.1:0/x", "ws://127.0.0.1:70000/", ""}) {
        MyWebSocket socket;
        EXPECT_FALSE(socket.init(delegate, bad)) << bad;
    }
    CCDirector::purgeDirector();
}

TEST_F(MyWebSocketTest, EchoesTextOnTheMainThread) {
    openSocket();
    EXPECT_EQ(roundTrip("hello"), "hello");
    EXPECT_EQ(roundTrip(""), "");
    EXPECT_EQ(roundTrip("grüße \xe2\x82\xac"), "grüße \xe2\x82\xac");
    EXPECT_TRUE(delegate_.onMainThread);
    EXPECT_TRUE(delegate_.terminated);
    EXPECT_TRUE(peer_.hasLine("CONNECTED /echo protocol=default-protocol"));
}

TEST_F(MyWebSocketTest, LongTextLeavesInFramesOfAtMost64KiBAndComesBackWhole) {
    openSocket();
    std::string text(150000, ' ');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    // The echo is one 150000-byte frame, which the library hands over in pieces: it must arrive joined.
    EXPECT_EQ(roundTrip(text), text);
    ASSERT_EQ(delegate_.messages.size(), 1u);

    const std::string frames = roundTrip("frames");
    rapidjson::Document doc;
    doc.Parse(frames.c_str());
    ASSERT_TRUE(doc.IsArray()) << frames;
    ASSERT_GE(doc.Size(), 3u) << frames;
    const struct {
        bool fin;
        int opcode;
        int length;
    } expected[] = {{false, 1, 65536}, {false, 0, 65536}, {true, 0, 18928}};
    for (rapidjson::SizeType i = 0; i < 3; ++i) {
        EXPECT_EQ(doc[i]["fin"].GetBool(), expected[i].fin) << "frame " << i;
        EXPECT_EQ(doc[i]["opcode"].GetInt(), expected[i].opcode) << "frame " << i;
        EXPECT_EQ(doc[i]["length"].GetInt(), expected[i].length) << "frame " << i;
    }
}

TEST_F(MyWebSocketTest, FragmentedServerMessageReachesOnMessageOnce) {
    openSocket();
    socket_->send("fragment");
    socket_->send("after");
    ASSERT_TRUE(pumpUntil([&] { return delegate_.messages.size() >= 2; }, PEER_DEADLINE, REAL_TIME_DT));
    pumpFor(0.1);
    EXPECT_EQ(delegate_.messages, (std::vector<std::string>{"alpha-beta-gamma", "after"}));
}

TEST_F(MyWebSocketTest, ServerCloseGivesOneOnClose) {
    openSocket();
    socket_->send("close");
    ASSERT_TRUE(pumpUntil([&] { return delegate_.closes > 0; }, PEER_DEADLINE, REAL_TIME_DT));
    EXPECT_EQ(socket_->getReadyState(), MyWebSocket::CLOSED);
    pumpFor(0.3);
    socket_->close();
    socket_->send("dropped");
    pumpFor(0.1);
    EXPECT_EQ(delegate_.closes, 1);
    EXPECT_EQ(delegate_.errors, 0);
    EXPECT_TRUE(delegate_.onMainThread);
}

TEST_F(MyWebSocketTest, CloseTwiceCallsOnCloseOnceAndEndsTheConnection) {
    openSocket();
    socket_->close();
    EXPECT_EQ(delegate_.closes, 1);
    socket_->close();
    EXPECT_EQ(delegate_.closes, 1);
    EXPECT_EQ(socket_->getReadyState(), MyWebSocket::CLOSED);
    EXPECT_TRUE(peer_.waitForLine("DISCONNECTED"));
    pumpFor(0.2);
    EXPECT_EQ(delegate_.closes, 1);
}

TEST_F(MyWebSocketTest, SendBeforeOpenIsDropped) {
    socket_ = std::make_unique<MyWebSocket>();
    // The server takes its time accepting, so the send surely comes while still connecting.
    ASSERT_TRUE(socket_->init(delegate_, "ws://127.0.0.1:" + std::to_string(peer_.port()) + "/slow"));
    socket_->send("too early");
    EXPECT_EQ(socket_->getReadyState(), MyWebSocket::CONNECTING);
    ASSERT_TRUE(pumpUntil([&] { return delegate_.opens == 1; }, PEER_DEADLINE, REAL_TIME_DT));
    EXPECT_EQ(roundTrip("on time"), "on time");
    EXPECT_EQ(delegate_.messages, (std::vector<std::string>{"on time"}));
}

TEST_F(MyWebSocketTest, RefusedConnectGivesOnError) {
    socket_ = std::make_unique<MyWebSocket>();
    // The owner deletes the socket in onError, as the Socket.IO client does.
    delegate_.deleteOnError = [&](MyWebSocket* socket) {
        ASSERT_EQ(socket, socket_.get());
        socket_.reset();
    };
    ASSERT_TRUE(socket_->init(delegate_, "ws://127.0.0.1:" + std::to_string(closedPort()) + "/"));
    ASSERT_TRUE(pumpUntil([&] { return delegate_.errors > 0; }, PEER_DEADLINE, REAL_TIME_DT));
    EXPECT_EQ(delegate_.lastError, MyWebSocket::CONNECTION_FAILURE);
    EXPECT_EQ(socket_, nullptr);
    pumpFor(0.2);
    EXPECT_EQ(delegate_.errors, 1);
    EXPECT_EQ(delegate_.opens, 0);
    EXPECT_EQ(delegate_.closes, 0);
}

TEST_F(MyWebSocketTest, RefusedConnectKeptByItsOwnerAlsoCloses) {
    socket_ = std::make_unique<MyWebSocket>();
    ASSERT_TRUE(socket_->init(delegate_, "ws://127.0.0.1:" + std::to_string(closedPort()) + "/"));
    ASSERT_TRUE(
        pumpUntil([&] { return delegate_.errors > 0 && delegate_.closes > 0; }, PEER_DEADLINE, REAL_TIME_DT));
    EXPECT_EQ(delegate_.errors, 1);
    EXPECT_EQ(delegate_.closes, 1);
    EXPECT_EQ(socket_->getReadyState(), MyWebSocket::CLOSED);
}

TEST_F(MyWebSocketTest, DeletedSocketSkipsCallbacksStillQueued) {
    openSocket();
    socket_->send("burst 5");
    // Let the worker queue the messages without running a frame.
    CCScheduler* scheduler = CCDirector::sharedDirector()->getScheduler();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (scheduler->pendingFunctionCount() < 5 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(scheduler->pendingFunctionCount(), 5u);
    socket_.reset();
    CCDirector::sharedDirector()->stepFrame(0.016f);
    EXPECT_EQ(scheduler->pendingFunctionCount(), 0u);
    EXPECT_TRUE(delegate_.messages.empty());
    EXPECT_EQ(delegate_.closes, 0);
}

TEST_F(MyWebSocketTest, OwnerMayDeleteTheSocketInsideOnClose) {
    openSocket();
    delegate_.deleteOnClose = [&](MyWebSocket*) { socket_.reset(); };
    MyWebSocket* raw = socket_.get();
    raw->send("close");
    ASSERT_TRUE(pumpUntil([&] { return delegate_.closes > 0; }, PEER_DEADLINE, REAL_TIME_DT));
    EXPECT_EQ(socket_, nullptr);
    pumpFor(0.1);
    EXPECT_EQ(delegate_.closes, 1);
}

}  // namespace

namespace {

TEST(MyWebSocketTls, UntrustedCertificateIsRefused) {
    CCDirector::purgeDirector();
    NodePeer peer;
    ASSERT_TRUE(peer.start(peerScript("ws_server.js"), {"tls"})) << peer.error();
    RecordingDelegate delegate;
    auto socket = std::make_unique<MyWebSocket>();
    ASSERT_TRUE(socket->init(delegate, "wss://127.0.0.1:" + std::to_string(peer.port()) + "/"));
    EXPECT_TRUE(socket->isSecure());
    ASSERT_TRUE(
        pumpUntil([&] { return delegate.errors > 0 || delegate.opens > 0; }, PEER_DEADLINE, REAL_TIME_DT));
    EXPECT_EQ(delegate.errors, 1);
    EXPECT_EQ(delegate.opens, 0);
    // The TLS handshake was made, and failed on the certificate.
    EXPECT_FALSE(peer.hasLine("CONNECTED"));
    socket.reset();
    CCDirector::purgeDirector();
}

}  // namespace
