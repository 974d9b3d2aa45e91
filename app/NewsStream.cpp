#include "NewsStream.h"

#include <algorithm>
#include <cstdlib>

#include "CCHttpResponse.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "HttpHelpers.h"
#include "LanguageTable.h"
#include "NewsItemSink.h"
#include "NewsRecords.h"
#include "SIOClient.h"

USING_NS_CC;
using namespace news_records;

namespace {
constexpr const char* KEY_SERVER_RETRY = "newsServerRetry";
constexpr const char* KEY_RECONNECT = "newsReconnect";
constexpr const char* KEY_HISTORY_SERVER_RETRY = "newsHistoryServerRetry";
constexpr const char* KEY_HISTORY_RETRY = "newsHistoryRetry";
constexpr const char* TAG_NEWS_SERVER = "newsServer";
constexpr const char* TAG_HISTORY_SERVERS = "newsHistoryServerList";
constexpr const char* TAG_HISTORY = "GetHistoryNews";
// With one history server or none, the start-up load waits for a reconnect.
constexpr size_t MIN_HISTORY_SERVERS = 2;
constexpr int RETRY_WHOLE_SECONDS = static_cast<int>(NewsStream::RETRY_SECONDS);
constexpr size_t KEY_FIELD = 3;
constexpr size_t TEXT_FIELD = 2;
constexpr size_t REMOVED_KEY_FIELD = 1;
}  // namespace

NewsStream* NewsStream::create(std::function<void(const std::string&)> toast) {
    auto* stream = new NewsStream(std::move(toast));
    stream->init();
    stream->autorelease();
    return stream;
}

NewsStream::NewsStream(std::function<void(const std::string&)> toast) : toast_(std::move(toast)) {}

void NewsStream::sendGet(const std::string& url, const std::string& tag, SEL_HttpResponse selector) {
    httpGet(url, tag, this, selector);
}

void NewsStream::sendPost(const std::string& url, const std::string& tag, SEL_HttpResponse selector,
                          const std::string& body, const std::string& headerLine) {
    httpPostWithHeader(url, tag, this, selector, body, headerLine);
}

SIOClient* NewsStream::openNewsSocket(const std::string& uri) {
    return SocketIO::connect(uri, *this, "http://");
}

std::string NewsStream::newsSocketUrl() {
    return getConfigValue(CONFIG_KEY_NEWS_SOCKET_URL, DEFAULT_NEWS_SOCKET_URL);
}

// ---- the news socket

void NewsStream::getNewsServer() {
    serverListPending_ = true;
    sendGet(getConfigValue(CONFIG_KEY_NEWS_SERVER, ""), TAG_NEWS_SERVER,
            httpresponse_selector(NewsStream::GetNewsServerCallback));
}

void NewsStream::GetNewsServerCallback(CCHttpClient*, CCHttpResponse* response) {
    serverListPending_ = false;
    std::vector<std::string> servers;
    if (!responseToUrlList(response, servers)) {
        CDebugModule::getInstance()->log(
            LOG_LEVEL_INFO, "1 get news socketIo server error! will try after %d min", RETRY_WHOLE_SECONDS);
        serverListPending_ = true;
        scheduleOnce([this](float) { getNewsServer(); }, RETRY_SECONDS, KEY_SERVER_RETRY);
        if (toast_) toast_(getLangText("retryConnection"));
        return;
    }
    newsServerList_ = std::move(servers);
    connectNewsSocket(0);
}

void NewsStream::connectNewsSocket(float retryDelay) {
    reconnectScheduled_ = false;
    // One attempt at a time: a live or handshaking client is left alone.
    if (newsClient_) return;
    if (newsServerList_.empty()) {
        // Never sooner than a failed request: an empty list would otherwise be asked for at once, again
        // and again.
        const float wait = std::max(retryDelay, RETRY_SECONDS);
        CDebugModule::getInstance()->log(LOG_LEVEL_INFO,
                                         "2 get news socketIo server error! will try after %f min",
                                         static_cast<double>(wait));
        if (serverListPending_) return;
        serverListPending_ = true;
        scheduleOnce([this](float) { getNewsServer(); }, wait, KEY_SERVER_RETRY);
        return;
    }
    const std::string uri = newsSocketUrl();
    SIOClient* client = openNewsSocket(uri);
    if (!client) {
        logWarn("news socket %s could not be opened", uri.c_str());
        reconnectLater();
        return;
    }
    newsClient_ = client;
    client->setTag("news");
    client->on(USER_MESSAGE_EVENT, [this](SIOClient* c, const std::string& data) { recvNewsEvent(c, data); });
}

void NewsStream::onConnect(SIOClient* client) {
    if (!client || client != newsClient_) return;
    logInfo("news socket connect success!!!!!!!!!!!!!!!!!!!!!");
    if (newsConnectCount_ > 0) {
        logInfo("reget history news!!!!!!!");
        getHistoryNews();
    }
    ++newsConnectCount_;
}

void NewsStream::onClose(SIOClient* client) {
    if (!client || client != newsClient_) return;
    connectionLost(false);
}

void NewsStream::onError(SIOClient* client, const std::string&) {
    if (!client || client != newsClient_) return;
    connectionLost(true);
}

