#include "HttpHelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCDirector.h"
#include "FrameSteps.h"
#include "LogLines.h"
#include "NodePeer.h"
#include "TempHome.h"
#include "TestSupport.h"

USING_NS_CC;

namespace {
bool loggedPart(const ConsoleCapture& console, const std::string& part) {
    for (const std::string& line : console.lines()) {
        if (line.find(part) != std::string::npos) return true;
    }
    return false;
}

// A response as the client would deliver it, without a network.
class FakeResponse {
public:
    FakeResponse(bool succeed, int code, const std::string& body, const char* error = "") {
        request_ = new CCHttpRequest();
        request_->setTag("tag");
        response_ = new CCHttpResponse(request_);
        response_->setSucceed(succeed);
        response_->setResponseCode(code);
        response_->setResponseData(std::vector<char>(body.begin(), body.end()));
        response_->setErrorBuffer(error);
    }
    ~FakeResponse() {
        response_->release();
        request_->release();
    }
    FakeResponse(const FakeResponse&) = delete;
    FakeResponse& operator=(const FakeResponse&) = delete;
    CCHttpResponse* get() const { return response_; }

private:
    CCHttpRequest* request_;
    CCHttpResponse* response_;
};

std::vector<std::string> urlsOf(const std::string& body) {
    FakeResponse response(true, 200, body);
    std::vector<std::string> urls;
    EXPECT_TRUE(responseToUrlList(response.get(), urls));
    return urls;
}

// The readers log: the log lands in a temporary writable folder.
class HttpHelpersTest : public ::testing::Test {
protected:
    TempHome home_;
};

// Records what reaches a callback of the engine's response shape.
class Recorder : public CCObject {
public:
    struct Received {
        std::string tag;
        std::string url;
        bool read = false;
        std::string body;
        std::vector<std::string> urls;
    };
    void onText(CCHttpClient*, CCHttpResponse* response) {
        Received r = start(response);
        r.read = responseToString(response, r.body);
        received.push_back(r);
    }
    void onUrls(CCHttpClient*, CCHttpResponse* response) {
        Received r = start(response);
        r.read = responseToUrlList(response, r.urls);
        received.push_back(r);
    }
    void onBytes(CCHttpClient*, CCHttpResponse* response) {
        Received r = start(response);
        std::vector<unsigned char> bytes;
        r.read = responseToBytes(response, bytes);
        r.body.assign(bytes.begin(), bytes.end());
        received.push_back(r);
    }
    std::vector<Received> received;

private:
    static Received start(CCHttpResponse* response) {
        Received r;
        r.tag = response->getHttpRequest()->getTag();
        r.url = response->getHttpRequest()->getUrl();
        return r;
    }
};

// The engine's HTTP test peer (tests/engine/peers/http_server.js) on a free loopback port, stopped with
// the fixture.
class HttpHelpersPeerTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCDirector::purgeDirector();
        ASSERT_TRUE(peer_.start(std::string(ZENTO_TEST_PEERS_DIR) + "/http_server.js", {}, ""))
            << peer_.error();
    }
    void TearDown() override {
        CCHttpClient::destroyInstance();
        CCDirector::purgeDirector();
        peer_.stop();
    }

    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(peer_.port()) + path;
    }

private:
    TempHome home_;
    NodePeer peer_;
};
}  // namespace

