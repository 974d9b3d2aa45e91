#include "SIOClientImpl.h"

#include <rapidjson/document.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "CCDirector.h"
#include "CCHttpClient.h"
#include "CCScheduler.h"
#include "CDebugModule.h"
#include "SIOClient.h"
#include "SocketIO.h"

USING_NS_CC;

namespace {

constexpr const char* HANDSHAKE_PATH = "/socket.io/1/?EIO=2&transport=polling&b64=true";
constexpr const char* WEBSOCKET_PATH_V09 = "/socket.io/1/websocket/";
constexpr const char* WEBSOCKET_PATH_V10 = "/socket.io/1/websocket/?EIO=2&transport=websocket&sid=";
constexpr const char* UPGRADE_PACKET = "5";
constexpr double HEARTBEAT_SHARE = 0.9;
// Used when a 1.x open packet lacks its ping interval (Engine.IO's own default).
constexpr double DEFAULT_PING_INTERVAL_MS = 25000;
constexpr double MAX_INTERVAL_MS = 1e9;
constexpr size_t MAX_LOGGED_FRAME = 200;

constexpr int JSON_FLAGS = rapidjson::kParseIterativeFlag;

std::string shortened(const std::string& text) {
    return text.size() <= MAX_LOGGED_FRAME ? text : text.substr(0, MAX_LOGGED_FRAME) + "...";
}

// A frame for a log line: its type digit, then at most MAX_LOGGED_FRAME characters of the rest.
std::string loggedFrame(const std::string& text) {
    const size_t typeLength = !text.empty() && text[0] >= '0' && text[0] <= '9' ? 1 : 0;
    return text.substr(0, typeLength) + shortened(text.substr(typeLength));
}

bool isDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Session ids go into the WebSocket request line, so only URL-safe characters are accepted.
bool isValidSid(const std::string& sid) {
    return !sid.empty() && std::all_of(sid.begin(), sid.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == '=' ||
               c == '~';
    });
}

double readMilliseconds(const rapidjson::Value& object, const char* name, double fallback) {
    const auto member = object.FindMember(name);
    if (member == object.MemberEnd() || !member->value.IsNumber()) return fallback;
    const double value = member->value.GetDouble();
    if (!(value >= 0)) return fallback;
    return std::min(value, MAX_INTERVAL_MS);
}

// Engine.IO's text payload: length ":" packet, repeated.
std::vector<std::string> splitPayload(const std::string& text, size_t pos) {
    std::vector<std::string> packets;
    while (pos < text.size()) {
        const size_t colon = text.find(':', pos);
        if (colon == std::string::npos || colon == pos || colon - pos > 9) break;
        const std::string length = text.substr(pos, colon - pos);
        if (!isDigits(length)) break;
        const size_t count =
            std::min<size_t>(std::strtoul(length.c_str(), nullptr, 10), text.size() - colon - 1);
        packets.push_back(text.substr(colon + 1, count));
        pos = colon + 1 + count;
    }
    return packets;
}

}  // namespace

SIOClientImpl::SIOClientImpl(const std::string& host, int port)
    : host_(host), port_(port), uri_(host + ":" + std::to_string(port)) {}

SIOClientImpl::~SIOClientImpl() {
    for (auto& entry : clients_) {
        entry.second->setConnected(false);
        entry.second->detachSocket();
        entry.second->release();
    }
    clients_.clear();
}

void SIOClientImpl::addClient(const std::string& path, SIOClient* client) {
    auto it = clients_.find(path);
    if (it != clients_.end()) {
        if (it->second == client) return;
        it->second->detachSocket();
        it->second->release();
    }
    clients_[path] = client;
}

SIOClient* SIOClientImpl::getClient(const std::string& path) const {
    const auto it = clients_.find(path);
    return it == clients_.end() ? nullptr : it->second;
}

float SIOClientImpl::getHeartbeatPeriod() const {
    return std::max(MIN_HEARTBEAT_PERIOD_SECONDS,
                    static_cast<float>(heartbeatIntervalSeconds_ * HEARTBEAT_SHARE));
}

