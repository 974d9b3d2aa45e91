#pragma once

#include <string>
#include <vector>

#include "MarketStream.h"
#include "SIOClient.h"

// What a market stream sent, kept by the test instead of leaving the machine.
struct SentLog {
    struct Emit {
        std::string event, text, id;
    };

    ~SentLog() {
        for (SIOClient* client : clients) client->release();
    }
    // The newest socket opened.
    SIOClient* lastClient() const { return clients.empty() ? nullptr : clients.back(); }
    std::vector<Emit> emitsOf(const std::string& event) const {
        std::vector<Emit> found;
        for (const Emit& emit : emits)
            if (emit.event == event) found.push_back(emit);
        return found;
    }

    std::vector<std::string> requests;  // request tags
    std::vector<std::string> sockets;   // socket URIs
    std::vector<Emit> emits;
    std::vector<SIOClient*> clients;
};

// The market stream with its network kept in the test: requests and emits go to a SentLog, sockets
// are plain clients the test connects and drops by hand.
class TestMarketStream : public MarketStream {
public:
    static TestMarketStream* create(MarketStreamListener* listener, SentLog& sent) {
        auto* stream = new TestMarketStream(listener, sent);
        stream->init();
        stream->autorelease();
        return stream;
    }
    // Completes the handshake of the newest socket.
    void connectLast() {
        SIOClient* client = sent_.lastClient();
        client->setConnected(true);
        onConnect(client);
    }

protected:
    TestMarketStream(MarketStreamListener* listener, SentLog& sent) : MarketStream(listener), sent_(sent) {}
    void sendRequest(const std::string&, const std::string& tag, cocos2d::SEL_HttpResponse) override {
        sent_.requests.push_back(tag);
    }
    SIOClient* openStockSocket(const std::string& uri) override {
        sent_.sockets.push_back(uri);
        auto* client = new SIOClient("127.0.0.1", 8090, "/", nullptr, *this);
        sent_.clients.push_back(client);
        return client;
    }
    void emitStock(const std::string& event, const std::string& text, const std::string& id) override {
        sent_.emits.push_back({event, text, id});
    }

private:
    SentLog& sent_;
};
