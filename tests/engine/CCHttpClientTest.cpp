#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "CCDirector.h"
#include "CCHttpClient.h"
#include "CCScheduler.h"
#include "FrameSteps.h"
#include "NodePeer.h"

USING_NS_CC;

namespace {

using Clock = std::chrono::steady_clock;

struct Received {
    bool succeed = false;
    int code = 0;
    std::string body;
    std::string header;
    std::string error;
    std::string tag;
    std::string url;
    std::thread::id thread;
};

Received capture(CCHttpResponse* response) {
    Received r;
    r.succeed = response->isSucceed();
    r.code = response->getResponseCode();
    r.body.assign(response->getResponseData()->begin(), response->getResponseData()->end());
    r.header.assign(response->getResponseHeader()->begin(), response->getResponseHeader()->end());
    r.error = response->getErrorBuffer();
    r.tag = response->getHttpRequest()->getTag();
    r.url = response->getHttpRequest()->getUrl();
    r.thread = std::this_thread::get_id();
    return r;
}

// A callback target that records every response and counts its live instances.
class Recorder : public CCObject {
public:
    static int alive;
    Recorder() { ++alive; }
    ~Recorder() override { --alive; }
    void onResponse(CCHttpClient* /*client*/, CCHttpResponse* response) {
        received.push_back(capture(response));
    }
    std::vector<Received> received;
};
int Recorder::alive = 0;

class CountedRequest : public CCHttpRequest {
public:
    static int alive;
    CountedRequest() { ++alive; }
    ~CountedRequest() override { --alive; }
};
int CountedRequest::alive = 0;

void send(const std::string& url, Recorder* target, const char* tag = "", HttpRequestType type = kHttpGet,
          const std::string& body = "", std::vector<std::string> headers = {}, bool download = false) {
    CCHttpRequest* request = new CountedRequest();
    request->setUrl(url.c_str());
    request->setRequestType(type);
    request->setRequestData(body.data(), static_cast<unsigned int>(body.size()));
    request->setTag(tag);
    request->setHeaders(std::move(headers));
    request->setDownload(download);
    request->setResponseCallback(target, httpresponse_selector(Recorder::onResponse));
    CCHttpClient::getInstance()->send(request);
    request->release();
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CCHttpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCDirector::purgeDirector();
        startPeer();
    }