void SIOClientImpl::handshake() {
    logInfo("SIOClientImpl::handshake %s%s", scheme_.c_str(), uri_.c_str());
    auto* request = new CCHttpRequest();
    request->setUrl((scheme_ + uri_ + HANDSHAKE_PATH).c_str());
    request->setRequestType(kHttpGet);
    request->setResponseCallback(this, httpresponse_selector(SIOClientImpl::handshakeResponse));
    request->setTag("handshake");
    CCHttpClient::getInstance()->send(request);
    request->release();
}

void SIOClientImpl::handshakeResponse(CCHttpClient* /*sender*/, CCHttpResponse* response) {
    if (finished_) return;
    if (!response || !response->isSucceed()) {
        const std::string error = response ? response->getErrorBuffer() : "no response";
        logError("SIOClientImpl::handshake failed for %s: %s", uri_.c_str(), error.c_str());
        finish(true, error);
        return;
    }
    if (clients_.empty()) {
        // Every client left while the handshake was on its way.
        finish(false, std::string());
        return;
    }
    const std::vector<char>* data = response->getResponseData();
    const std::string body(data->begin(), data->end());
    if (!parseHandshakeReply(body)) {
        logError("SIOClientImpl::handshake reply not understood: %s", shortened(body).c_str());
        finish(true, "invalid handshake reply");
        return;
    }
    logInfo("SIOClientImpl::handshake sid %s, heartbeat %d, timeout %d, %s", sid_.c_str(), heartbeat_,
            timeout_, version_ == SocketIOVersion::V09x ? "0.9" : "1.x");
    openSocket();
}