void NewsStream::connectionLost(bool error) {
    if (error)
        logError("news socket onError!!!");
    else
        logInfo("------- news socket close!!!");
    newsClient_ = nullptr;
    reconnectLater();
}

void NewsStream::reconnectLater() {
    if (reconnectScheduled_) return;
    reconnectScheduled_ = true;
    scheduleOnce([this](float) { connectNewsSocket(RECONNECT_LIST_DELAY); }, RETRY_SECONDS, KEY_RECONNECT);
}

void NewsStream::recvNewsEvent(SIOClient*, const std::string& data) {
    logInfo("RECV_NEWS : %s", data.c_str());
    if (!sink_) return;
    const std::optional<std::string> record = decodePayload(data);
    if (!record) return;
    const std::vector<std::string> fields = splitFields(*record);
    switch (recordType(fields[0])) {
        case FLASH_ADDED:
            if (fields.size() > KEY_FIELD) {
                const std::string key = stripTags(fields[KEY_FIELD]);
                if (!key.empty()) sink_->addFlash(key, cleanNewsText(fields[TEXT_FIELD]));
            }
            break;
        case DATA_ADDED:
            sink_->addDataItem(fields);
            break;
        case FLASH_CHANGED:
            if (fields.size() > KEY_FIELD) {
                const std::string key = stripTags(fields[KEY_FIELD]);
                if (!key.empty()) sink_->replaceFlashText(key, cleanNewsText(fields[TEXT_FIELD]));
            }
            break;
        case DATA_UPDATED:
            sink_->updateDataValues(fields);
            break;
        case REMOVED:
            if (fields.size() > REMOVED_KEY_FIELD) sink_->removeItem(fields[REMOVED_KEY_FIELD]);
            break;
        default:
            break;
    }
}

// ---- the news history

void NewsStream::getNewsHistoryServerList() {
    sendGet(getConfigValue(CONFIG_KEY_NEWS_HISTORY_SERVER_LIST_URL, DEFAULT_NEWS_HISTORY_SERVER_LIST_URL),
            TAG_HISTORY_SERVERS, httpresponse_selector(NewsStream::GetNewsHistoryServerListCallback));
}

void NewsStream::GetNewsHistoryServerListCallback(CCHttpClient*, CCHttpResponse* response) {
    newsHistoryServerList_.clear();
    if (!responseToUrlList(response, newsHistoryServerList_)) {
        scheduleOnce([this](float) { getNewsHistoryServerList(); }, RETRY_SECONDS, KEY_HISTORY_SERVER_RETRY);
        logInfo("GetHistoryNewsServer error! will try after %d second!!!!", RETRY_WHOLE_SECONDS);
        return;
    }
    if (newsHistoryServerList_.size() >= MIN_HISTORY_SERVERS) getHistoryNews();
}

void NewsStream::getHistoryNews() {
    if (newsHistoryServerList_.empty()) {
        getNewsHistoryServerList();
        return;
    }
    const std::string body = historyRequestBody();
    const std::string& url =
        newsHistoryServerList_[static_cast<size_t>(std::rand()) % newsHistoryServerList_.size()];
    logInfo("GetHistoryNews:%s form:%s", body.c_str(), url.c_str());
    sendPost(url, TAG_HISTORY, httpresponse_selector(NewsStream::getHistoryNewsCallback), body,
             JSON_CONTENT_TYPE_HEADER);
}

void NewsStream::getHistoryNewsCallback(CCHttpClient*, CCHttpResponse* response) {
    std::string body;
    const bool received = responseToString(response, body);
    applyHistoryReply(body, received);
}

void NewsStream::applyHistoryReply(const std::string& body, bool received) {
    rapidjson::Document document;
    std::vector<HistoryItem> items;
    const HistoryReply reply =
        received && parseJson(body, document) ? readHistoryReply(document, items) : HistoryReply::Failed;
    if (reply == HistoryReply::Failed) {
        scheduleOnce([this](float) { getHistoryNews(); }, RETRY_SECONDS, KEY_HISTORY_RETRY);
        logInfo("GetHistoryNewsCallback error! will try after %d second!!!!", RETRY_WHOLE_SECONDS);
        return;
    }
    if (reply == HistoryReply::Items) {
        if (sink_) sink_->clearItems();
        // The service lists newest first: the oldest reaches the column first.
        for (auto item = items.rbegin(); item != items.rend(); ++item) {
            logInfo("%d, %s, %s", item->type, item->content.c_str(), item->timestr.c_str());
            addHistoryItem(item->type, item->content, item->timestr);
        }
    }
    logInfo("GetHistoryNewsCallback finished!!!");
}

void NewsStream::addHistoryItem(int type, const std::string& content, const std::string& timestr) {
    if (!sink_) return;
    if (type == DATA_ADDED) {
        sink_->addDataItem(splitFields(content));
        return;
    }
    const std::string key = historyFlashKey(timestr);
    if (key.empty()) {
        logWarn("news history item with an unreadable time \"%s\" skipped", timestr.c_str());
        return;
    }
    sink_->addFlash(key, cleanNewsText(content));
}