    void TearDown() override {
        CCHttpClient::destroyInstance();
        CCDirector::purgeDirector();
        peer_.stop();
    }

    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(httpPort_) + path;
    }
    std::string secureUrl(const std::string& path) const {
        return "https://127.0.0.1:" + std::to_string(httpsPort_) + path;
    }

    // Waits, without running frames, until the worker has handed count responses to the scheduler.
    static bool waitForQueuedResponses(size_t count, double seconds = 20) {
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        CCScheduler* scheduler = CCDirector::sharedDirector()->getScheduler();
        while (scheduler->pendingFunctionCount() < count) {
            if (Clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    // tests/engine/peers/http_server.js: an HTTP and an HTTPS port.
    int httpPort_ = 0;
    int httpsPort_ = 0;

private:
    void startPeer() {
        ASSERT_TRUE(peer_.start(std::string(ZENTO_TEST_PEERS_DIR) + "/http_server.js", {}, ""))
            << peer_.error();
        httpPort_ = peer_.port(0);
        httpsPort_ = peer_.port(1);
        ASSERT_GT(httpsPort_, 0);
    }

    NodePeer peer_;
};

TEST_F(CCHttpClientTest, GetIsHandedToTheMainThreadThroughTheScheduler) {
    EXPECT_EQ(CCHttpClient::getInstance()->getTimeoutForConnect(), 10);
    EXPECT_EQ(CCHttpClient::getInstance()->getTimeoutForRead(), 30);
    auto* recorder = new Recorder();
    send(url("/hello"), recorder, "greeting");

    // The finished response waits in the scheduler's queue until a frame runs it.
    ASSERT_TRUE(waitForQueuedResponses(1));
    EXPECT_TRUE(recorder->received.empty());
    CCDirector::sharedDirector()->stepFrame(0.016f);
    ASSERT_EQ(recorder->received.size(), 1u);

    const Received& r = recorder->received[0];
    EXPECT_TRUE(r.succeed);
    EXPECT_EQ(r.code, 200);
    EXPECT_EQ(r.body, "hello");
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.tag, "greeting");
    EXPECT_EQ(r.url, url("/hello"));
    EXPECT_TRUE(contains(r.header, "Content-Type: text/plain")) << r.header;
    EXPECT_EQ(r.thread, std::this_thread::get_id());

    // The function form of the callback is delivered the same way.
    std::thread::id calledOn;
    std::string body;
    CCHttpRequest* request = new CCHttpRequest();
    request->setUrl(url("/hello").c_str());
    request->setResponseCallback([&](CCHttpClient* client, CCHttpResponse* response) {
        EXPECT_EQ(client, CCHttpClient::getInstance());
        calledOn = std::this_thread::get_id();
        body.assign(response->getResponseData()->begin(), response->getResponseData()->end());
    });
    CCHttpClient::getInstance()->send(request);
    request->release();
    ASSERT_TRUE(pumpUntil([&] { return !body.empty(); }));
    EXPECT_EQ(body, "hello");
    EXPECT_EQ(calledOn, std::this_thread::get_id());
    recorder->release();
}

TEST_F(CCHttpClientTest, MethodsSendTheirBodyAndHeaders) {
    auto* recorder = new Recorder();
    const std::string binary("a=1&b=\0\x01\xff", 9);
    const std::vector<std::string> headers = {"X-Zento-Test: marker-1",
                                              "Content-Type: application/json; charset=utf-8"};
    send(url("/echo"), recorder, "post", kHttpPost, binary, headers);
    send(url("/echo"), recorder, "put", kHttpPut, "{\"put\":1}", headers);
    send(url("/echo"), recorder, "delete", kHttpDelete, "", {"X-Zento-Test: marker-2"});
    send(url("/echo"), recorder, "get", kHttpGet);
    send(url("/echo"), recorder, "empty post", kHttpPost, "");
    const std::string large(300000, 'z');
    send(url("/echo"), recorder, "large", kHttpPost, large);
    ASSERT_TRUE(pumpUntil([&] { return recorder->received.size() == 6; }));

    for (const Received& r : recorder->received) {
        EXPECT_TRUE(r.succeed) << r.tag << ": " << r.error;
        if (r.tag == "post") {
            EXPECT_EQ(r.body, "POST\nmarker-1\napplication/json; charset=utf-8\n" + binary);
            EXPECT_TRUE(contains(r.header, "X-Echo: marker-1")) << r.header;
        } else if (r.tag == "put") {
            EXPECT_EQ(r.body, "PUT\nmarker-1\napplication/json; charset=utf-8\n{\"put\":1}");
        } else if (r.tag == "delete") {
            EXPECT_EQ(r.body, "DELETE\nmarker-2\n\n");
        } else if (r.tag == "get") {
            EXPECT_EQ(r.body, "GET\n\n\n");
        } else if (r.tag == "empty post") {
            EXPECT_EQ(r.body, "POST\n\napplication/x-www-form-urlencoded\n");
        } else {
            EXPECT_EQ(r.tag, "large");
            EXPECT_EQ(r.body, "POST\n\napplication/x-www-form-urlencoded\n" + large);
        }
    }
    recorder->release();
}

TEST_F(CCHttpClientTest, EveryResponseCarriesItsOwnRequestAndTag) {
    auto* recorder = new Recorder();
    const int count = 8;
    for (int i = 0; i < count; ++i) {
        const std::string tag = std::to_string(i);
        send(url("/echo?n=" + tag), recorder, tag.c_str());
    }
    ASSERT_TRUE(pumpUntil([&] { return recorder->received.size() == count; }));
    std::vector<int> seen(count, 0);
    for (const Received& r : recorder->received) {
        EXPECT_EQ(r.url, url("/echo?n=" + r.tag));
        const int n = std::stoi(r.tag);
        ASSERT_TRUE(n >= 0 && n < count);
        ++seen[static_cast<size_t>(n)];
    }
    EXPECT_EQ(seen, std::vector<int>(count, 1));
    // Nothing is delivered twice.
    for (int i = 0; i < 5; ++i) CCDirector::sharedDirector()->stepFrame(0.016f);
    EXPECT_EQ(recorder->received.size(), static_cast<size_t>(count));
    recorder->release();
}

TEST_F(CCHttpClientTest, SuccessMeansA2xxStatus) {
    auto* recorder = new Recorder();
    send(url("/status/404"), recorder, "404");
    send(url("/status/500"), recorder, "500");
    send(url("/status/204"), recorder, "204");
    ASSERT_TRUE(pumpUntil([&] { return recorder->received.size() == 3; }));
    for (const Received& r : recorder->received) {
        if (r.tag == "204") {
            EXPECT_TRUE(r.succeed);
            EXPECT_EQ(r.code, 204);
            EXPECT_EQ(r.body, "");
            EXPECT_EQ(r.error, "");
        } else {
            EXPECT_FALSE(r.succeed) << r.tag;
            EXPECT_EQ(std::to_string(r.code), r.tag);
            EXPECT_EQ(r.body, "status " + r.tag);
            EXPECT_TRUE(contains(r.error, r.tag)) << r.error;
        }
    }
    recorder->release();
}

TEST_F(CCHttpClientTest, RefusedConnectionReportsAnError) {
    // A bound socket that does not listen: the port stays ours and connections to it are refused.
    const int holder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(holder, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length), 0);

    auto* recorder = new Recorder();
    send("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/hello", recorder);
    const bool delivered = pumpUntil([&] { return !recorder->received.empty(); });
    close(holder);
    ASSERT_TRUE(delivered);
    const Received& r = recorder->received[0];
    EXPECT_FALSE(r.succeed);
    EXPECT_FALSE(r.code >= 200 && r.code <= 299);
    EXPECT_NE(r.error, "");
    EXPECT_EQ(r.body, "");
    recorder->release();
}