bool SIOClientImpl::parseHandshakeReply(const std::string& body) {
    // 1.x: an Engine.IO payload whose first packet is the open packet 0{...}; more packets may follow.
    const size_t brace = body.find('{');
    if (brace != std::string::npos) {
        rapidjson::Document doc;
        rapidjson::StringStream stream(body.c_str() + brace);
        doc.ParseStream<rapidjson::kParseStopWhenDoneFlag | JSON_FLAGS>(stream);
        if (!doc.HasParseError() && doc.IsObject()) {
            const auto sid = doc.FindMember("sid");
            if (sid != doc.MemberEnd() && sid->value.IsString() &&
                isValidSid(std::string(sid->value.GetString(), sid->value.GetStringLength()))) {
                const double interval = readMilliseconds(doc, "pingInterval", DEFAULT_PING_INTERVAL_MS);
                const double timeout = readMilliseconds(doc, "pingTimeout", 0);
                version_ = SocketIOVersion::V10x;
                sid_.assign(sid->value.GetString(), sid->value.GetStringLength());
                heartbeat_ = static_cast<int>(interval / 1000);
                timeout_ = static_cast<int>(timeout / 1000);
                heartbeatIntervalSeconds_ = interval / 1000;
                pendingPackets_ = splitPayload(body, brace + stream.Tell());
                return true;
            }
        }
    }
    // 0.9: sid:heartbeat:timeout:transports.
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() < 4) {
        const size_t colon = body.find(':', start);
        fields.push_back(body.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    if (fields.size() < 3 || !isValidSid(fields[0]) || !isDigits(fields[1]) || !isDigits(fields[2]) ||
        fields[1].size() > 9 || fields[2].size() > 9) {
        return false;
    }
    version_ = SocketIOVersion::V09x;
    sid_ = fields[0];
    heartbeat_ = std::atoi(fields[1].c_str());
    timeout_ = std::atoi(fields[2].c_str());
    heartbeatIntervalSeconds_ = heartbeat_;
    pendingPackets_.clear();
    return true;
}

std::string SIOClientImpl::webSocketUrl() const {
    return version_ == SocketIOVersion::V09x ? uri_ + WEBSOCKET_PATH_V09 + sid_
                                             : uri_ + WEBSOCKET_PATH_V10 + sid_;
}

void SIOClientImpl::openSocket() {
    const std::string url = webSocketUrl();
    ws_ = std::make_unique<MyWebSocket>();
    if (!ws_->init(*this, url, scheme_ == "https://")) {
        ws_.reset();
        logError("SIOClientImpl::openSocket failed for %s", url.c_str());
        finish(true, "cannot open the WebSocket");
    }
}

void SIOClientImpl::connectToEndpoint(const std::string& path) {
    auto packet = SocketIOPacket::createPacketWithType("connect", version_);
    packet->setEndpoint(path);
    send(*packet);
}

void SIOClientImpl::disconnectFromEndpoint(const std::string& endpoint) {
    // A copy: the caller may pass the client's own path, and the client goes below.
    const std::string path = endpoint;
    const auto it = clients_.find(path);
    if (it != clients_.end()) {
        SIOClient* client = it->second;
        clients_.erase(it);
        client->setConnected(false);
        client->detachSocket();
        client->release();
    }
    if (!clients_.empty() && path != "/") {
        // 1.x leaves a namespace with a disconnect message; "0::/path" is only a 0.9 frame.
        sendText(version_ == SocketIOVersion::V09x ? "0::" + path : "41" + path);
    } else if (connected_) {
        disconnect();
    }
}

void SIOClientImpl::disconnect() {
    if (ws_ && ws_->getReadyState() == MyWebSocket::OPEN) {
        sendText(version_ == SocketIOVersion::V09x ? "0::" : "41");
    }
    CCDirector::sharedDirector()->getScheduler()->unscheduleAllForTarget(this);
    // The socket's onClose finishes this connection; without a socket, finish here.
    retain();
    if (ws_) ws_->close();
    finish(false, std::string());
    SocketIO::getInstance()->removeSocket(uri_, this);
    release();
}

void SIOClientImpl::heartbeat(float /*dt*/) {
    auto packet = SocketIOPacket::createPacketWithType("heartbeat", version_);
    send(*packet);
}

void SIOClientImpl::send(const SocketIOPacket& packet) {
    sendText(packet.toString());
}

void SIOClientImpl::sendText(const std::string& text) {
    if (!connected_) return;
    writeFrame(text);
}

void SIOClientImpl::writeFrame(const std::string& text) {
    if (ws_) ws_->send(text);
}

void SIOClientImpl::emit(const std::string& endpoint, const std::string& eventName, const std::string& args,
                         const std::string& id) {
    auto packet = SocketIOPacket::createPacketWithType("event", version_);
    packet->setEndpoint(endpoint == "/" ? std::string() : endpoint);
    packet->setEvent(eventName);
    packet->addData(args);
    packet->setId(id);
    // 0.9 asks for the acknowledgement with "+" after the id.
    if (version_ == SocketIOVersion::V09x && !id.empty()) packet->setAck("data");
    packet->setCompactFraming(true);
    send(*packet);
}

void SIOClientImpl::onOpen(MyWebSocket* /*ws*/) {
    if (finished_) return;
    connected_ = true;
    SocketIO::getInstance()->addSocket(uri_, this);
    if (clients_.empty()) {
        disconnect();
        return;
    }
    if (version_ == SocketIOVersion::V10x) sendText(UPGRADE_PACKET);
    CCDirector::sharedDirector()->getScheduler()->scheduleSelector(
        schedule_selector(SIOClientImpl::heartbeat), this, getHeartbeatPeriod(), false);
    std::vector<std::string> paths;
    for (const auto& entry : clients_) {
        if (entry.first != "/") paths.push_back(entry.first);
    }
    for (const auto& path : paths) connectToEndpoint(path);
    // A 2.x server already put its connect packet into the handshake reply.
    std::vector<std::string> pending;
    pending.swap(pendingPackets_);
    retain();
    for (const auto& packet : pending) {
        if (finished_) break;
        handleMessage(packet);
    }
    release();
}

void SIOClientImpl::onMessage(MyWebSocket* /*ws*/, const MyWebSocket::Data& data) {
    if (data.isBinary || !data.bytes || data.len < 0) {
        logWarn("SIOClientImpl: binary message ignored");
        return;
    }
    handleMessage(std::string(data.bytes, static_cast<size_t>(data.len)));
}

void SIOClientImpl::onClose(MyWebSocket* /*ws*/) {
    logInfo("SIOClientImpl::onClose %s", uri_.c_str());
    finish(false, std::string());
}

void SIOClientImpl::onError(MyWebSocket* /*ws*/, const MyWebSocket::ErrorCode& error) {
    // Left unreported, the clients would wait for ever on a connection that is gone.
    logError("SIOClientImpl::onError %s: websocket error %d", uri_.c_str(), static_cast<int>(error));
    finish(true, "websocket connection failure");
}

void SIOClientImpl::finish(bool error, const std::string& errorText) {
    if (finished_) return;
    finished_ = true;
    connected_ = false;
    retain();
    // Leave the table first: a delegate that reconnects at once must get a new connection.
    CCDirector::sharedDirector()->getScheduler()->unscheduleAllForTarget(this);
    SocketIO::getInstance()->removeSocket(uri_, this);
    std::map<std::string, SIOClient*> clients;
    clients.swap(clients_);
    for (auto& entry : clients) {
        entry.second->setConnected(false);
        entry.second->detachSocket();
    }
    for (auto& entry : clients) {
        SocketIO::SIODelegate* delegate = entry.second->getDelegate();
        if (!delegate) continue;
        if (error) {
            delegate->onError(entry.second, errorText);
        } else {
            delegate->onClose(entry.second);
        }
    }
    for (auto& entry : clients) entry.second->release();
    // The reference the connection held on itself; the pool drops it after this frame, so callers up the
    // stack (the socket's callback, a handler) still see a live object.
    autorelease();
    release();
}

void SIOClientImpl::handleMessage(const std::string& text) {
    const auto packet = SocketIOPacket::decode(text, version_);
    const std::string& type = packet->getType();
    const std::string& problem = packet->getDecodeError();
    SIOClient* client = getClient(packet->getEndpoint());
    if (!problem.empty()) {
        // An unreadable acknowledgement, or 0.9 event, for an endpoint without a client goes unlogged.
        const bool quiet = !client && (problem == "acknowledgement" ||
                                       (problem == "event" && version_ == SocketIOVersion::V09x));
        if (!quiet) {
            logWarn("SIOClientImpl: %s ignored: %s", problem.c_str(), loggedFrame(text).c_str());
        }
        return;
    }
    const std::string& data = packet->getData().front();
    if (type == "heartbeat") {
        // Engine.IO's ping; a 0.9 server's heartbeat needs no answer, ours go out on the timer.
        if (version_ == SocketIOVersion::V10x) sendText("3" + data);
    } else if (type == "pong") {
        if (data == "probe") sendText(UPGRADE_PACKET);
    } else if (type == "disconnect") {
        endpointClosedByServer(packet->getEndpoint(), data);
    } else if (!client) {
        return;
    } else if (type == "connect") {
        notifyConnected(client, data);
    } else if (type == "error") {
        notifyError(client, data);
    } else if (type == "event" || type == "ack") {
        // A 0.9 event reaches only its handler.
        dispatchEvent(client, packet->getEvent(), data, type == "ack" || version_ == SocketIOVersion::V10x);
    } else if (type == "message" || type == "json") {
        client->retain();
        if (client->getDelegate()) client->getDelegate()->onMessage(client, data);
        client->fireEvent(type, data);
        client->release();
    }
}

void SIOClientImpl::notifyConnected(SIOClient* client, const std::string& data) {
    client->retain();
    client->setConnected(true);
    if (client->getDelegate()) client->getDelegate()->onConnect(client);
    client->fireEvent("connect", data);
    client->release();
}

void SIOClientImpl::notifyError(SIOClient* client, const std::string& data) {
    client->retain();
    if (client->getDelegate()) client->getDelegate()->onError(client, data);
    client->fireEvent("error", data);
    client->release();
}

void SIOClientImpl::dispatchEvent(SIOClient* client, const std::string& name, const std::string& data,
                                  bool toMessage) {
    client->retain();
    client->fireEvent(name, data);
    // A handler may have closed the endpoint; its delegate has then been told already.
    if (toMessage && getClient(client->getPath()) == client && client->getDelegate()) {
        client->getDelegate()->onMessage(client, data);
    }
    client->release();
}

void SIOClientImpl::endpointClosedByServer(const std::string& endpoint, const std::string& data) {
    SIOClient* client = getClient(endpoint);
    if (client) client->retain();
    retain();
    disconnectFromEndpoint(endpoint);
    if (client) {
        client->fireEvent("disconnect", data);
        // The endpoint is gone, so the application must hear of it as for a closed connection.
        if (client->getDelegate()) client->getDelegate()->onClose(client);
        client->release();
    }
    release();
}
