// Feeds the Socket.IO client random handshake replies and random frames, each frame put together from
// random fragments: pieces of real frames ("42", "/news,", "9+[", ...) mixed with random bytes. Both
// protocol generations; replies to the server and every delegate call are exercised.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "CCDirector.h"
#include "CCHttpRequest.h"
#include "CCHttpResponse.h"
#include "FuzzSupport.h"
#include "SIOClient.h"
#include "SIOClientImpl.h"
#include "SocketIO.h"

namespace {

const char* const FRAGMENTS[] = {
    "0",
    "1",
    "2",
    "3",
    "4",
    "5",
    "6",
    "7",
    "8",
    "9",
    "40",
    "41",
    "42",
    "43",
    "44",
    "45",
    ":",
    "::",
    ":::",
    "/",
    "/news",
    "/news,",
    ",",
    "[",
    "]",
    "{",
    "}",
    "\"",
    "\\",
    "\"name\":",
    "\"args\":[",
    "probe",
    "9+",
    "+",
    "12",
    "\"ev\"",
    "{\"a\":1}",
    "null",
    "97:",
    "0{\"sid\":\"s\"",
    ",\"pingInterval\":",
    "25000",
    "}2:40",
    "sid:60:25:websocket",
    "\x00",
    "\xff",
};

class SinkDelegate : public SocketIO::SIODelegate {
public:
    void onConnect(SIOClient* client) override { touch(client->getPath()); }
    void onMessage(SIOClient*, const std::string& data) override { touch(data); }
    void onClose(SIOClient* client) override { touch(client->getPath()); }
    void onError(SIOClient*, const std::string& data) override { touch(data); }
    void fireEventToScript(SIOClient*, const std::string& name, const std::string& data) override {
        touch(name);
        touch(data);
    }
    size_t seen = 0;

private:
    void touch(const std::string& text) {
        for (char c : text) seen += static_cast<unsigned char>(c);
    }
};

class FuzzedConnection : public SIOClientImpl {
public:
    FuzzedConnection() : SIOClientImpl("127.0.0.1", 1) {}
    void openSocket() override {}
    void writeFrame(const std::string& text) override { written += text.size(); }
    size_t written = 0;
};

std::string makeText(FuzzedDataProvider& data) {
    std::string text;
    const int pieces = data.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < pieces && data.remaining_bytes(); ++i) {
        if (data.ConsumeBool()) {
            text += FRAGMENTS[data.ConsumeIntegralInRange<size_t>(0, std::size(FRAGMENTS) - 1)];
        } else {
            text += data.ConsumeRandomLengthString(24);
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietLog();
    CDebugModule::getInstance()->setWarnEnabled(false);
    CDebugModule::getInstance()->setErrorEnabled(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    SinkDelegate delegate;
    auto* connection = new FuzzedConnection();
    connection->retain();
    for (const char* path : {"/", "/news"}) {
        auto* client = new SIOClient("127.0.0.1", 1, path, connection, delegate);
        client->on("connect", [](SIOClient* c, const std::string&) { c->emit("sub", "{}", "9"); });
        connection->addClient(path, client);
    }

    std::string reply;
    switch (data.ConsumeIntegralInRange(0, 2)) {
        case 0:
            reply = R"(97:0{"sid":"abc","upgrades":["websocket"],"pingInterval":25000,"pingTimeout":60000})";
            break;
        case 1:
            reply = "abc:60:25:websocket";
            break;
        default:
            break;
    }
    reply += makeText(data);
    auto* request = new cocos2d::CCHttpRequest();
    auto* response = new cocos2d::CCHttpResponse(request);
    response->setSucceed(true);
    response->setResponseData(std::vector<char>(reply.begin(), reply.end()));
    connection->handshakeResponse(nullptr, response);
    response->release();
    request->release();
    connection->onOpen(nullptr);

    while (data.remaining_bytes() > 0) connection->handleMessage(makeText(data));

    connection->disconnect();
    connection->release();
    cocos2d::CCDirector::purgeDirector();
    return 0;
}