TEST_F(CCHttpClientTest, RequestsThatCannotBeSentFailWithAReason) {
    auto* recorder = new Recorder();
    send(url("/hello"), recorder, "unknown type", kHttpUnkown);
    send("file:///etc/hostname", recorder, "file scheme");
    send("", recorder, "empty url");
    // A redirect loop ends at the redirect limit.
    send(url("/redirect/40"), recorder, "endless redirects");
    // The peer's certificate is self-signed: the default checks must refuse it.
    send(secureUrl("/hello"), recorder, "self-signed");
    ASSERT_TRUE(pumpUntil([&] { return recorder->received.size() == 5; }));
    for (const Received& r : recorder->received) {
        EXPECT_FALSE(r.succeed) << r.tag;
        EXPECT_NE(r.error, "") << r.tag;
        if (r.tag == "self-signed") {
            EXPECT_TRUE(contains(r.error, "certificate")) << r.error;
            EXPECT_EQ(r.body, "");
        }
    }
    recorder->release();
}

TEST_F(CCHttpClientTest, SilentServerIsCutOffByTheStallTimeout) {
    CCHttpClient::getInstance()->setTimeoutForConnect(1);
    CCHttpClient::getInstance()->setTimeoutForRead(1);
    auto* recorder = new Recorder();
    const auto started = Clock::now();
    send(url("/silent"), recorder);
    ASSERT_TRUE(pumpUntil([&] { return !recorder->received.empty(); }, 10));
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    const Received& r = recorder->received[0];
    EXPECT_FALSE(r.succeed);
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.error, "");
    // It was the stall time-out that ended it, not some earlier failure.
    EXPECT_GE(seconds, 0.9) << r.error;
    recorder->release();
}

TEST_F(CCHttpClientTest, RedirectsAreFollowed) {
    auto* recorder = new Recorder();
    send(url("/redirect/3"), recorder);
    ASSERT_TRUE(pumpUntil([&] { return !recorder->received.empty(); }));
    const Received& r = recorder->received[0];
    EXPECT_TRUE(r.succeed) << r.error;
    EXPECT_EQ(r.code, 200);
    EXPECT_EQ(r.body, "hello");
    EXPECT_TRUE(contains(r.header, "302")) << r.header;
    recorder->release();
}

