#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CCHttpRequest.h"
#include "CCNode.h"
#include "SocketIO.h"

namespace cocos2d {
class CCHttpClient;
class CCHttpResponse;
}  // namespace cocos2d
class NewsItemSink;
class SIOClient;

// The news: finds the news servers, keeps one Socket.IO connection to the news address (reconnecting
// without limit, one attempt at a time), loads the news history at start-up and after every
// reconnect, and turns what arrives into item operations on the news column. Only its own client's
// callbacks reach it: the stock stream's never do.
//
// A node so that its retries run on the scene's clock; the owner adds it as a child and keeps the
// sink alive as long as the stream. Main thread only: the socket and HTTP layers deliver there.
class NewsStream : public cocos2d::CCNode, public SocketIO::SIODelegate {
public:
    static constexpr float RETRY_SECONDS = 3.0f;
    static constexpr float RECONNECT_LIST_DELAY = 1.0f;
    static constexpr const char* USER_MESSAGE_EVENT = "user message";

    // toast shows a short message to the user (may be empty).
    static NewsStream* create(std::function<void(const std::string&)> toast);

    void setSink(NewsItemSink* sink) { sink_ = sink; }
    NewsItemSink* getSink() const { return sink_; }

    void getNewsServer();
    // Connects to the news address; with no news server known, asks for the list again after
    // retryDelay seconds (never sooner than a failed list request would).
    void connectNewsSocket(float retryDelay);
    void recvNewsEvent(SIOClient* client, const std::string& data);
    void getNewsHistoryServerList();
    void getHistoryNews();
    void GetNewsServerCallback(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response);
    void GetNewsHistoryServerListCallback(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response);
    void getHistoryNewsCallback(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response);
    // One reply body of the history request (what the callback reads).
    void applyHistoryReply(const std::string& body, bool received);
    // One history item into the sink: data items by their fields, flashes under the UTC key of timestr.
    void addHistoryItem(int type, const std::string& content, const std::string& timestr);

    // Callbacks of clients other than the current news client do nothing.
    void onConnect(SIOClient* client) override;
    void onClose(SIOClient* client) override;
    void onError(SIOClient* client, const std::string& data) override;

    SIOClient* getNewsClient() const { return newsClient_; }
    int getNewsConnectCount() const { return newsConnectCount_; }
    const std::vector<std::string>& newsServers() const { return newsServerList_; }
    const std::vector<std::string>& newsHistoryServers() const { return newsHistoryServerList_; }
    bool isReconnectScheduled() const { return reconnectScheduled_; }
    // The news address: the configuration's "newsSocketUrl", else the built-in one.
    static std::string newsSocketUrl();

protected:
    explicit NewsStream(std::function<void(const std::string&)> toast);

    // Seams for tests: how requests leave and the news socket is opened.
    virtual void sendGet(const std::string& url, const std::string& tag, cocos2d::SEL_HttpResponse selector);
    virtual void sendPost(const std::string& url, const std::string& tag, cocos2d::SEL_HttpResponse selector,
                          const std::string& body, const std::string& headerLine);
    virtual SIOClient* openNewsSocket(const std::string& uri);

private:
    void connectionLost(bool error);
    void reconnectLater();

    std::function<void(const std::string&)> toast_;
    NewsItemSink* sink_ = nullptr;
    SIOClient* newsClient_ = nullptr;
    int newsConnectCount_ = 0;
    std::vector<std::string> newsServerList_;
    std::vector<std::string> newsHistoryServerList_;
    bool reconnectScheduled_ = false;
    bool serverListPending_ = false;
};
