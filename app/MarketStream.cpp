#include "MarketStream.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "CCHttpResponse.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "HttpHelpers.h"
#include "MarketMessages.h"
#include "MarketStreamListener.h"
#include "RetryTable.h"
#include "SIOClient.h"
#include "StockData.h"
#include "StockInfo.h"
#include "StockListCache.h"

USING_NS_CC;

namespace {
constexpr int LOG_SAMPLE = 50;
constexpr float RECONNECT_RETRY_SECONDS = 1.0f;
constexpr int MIN_HISTORY_SERVERS = 2;
constexpr const char* HISTORY_PATH = "/history.php";
constexpr const char* CLIENT_NOT_CONNECTED = "Client not yet connected";
}  // namespace

MarketStream* MarketStream::create(MarketStreamListener* listener) {
    auto* stream = new MarketStream(listener);
    stream->init();
    stream->autorelease();
    return stream;
}

MarketStream::MarketStream(MarketStreamListener* listener) : listener_(listener) {}

void MarketStream::sendRequest(const std::string& url, const std::string& tag, SEL_HttpResponse selector) {
    httpGet(url, tag, this, selector);
}

SIOClient* MarketStream::openStockSocket(const std::string& uri) {
    return SocketIO::connect(uri, *this, "http://");
}

void MarketStream::emitStock(const std::string& event, const std::string& text, const std::string& id) {
    if (stockClient_) stockClient_->emit(event, text, id);
}

bool MarketStream::isStockConnected() const {
    return stockClient_ && stockClient_->isConnected();
}

// ---- the stock socket

void MarketStream::getKlineSocketServerList() {
    serverListPending_ = true;
    const std::string url =
        getConfigValue(CONFIG_KEY_KLINE_SOCKET_SERVER_LIST_URL, DEFAULT_KLINE_SOCKET_SERVER_LIST_URL);
    sendRequest(url, "stockServerList",
                httpresponse_selector(MarketStream::GetKlineSocketServerListCallback));
}

void MarketStream::GetKlineSocketServerListCallback(CCHttpClient*, CCHttpResponse* response) {
    serverListPending_ = false;
    std::vector<std::string> servers;
    if (!responseToUrlList(response, servers)) {
        serverListPending_ = true;
        retry_table::retryLater(this, RetryStep::StockServerList, [this] { getKlineSocketServerList(); });
        return;
    }
    stockServerList_ = std::move(servers);
    connectKlineSocket(0);
}

void MarketStream::connectKlineSocket(float retryDelay) {
    reconnectScheduled_ = false;
    // One attempt at a time: a live or handshaking client is left alone.
    if (stockClient_) return;
    if (stockServerList_.empty()) {
        if (serverListPending_) {
            // The list is already on its way: only say when it is asked again.
            retry_table::logRetry(RetryStep::EmptyStockServerList, retryDelay);
            return;
        }
        serverListPending_ = true;
        retry_table::retryLater(
            this, RetryStep::EmptyStockServerList, [this] { getKlineSocketServerList(); }, retryDelay);
        return;
    }
    const std::string& entry = stockServerList_[static_cast<size_t>(std::rand()) % stockServerList_.size()];
    SIOClient* client = openStockSocket(entry);
    if (!client) {
        // Nothing to wait for: try again as after a drop.
        reconnectAfterDelay(RECONNECT_RETRY_SECONDS);
        return;
    }
    stockClient_ = client;
    client->setTag("stock");
    client->on("rec_advanced", [this](SIOClient* c, const std::string& data) { recvAdvancedEvent(c, data); });
    client->on("rec_kline", [this](SIOClient* c, const std::string& data) { recvKLineEvent(c, data); });
    client->on("9",
               [this](SIOClient* c, const std::string& data) { recvSetKlineSubscriptionEvent(c, data); });
    logInfo("start connect kline socket:%s", entry.c_str());
}

void MarketStream::reconnectAfterDelay(float retryDelay) {
    if (reconnectScheduled_) return;
    reconnectScheduled_ = true;
    retry_table::retryLater(this, RetryStep::StockReconnect,
                            [this, retryDelay] { connectKlineSocket(retryDelay); });
}

bool MarketStream::readyToSubscribe() {
    if (isStockConnected()) return true;
    // A handshake in progress or a reconnect already waiting needs no second attempt.
    if (!stockServerList_.empty() && !stockClient_ && !reconnectScheduled_) connectKlineSocket(0);
    logInfo("stock server not connected!!");
    return false;
}

void MarketStream::setAdvSubscription(const std::vector<std::string>& codes) {
    if (!readyToSubscribe()) return;
    const std::string text = market_messages::quoteSubscription(codes);
    logInfo("setAdvSubscription:%s", text.c_str());
    emitStock("setAdvSubscription", text, "8");
}

void MarketStream::setKlineSubscription(const std::vector<std::pair<std::string, int>>& windows) {
    if (!readyToSubscribe()) return;
    const std::string text = market_messages::klineSubscription(windows);
    logInfo("setKlineSubscription:%s", text.c_str());
    emitStock("setKlineSubscription", text, "9");
}

void MarketStream::recvAdvancedEvent(SIOClient*, const std::string& data) {
    if (std::rand() % LOG_SAMPLE == 0) logInfo("recvAdvancedEvent: %s", data.c_str());
    market_messages::Quote quote;
    const auto result = market_messages::parseQuote(data, quote);
    if (result == market_messages::ParseResult::BadJson) {
        logInfo("parse advanced error!!!");
        return;
    }
    if (result != market_messages::ParseResult::Ok) return;
    ++quotesApplied_;
    if (StockInfo* info = StockData::getInstance()->findStock(quote.code))
        info->updateQuote(quote.last, quote.time, quote.reference, quote.high, quote.low);
    if (listener_) listener_->quoteArrived(quote);
}