TEST_F(CCHttpClientTest, DownloadReportsProgressWhileItRuns) {
    const size_t total = 10 * 1024 * 1024;
    auto* recorder = new Recorder();
    // A finished earlier download's figures must not show through as the new one's progress.
    send(url("/big?size=5000"), recorder, "first", kHttpGet, "", {}, true);
    ASSERT_TRUE(pumpUntil([&] { return !recorder->received.empty(); }));
    EXPECT_EQ(CCHttpClient::getCurFileDownloadSize(), 5000.0);
    recorder->received.clear();

    send(url("/big?size=" + std::to_string(total) + "&chunks=20&delay=40"), recorder, "", kHttpGet, "", {},
         true);
    EXPECT_EQ(CCHttpClient::getCurFileDownloadSize(), 0.0);

    std::vector<double> sizes;
    bool speedSeenWhileRunning = false;
    ASSERT_TRUE(pumpUntil([&] {
        if (!recorder->received.empty()) return true;
        const double size = CCHttpClient::getCurFileDownloadSize();
        const double speed = CCHttpClient::getDownloadSpeed();
        sizes.push_back(size);
        if (size > 0 && size < static_cast<double>(total) && speed > 0) speedSeenWhileRunning = true;
        return false;
    }));

    const Received& r = recorder->received[0];
    ASSERT_TRUE(r.succeed) << r.error;
    ASSERT_EQ(r.body.size(), total);
    bool patternIntact = true;
    for (size_t i = 0; i < total && patternIntact; ++i) {
        patternIntact = static_cast<unsigned char>(r.body[i]) == i % 251;
    }
    EXPECT_TRUE(patternIntact);

    EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end()));
    size_t partialSteps = 0;
    for (size_t i = 1; i < sizes.size(); ++i) {
        if (sizes[i] > sizes[i - 1] && sizes[i] < static_cast<double>(total)) ++partialSteps;
    }
    EXPECT_GE(partialSteps, 3u) << "progress should rise over several frames";
    EXPECT_TRUE(speedSeenWhileRunning);
    EXPECT_EQ(CCHttpClient::getCurFileDownloadSize(), static_cast<double>(total));
    EXPECT_GT(CCHttpClient::getDownloadSpeed(), 0);

    // An ordinary request leaves the download figures alone.
    send(url("/hello"), recorder);
    ASSERT_TRUE(pumpUntil([&] { return recorder->received.size() == 2; }));
    EXPECT_EQ(CCHttpClient::getCurFileDownloadSize(), static_cast<double>(total));
    recorder->release();
}

TEST_F(CCHttpClientTest, SilentRequestDoesNotHoldUpOthers) {
    auto* silent = new Recorder();
    auto* fast = new Recorder();
    send(url("/silent"), silent);
    send(url("/silent"), silent);
    send(url("/big?size=100000&chunks=5&delay=20"), fast, "big");
    send(url("/hello"), fast, "hello");
    ASSERT_TRUE(pumpUntil([&] { return fast->received.size() == 2; }));
    for (const Received& r : fast->received) EXPECT_TRUE(r.succeed) << r.tag << ": " << r.error;
    EXPECT_TRUE(silent->received.empty());
    silent->release();
    fast->release();
}

TEST_F(CCHttpClientTest, DestroyWithRequestsInFlightDropsThemWithoutLeaks) {
    const int requestsBefore = CountedRequest::alive;
    const int recordersBefore = Recorder::alive;
    auto* recorder = new Recorder();
    send(url("/silent"), recorder);
    send(url("/silent"), recorder);
    send(url("/big?size=4000000&chunks=40&delay=50"), recorder, "", kHttpGet, "", {}, true);
    send(url("/hello"), recorder);
    send(url("/status/404"), recorder);
    // Two responses are finished and queued for the main thread, the others are still running.
    ASSERT_TRUE(waitForQueuedResponses(2));
    EXPECT_EQ(CountedRequest::alive - requestsBefore, 5);

    CCHttpClient::destroyInstance();
    for (int i = 0; i < 5; ++i) CCDirector::sharedDirector()->stepFrame(0.016f);
    EXPECT_TRUE(recorder->received.empty());
    EXPECT_EQ(CountedRequest::alive, requestsBefore);
    EXPECT_EQ(recorder->retainCount(), 1u);
    recorder->release();
    EXPECT_EQ(Recorder::alive, recordersBefore);

    // A fresh client works after the old one is gone.
    auto* again = new Recorder();
    send(url("/hello"), again);
    ASSERT_TRUE(pumpUntil([&] { return !again->received.empty(); }));
    EXPECT_TRUE(again->received[0].succeed);
    again->release();
}

TEST_F(CCHttpClientTest, ResponsesQueuedBeforeADirectorPurgeAreReleasedWithTheClient) {
    const int requestsBefore = CountedRequest::alive;
    const int recordersBefore = Recorder::alive;
    auto* recorder = new Recorder();
    send(url("/hello"), recorder);
    ASSERT_TRUE(waitForQueuedResponses(1));
    // The queued hand-over never runs on the fresh director; the client still owns the request.
    CCDirector::purgeDirector();
    for (int i = 0; i < 3; ++i) CCDirector::sharedDirector()->stepFrame(0.016f);
    EXPECT_TRUE(recorder->received.empty());
    CCHttpClient::destroyInstance();
    EXPECT_EQ(CountedRequest::alive, requestsBefore);
    recorder->release();
    EXPECT_EQ(Recorder::alive, recordersBefore);
}

}  // namespace