TEST_F(HttpHelpersTest, ResponseToStringNeedsTransportSuccessAnd2xx) {
    ConsoleCapture console;
    std::string text = "stale";
    EXPECT_FALSE(responseToString(nullptr, text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(logged(console, "!!!!!!!!!!!!!!!!!!!response failed: response is null!"));

    FakeResponse ok(true, 200, "hello");
    EXPECT_TRUE(responseToString(ok.get(), text));
    EXPECT_EQ(text, "hello");

    FakeResponse empty(true, 204, "");
    EXPECT_TRUE(responseToString(empty.get(), text));
    EXPECT_EQ(text, "");

    console.clear();
    FakeResponse notFound(false, 404, "no such path", "HTTP status 404");
    EXPECT_FALSE(responseToString(notFound.get(), text));
    EXPECT_EQ(text, "no such path");
    EXPECT_TRUE(logged(console, "!!!!!!!!!!!!!!!!!!!response failed:HTTP status 404"));
    EXPECT_TRUE(logged(console, "request to string failed:no such path"));

    // A status outside 2xx is a failure even when the transfer itself went through.
    console.clear();
    FakeResponse serverError(true, 500, "oops");
    EXPECT_FALSE(responseToString(serverError.get(), text));
    EXPECT_TRUE(logged(console, "!!!!!!!!!!!!!!!!!!!response failed:HTTP status 500"));

    console.clear();
    std::vector<unsigned char> bytes{1, 2, 3};
    FakeResponse binary(true, 200, std::string("\0\x01\xff", 3));
    EXPECT_TRUE(responseToBytes(binary.get(), bytes));
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0x00, 0x01, 0xFF}));
    EXPECT_FALSE(responseToBytes(notFound.get(), bytes));
    EXPECT_TRUE(logged(console, "!!!!!!!!!!!!!!!!!!!response failed:HTTP status 404"));
    EXPECT_FALSE(logged(console, "request to string failed:no such path"));
    EXPECT_FALSE(responseToBytes(nullptr, bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST_F(HttpHelpersTest, JsonBodiesAreParsedOrLeftInTheirErrorState) {
    ConsoleCapture console;
    rapidjson::Document document;
    ASSERT_TRUE(parseJson(R"({"result":1,"list":[1,2]})", document));
    ASSERT_TRUE(document.IsObject());
    EXPECT_EQ(document["list"].Size(), 2u);

    EXPECT_TRUE(parseJson("{\"result\":", document));
    EXPECT_FALSE(document.IsObject());
    EXPECT_TRUE(document.HasParseError());
    EXPECT_TRUE(loggedPart(console, "json Parse Error"));

    // Deep nesting is parsed without recursion.
    EXPECT_TRUE(parseJson(std::string(200000, '[') + std::string(200000, ']'), document));
    EXPECT_TRUE(document.IsArray());

    FakeResponse empty(true, 200, "");
    EXPECT_TRUE(responseToJson(empty.get(), document));
    EXPECT_FALSE(document.IsObject());

    FakeResponse object(true, 200, R"({"status_code":200})");
    ASSERT_TRUE(responseToJson(object.get(), document));
    EXPECT_TRUE(document.IsObject());

    console.clear();
    FakeResponse failed(false, 0, "", "Couldn't connect to server");
    EXPECT_FALSE(responseToJson(failed.get(), document));
    EXPECT_TRUE(logged(console, "RequestToStringe failed!"));
    EXPECT_FALSE(responseToJson(nullptr, document));
}

TEST_F(HttpHelpersTest, UrlListsKeepSchemeDottedHostShortPathAndPort) {
    // Script bodies with several entries, in order.
    EXPECT_EQ(urlsOf("var pcpServerList = [\"http://127.0.0.1:8090\", \"http://127.0.0.1:8080\"];\n"),
              (std::vector<std::string>{"http://127.0.0.1:8090", "http://127.0.0.1:8080"}));
    EXPECT_EQ(urlsOf("http://10.0.0.1:80,https://10.0.0.2:443"),
              (std::vector<std::string>{"http://10.0.0.1:80", "https://10.0.0.2:443"}));
    // The path part is a slash and one character; a port may only come right after it.
    EXPECT_EQ(urlsOf("'http://127.0.0.1:8090/news'"), (std::vector<std::string>{"http://127.0.0.1:8090"}));
    EXPECT_EQ(urlsOf("http://1.2.3.4/a:99 x"), (std::vector<std::string>{"http://1.2.3.4/a:99"}));
    EXPECT_EQ(urlsOf("http://market.example.com/history.php"),
              (std::vector<std::string>{"http://market.example.com/history"}));
    // Letters glued to either end are taken in; at most five port digits.
    EXPECT_EQ(urlsOf("xhttp://a.b:12345678"), (std::vector<std::string>{"xhttp://a.b:12345"}));
    EXPECT_EQ(urlsOf("(http://a-b.c_d.e/-:1abc)"), (std::vector<std::string>{"http://a-b.c_d.e/-:1abc"}));
    // No dotted host, no match.
    EXPECT_TRUE(urlsOf("http://localhost:8090 and ftp://1.2.3.4 and nothing else").empty());
    EXPECT_TRUE(urlsOf("").empty());
    // A huge run of URL characters is skipped instead of exhausting the stack.
    const std::string huge = "http://" + std::string(300000, 'a') + ".b";
    EXPECT_EQ(urlsOf(huge + " http://9.9.9.9:1"), (std::vector<std::string>{"http://9.9.9.9:1"}));
    EXPECT_EQ(findUrls("<a href=\"https://1.2.3.4:8443/\">"),
              (std::vector<std::string>{"https://1.2.3.4:8443"}));

    // The list is appended to, not replaced.
    ConsoleCapture console;
    FakeResponse response(true, 200, "[\"http://5.6.7.8:9\"]");
    std::vector<std::string> urls{"kept"};
    EXPECT_TRUE(responseToUrlList(response.get(), urls));
    EXPECT_EQ(urls, (std::vector<std::string>{"kept", "http://5.6.7.8:9"}));
    EXPECT_TRUE(logged(console, "[\"http://5.6.7.8:9\"]"));
    EXPECT_TRUE(logged(console, "http://5.6.7.8:9"));

    FakeResponse failed(false, 503, "http://5.6.7.8:9", "HTTP status 503");
    EXPECT_FALSE(responseToUrlList(failed.get(), urls));
    EXPECT_EQ(urls.size(), 2u);
    EXPECT_TRUE(logged(console, "RequestToHttp failed!!!"));
}

TEST_F(HttpHelpersPeerTest, RequestsReachARealServerAndComeBackTagged) {
    auto* recorder = new Recorder();
    const std::string list = "var servers = ['http://127.0.0.1:8090', 'http://127.0.0.1:8080'];";
    std::string query;
    for (char c : list) {
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
        query += escaped;
    }
    const std::string binary("a\0b\xff", 4);
    ASSERT_TRUE(
        httpGet(url("/text?body=" + query), "list", recorder, httpresponse_selector(Recorder::onUrls)));
    ASSERT_TRUE(httpPost(binary.data(), binary.size(), url("/echo"), "post", recorder,
                         httpresponse_selector(Recorder::onText)));
    ASSERT_TRUE(httpPostWithHeader(url("/echo"), "json", recorder, httpresponse_selector(Recorder::onText),
                                   "{\"app\":\"PC\"}", JSON_CONTENT_TYPE_HEADER));
    ASSERT_TRUE(httpGet(url("/status/404"), "missing", recorder, httpresponse_selector(Recorder::onText)));
    ASSERT_TRUE(
        httpGet("http://127.0.0.1:1/refused", "refused", recorder, httpresponse_selector(Recorder::onText)));
    // The target is kept alive by the requests.
    EXPECT_GT(recorder->retainCount(), 1u);
    ASSERT_TRUE(pumpUntil([&] { return recorder->received.size() == 5; }));

    for (const Recorder::Received& r : recorder->received) {
        if (r.tag == "list") {
            EXPECT_TRUE(r.read);
            EXPECT_EQ(r.urls, (std::vector<std::string>{"http://127.0.0.1:8090", "http://127.0.0.1:8080"}));
        } else if (r.tag == "post") {
            EXPECT_TRUE(r.read);
            EXPECT_EQ(r.body, "POST\n\napplication/x-www-form-urlencoded\n" + binary);
        } else if (r.tag == "json") {
            EXPECT_TRUE(r.read);
            EXPECT_EQ(r.body, "POST\n\napplication/json; charset=utf-8\n{\"app\":\"PC\"}");
        } else if (r.tag == "missing") {
            EXPECT_FALSE(r.read);
            EXPECT_EQ(r.body, "status 404");
            EXPECT_EQ(r.url, url("/status/404"));
        } else {
            EXPECT_EQ(r.tag, "refused");
            EXPECT_FALSE(r.read);
        }
    }
    EXPECT_EQ(recorder->retainCount(), 1u);
    recorder->release();
}

TEST_F(HttpHelpersPeerTest, DownloadsReportTheirProgress) {
    auto* recorder = new Recorder();
    ASSERT_TRUE(httpDownload(url("/big?size=300000"), recorder, httpresponse_selector(Recorder::onBytes)));
    ASSERT_TRUE(pumpUntil([&] { return recorder->received.size() == 1; }));
    const Recorder::Received& r = recorder->received[0];
    EXPECT_TRUE(r.read);
    EXPECT_EQ(r.tag, "");
    ASSERT_EQ(r.body.size(), 300000u);
    EXPECT_EQ(static_cast<unsigned char>(r.body[252]), 1);
    EXPECT_EQ(CCHttpClient::getCurFileDownloadSize(), 300000.0);
    recorder->release();
}