void MarketStream::recvKLineEvent(SIOClient*, const std::string& data) {
    if (std::rand() % LOG_SAMPLE == 0) logInfo("recvKLineEvent:%s", data.c_str());
    std::vector<market_messages::LiveBar> bars;
    const auto result = market_messages::parseBars(data, bars);
    if (result == market_messages::ParseResult::BadJson) {
        logInfo("parse advanced data error!!!");
        return;
    }
    if (result != market_messages::ParseResult::Ok) return;
    ++barMessagesApplied_;
    if (!listener_) return;
    for (const market_messages::LiveBar& bar : bars) listener_->barArrived(bar);
}

void MarketStream::recvSetKlineSubscriptionEvent(SIOClient*, const std::string& data) {
    logInfo("recvSetKlineSubscriptionEvent:%s", data.c_str());
    if (!market_messages::isJson(data)) logInfo("parse recvSetKlineSubscriptionEvent failed!!!!");
}

void MarketStream::onConnect(SIOClient* client) {
    if (!client || client != stockClient_) return;
    logInfo("stock socket  connect success!!!!!!!!!!!!!!!!!!!!!");
    const bool first = stockConnectCount_ == 0;
    if (first) stockConnectedOnce_ = true;
    if (listener_) listener_->marketConnected(first);
    ++stockConnectCount_;
}

void MarketStream::onMessage(SIOClient*, const std::string&) {
    // Every stock message arrives through its event handler; the raw copy is not needed.
}

void MarketStream::fireEventToScript(SIOClient*, const std::string&, const std::string&) {
    // Quotes arrive several times a second: their handlers log a sample, not every one.
}

void MarketStream::onClose(SIOClient* client) {
    if (!client || client != stockClient_) return;
    stockConnectionLost(false);
}

void MarketStream::onError(SIOClient* client, const std::string& data) {
    if (!client || client != stockClient_) return;
    // A send refused during the handshake is not a broken connection.
    if (data == CLIENT_NOT_CONNECTED && !client->isConnected()) {
        logWarn("stock message not sent: the connection is not ready");
        return;
    }
    stockConnectionLost(true);
}

void MarketStream::stockConnectionLost(bool error) {
    lastStockDisconnect_ = static_cast<int64_t>(std::time(nullptr));
    if (error)
        logError("stock socket onError!!!");
    else
        logInfo("------- stock socket close!!!");
    stockClient_ = nullptr;
    pendingList_.clear();
    if (listener_) listener_->marketLost(lastStockDisconnect_);
    reconnectAfterDelay(RECONNECT_RETRY_SECONDS);
}

// ---- instrument list and history servers

void MarketStream::getStockList() {
    sendRequest(getConfigValue(CONFIG_KEY_STOCK_LIST, ""), "stockList",
                httpresponse_selector(MarketStream::GetStockListCallback));
}

void MarketStream::GetStockListCallback(CCHttpClient*, CCHttpResponse* response) {
    std::string body;
    if (responseToString(response, body) && applyStockList(body, false)) return;
    retry_table::retryLater(this, RetryStep::InstrumentList, [this] { getStockList(); });
    if (!stockListLoaded_) loadCachedStockList();
}

void MarketStream::loadCachedStockList() {
    std::optional<std::string> cached = loadStockListCache();
    if (!cached) return;
    if (applyStockList(*cached, true)) logInfo("load stock list form cache ***********************");
}

bool MarketStream::applyStockList(const std::string& body, bool fromCache) {
    rapidjson::Document document;
    if (!parseJson(body, document) || !document.IsObject()) return false;
    if (!StockData::getInstance()->parseStockList(document)) return false;
    const bool first = !stockListLoaded_;
    stockListLoaded_ = true;
    if (listener_) listener_->instrumentListApplied(first);
    if (!fromCache) saveStockListCache(body);
    return true;
}

void MarketStream::getKlineHistoryServerList() {
    sendRequest(getConfigValue(CONFIG_KEY_KLINE_HISTORY_SERVER_LIST, CONFIG_KEY_KLINE_HISTORY_SERVER_LIST),
                "historyServerList", httpresponse_selector(MarketStream::GetKlineHistoryServerListCallback));
}

void MarketStream::GetKlineHistoryServerListCallback(CCHttpClient*, CCHttpResponse* response) {
    std::vector<std::string> servers;
    const bool read = responseToUrlList(response, servers);
    if (!read || static_cast<int>(servers.size()) < MIN_HISTORY_SERVERS) {
        retry_table::retryLater(this, RetryStep::HistoryServerList, [this] { getKlineHistoryServerList(); });
        if (!read && listener_) listener_->historyServersUnreachable();
        return;
    }
    for (std::string& server : servers) server += HISTORY_PATH;
    historyServerList_ = std::move(servers);
    logInfo("GetKlineHistoryServerList: %d", static_cast<int>(historyServerList_.size()));
}

std::string MarketStream::getKlineHistoryServer() const {
    if (historyServerList_.empty()) return DEFAULT_KLINE_HISTORY_URL;
    return historyServerList_[static_cast<size_t>(std::rand()) % historyServerList_.size()];
}
