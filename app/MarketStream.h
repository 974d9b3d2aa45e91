#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "CCHttpRequest.h"
#include "CCNode.h"
#include "SocketIO.h"

namespace cocos2d {
class CCHttpClient;
class CCHttpResponse;
}  // namespace cocos2d
class MarketStreamListener;
class SIOClient;

// The live stock market data: finds the stock Socket.IO servers, keeps one connection to one of them
// (reconnecting without limit), sends the quote and K-line subscriptions it is given, and routes what
// arrives: quotes to the catalogue and the listener, live bars to the listener. It also fetches the
// instrument list (with its "stock.bin" cache) and the K-line history server list.
//
// A node so that its retries run on the scene's clock: the owner adds it as a child and keeps the
// listener alive as long as the stream. Main thread only: the socket and HTTP layers deliver there.
class MarketStream : public cocos2d::CCNode, public SocketIO::SIODelegate {
public:
    static MarketStream* create(MarketStreamListener* listener);

    void getKlineSocketServerList();
    // Connects to a random server of the list; with none known, asks for the list again after
    // retryDelay seconds (never sooner than a failed list request would).
    void connectKlineSocket(float retryDelay);
    // Both send only while connected; otherwise they start a connection when none is under way.
    void setAdvSubscription(const std::vector<std::string>& codes);
    void setKlineSubscription(const std::vector<std::pair<std::string, int>>& windows);
    void recvAdvancedEvent(SIOClient* client, const std::string& data);
    void recvKLineEvent(SIOClient* client, const std::string& data);
    void recvSetKlineSubscriptionEvent(SIOClient* client, const std::string& data);
    // Callbacks of clients other than the current stock client do nothing.
    void onConnect(SIOClient* client) override;
    void onMessage(SIOClient* client, const std::string& data) override;
    void fireEventToScript(SIOClient* client, const std::string& eventName, const std::string& data) override;
    void onClose(SIOClient* client) override;
    void onError(SIOClient* client, const std::string& data) override;

    void getStockList();
    void getKlineHistoryServerList();
    // A random history server, or the built-in endpoint while the list is empty.
    std::string getKlineHistoryServer() const;
    void GetStockListCallback(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response);
    void GetKlineSocketServerListCallback(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response);
    void GetKlineHistoryServerListCallback(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response);
    // Applies an instrument-list document; false when it is not one.
    bool applyStockList(const std::string& body, bool fromCache);

    bool isStockConnected() const;
    bool isStockConnectedOnce() const { return stockConnectedOnce_; }
    bool isStockListLoaded() const { return stockListLoaded_; }
    int getStockConnectCount() const { return stockConnectCount_; }
    SIOClient* getStockClient() const { return stockClient_; }
    const std::vector<std::string>& getHistoryServerList() const { return historyServerList_; }
    const std::vector<std::string>& getStockServerList() const { return stockServerList_; }
    int64_t getLastStockDisconnect() const { return lastStockDisconnect_; }
    bool isReconnectScheduled() const { return reconnectScheduled_; }
    // Quote and bar messages handed on since the stream was made (load tests compare them with
    // what the feed sent).
    int64_t getQuotesApplied() const { return quotesApplied_; }
    int64_t getBarMessagesApplied() const { return barMessagesApplied_; }

protected:
    explicit MarketStream(MarketStreamListener* listener);

    // Seams for tests: how requests leave, the stock socket is opened and messages are sent.
    virtual void sendRequest(const std::string& url, const std::string& tag,
                             cocos2d::SEL_HttpResponse selector);
    virtual SIOClient* openStockSocket(const std::string& uri);
    virtual void emitStock(const std::string& event, const std::string& text, const std::string& id);

private:
    // True while connected; otherwise starts a connection when none is under way and says why not.
    bool readyToSubscribe();
    void stockConnectionLost(bool error);
    void reconnectAfterDelay(float retryDelay);
    void loadCachedStockList();

    MarketStreamListener* listener_ = nullptr;
    bool stockConnectedOnce_ = false;
    SIOClient* stockClient_ = nullptr;
    std::vector<std::string> pendingList_;
    int stockConnectCount_ = 0;
    std::vector<std::string> historyServerList_;
    std::vector<std::string> stockServerList_;
    int64_t lastStockDisconnect_ = 0;
    bool stockListLoaded_ = false;
    // One connection attempt at a time: set from a scheduled reconnect until it has run.
    bool reconnectScheduled_ = false;
    bool serverListPending_ = false;
    int64_t quotesApplied_ = 0;
    int64_t barMessagesApplied_ = 0;
};
