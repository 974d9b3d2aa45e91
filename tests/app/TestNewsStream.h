#pragma once

#include <string>
#include <vector>

#include "NewsItemSink.h"
#include "NewsStream.h"
#include "SIOClient.h"

// Writes down every item operation, one line per call.
class RecordingSink : public NewsItemSink {
public:
    void addFlash(const std::string& key, const std::string& text) override {
        calls.push_back("flash " + key + " | " + text);
    }
    void replaceFlashText(const std::string& key, const std::string& text) override {
        calls.push_back("replace " + key + " | " + text);
    }
    void addDataItem(const std::vector<std::string>& fields) override {
        calls.push_back("data " + std::to_string(fields.size()) + " " + (fields.size() > 8 ? fields[8] : ""));
    }
    void updateDataValues(const std::vector<std::string>& fields) override {
        std::string line = "update";
        for (const std::string& field : fields) line += " " + field;
        calls.push_back(line);
    }
    void removeItem(const std::string& key) override { calls.push_back("remove " + key); }
    void clearItems() override { calls.push_back("clear"); }

    std::vector<std::string> calls;
};

// The news stream with its network kept in the test.
class TestNewsStream : public NewsStream {
public:
    static TestNewsStream* create(std::vector<std::string>& toasts) {
        auto* stream = new TestNewsStream(toasts);
        stream->init();
        stream->autorelease();
        return stream;
    }
    ~TestNewsStream() override {
        for (SIOClient* client : clients) client->release();
    }
    void connectLast() {
        clients.back()->setConnected(true);
        onConnect(clients.back());
    }

    struct Post {
        std::string url, tag, body, header;
    };
    std::vector<std::string> gets;  // request tags
    std::vector<Post> posts;
    std::vector<std::string> sockets;
    std::vector<SIOClient*> clients;

protected:
    explicit TestNewsStream(std::vector<std::string>& toasts)
        : NewsStream([&toasts](const std::string& text) { toasts.push_back(text); }) {}
    void sendGet(const std::string&, const std::string& tag, cocos2d::SEL_HttpResponse) override {
        gets.push_back(tag);
    }
    void sendPost(const std::string& url, const std::string& tag, cocos2d::SEL_HttpResponse,
                  const std::string& body, const std::string& header) override {
        posts.push_back({url, tag, body, header});
    }
    SIOClient* openNewsSocket(const std::string& uri) override {
        sockets.push_back(uri);
        auto* client = new SIOClient("127.0.0.1", 8080, "/", nullptr, *this);
        clients.push_back(client);
        return client;
    }
};
