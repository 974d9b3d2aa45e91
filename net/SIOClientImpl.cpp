#include "SIOClientImpl.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

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

// Reads the JSON string starting at text[pos] (a double quote); pos ends after its closing quote.
bool readJsonString(const std::string& text, size_t& pos, std::string& value) {
    if (pos >= text.size() || text[pos] != '"') return false;
    const size_t start = pos;
    bool escaped = false;
    size_t i = pos + 1;
    for (; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\') {
            escaped = true;
            ++i;
        }
    }
    if (i >= text.size()) return false;
    pos = i + 1;
    if (!escaped) {
        value.assign(text, start + 1, i - start - 1);
        return true;
    }
    rapidjson::Document doc;
    doc.Parse<JSON_FLAGS>(text.c_str() + start, pos - start);
    if (doc.HasParseError() || !doc.IsString()) return false;
    value.assign(doc.GetString(), doc.GetStringLength());
    return true;
}

void skipBlanks(const std::string& text, size_t& pos) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
}

// ["name",DATA...] from pos: the decoded name, and the text of the arguments as they stand.
bool splitEventArray(const std::string& text, size_t pos, std::string& name, std::string& data) {
    skipBlanks(text, pos);
    if (pos >= text.size() || text[pos] != '[') return false;
    ++pos;
    skipBlanks(text, pos);
    if (!readJsonString(text, pos, name)) return false;
    const size_t close = text.find_last_not_of(" \t\r\n");
    if (close == std::string::npos || text[close] != ']' || close < pos) return false;
    skipBlanks(text, pos);
    if (pos < close && text[pos] == ',') {
        ++pos;
    } else if (pos != close) {
        return false;
    }
    data.assign(text, pos, close - pos);
    return true;
}

// The acknowledgement id in front of its array, as in 12["ok"]: the id, and the array's contents.
bool splitAck(const std::string& text, std::string& id, std::string& data) {
    const size_t open = text.find('[');
    if (open == std::string::npos || text.back() != ']') return false;
    id.assign(text, 0, open);
    data.assign(text, open + 1, text.size() - open - 2);
    return true;
}

std::string compactJson(const rapidjson::Value& value) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    value.Accept(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

// {"name":"ev","args":[...]} of 0.9: the name and the arguments' text (joined by commas).
bool splitEventObject(const std::string& text, std::string& name, std::string& data) {
    rapidjson::Document doc;
    doc.Parse<JSON_FLAGS>(text.c_str(), text.size());
    if (doc.HasParseError() || !doc.IsObject()) return false;
    const auto nameMember = doc.FindMember("name");
    if (nameMember == doc.MemberEnd() || !nameMember->value.IsString()) return false;
    name.assign(nameMember->value.GetString(), nameMember->value.GetStringLength());
    data.clear();
    const auto args = doc.FindMember("args");
    if (args == doc.MemberEnd() || !args->value.IsArray()) return true;
    // The usual layout keeps the arguments' own text; anything else is written back compactly.
    const std::string prefix = "{\"name\":" + compactJson(nameMember->value) + ",\"args\":[";
    const std::string suffix = "]}";
    if (text.size() >= prefix.size() + suffix.size() && text.compare(0, prefix.size(), prefix) == 0 &&
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
        data.assign(text, prefix.size(), text.size() - prefix.size() - suffix.size());
        return true;
    }
    for (rapidjson::SizeType i = 0; i < args->value.Size(); ++i) {
        if (i) data += ",";
        data += compactJson(args->value[i]);
    }
    return true;
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
    CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "SIOClientImpl::handshake %s%s", scheme_.c_str(),
                                     uri_.c_str());
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
        CDebugModule::getInstance()->log(LOG_LEVEL_ERROR, "SIOClientImpl::handshake failed for %s: %s",
                                         uri_.c_str(), error.c_str());
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
        CDebugModule::getInstance()->log(LOG_LEVEL_ERROR, "SIOClientImpl::handshake reply not understood: %s",
                                         shortened(body).c_str());
        finish(true, "invalid handshake reply");
        return;
    }
    CDebugModule::getInstance()->log(
        LOG_LEVEL_INFO, "SIOClientImpl::handshake sid %s, heartbeat %d, timeout %d, %s", sid_.c_str(),
        heartbeat_, timeout_, version_ == SocketIOVersion::V09x ? "0.9" : "1.x");
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
        CDebugModule::getInstance()->log(LOG_LEVEL_ERROR, "SIOClientImpl::openSocket failed for %s",
                                         url.c_str());
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
        CDebugModule::getInstance()->log(LOG_LEVEL_WARN, "SIOClientImpl: binary message ignored");
        return;
    }
    handleMessage(std::string(data.bytes, static_cast<size_t>(data.len)));
}

void SIOClientImpl::onClose(MyWebSocket* /*ws*/) {
    CDebugModule::getInstance()->log(LOG_LEVEL_INFO, "SIOClientImpl::onClose %s", uri_.c_str());
    finish(false, std::string());
}

void SIOClientImpl::onError(MyWebSocket* /*ws*/, const MyWebSocket::ErrorCode& error) {
    // Left unreported, the clients would wait for ever on a connection that is gone.
    CDebugModule::getInstance()->log(LOG_LEVEL_ERROR, "SIOClientImpl::onError %s: websocket error %d",
                                     uri_.c_str(), static_cast<int>(error));
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
    if (text.empty() || text[0] < '0' || text[0] > '9') {
        CDebugModule::getInstance()->log(LOG_LEVEL_WARN, "SIOClientImpl: frame ignored: %s",
                                         shortened(text).c_str());
        return;
    }
    const int control = text[0] - '0';
    const std::string payload = text.substr(1);
    if (version_ == SocketIOVersion::V09x) {
        handleMessage09x(control, payload);
        return;
    }
    switch (control) {
        case 2:
            sendText("3" + payload);
            break;
        case 3:
            if (payload == "probe") sendText(UPGRADE_PACKET);
            break;
        case 4:
            handleMessage10x(payload);
            break;
        default:
            break;
    }
}

void SIOClientImpl::handleMessage10x(const std::string& payload) {
    if (payload.empty() || payload[0] < '0' || payload[0] > '9') {
        CDebugModule::getInstance()->log(LOG_LEVEL_WARN, "SIOClientImpl: message ignored: 4%s",
                                         shortened(payload).c_str());
        return;
    }
    const int subType = payload[0] - '0';
    std::string rest = payload.substr(1);
    std::string endpoint = "/";
    if (!rest.empty() && rest[0] == '/') {
        const size_t comma = rest.find(',');
        endpoint = rest.substr(0, comma);
        rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
    }
    SIOClient* client = getClient(endpoint);

    switch (subType) {
        case 0:
            if (client) {
                client->retain();
                client->setConnected(true);
                if (client->getDelegate()) client->getDelegate()->onConnect(client);
                client->fireEvent("connect", rest);
                client->release();
            }
            break;
        case 1:
            endpointClosedByServer(endpoint, rest);
            break;
        case 2: {
            // An event that wants an acknowledgement carries its id in front of the array.
            size_t start = 0;
            while (start < rest.size() && rest[start] >= '0' && rest[start] <= '9') ++start;
            std::string name;
            std::string data;
            if (!splitEventArray(rest, start, name, data)) {
                CDebugModule::getInstance()->log(LOG_LEVEL_WARN, "SIOClientImpl: event ignored: 4%s",
                                                 shortened(payload).c_str());
                break;
            }
            if (client) dispatchEvent(client, name, data, true);
            break;
        }
        case 3: {
            if (!client) break;
            std::string name;
            std::string data;
            const bool parsed = !rest.empty() && rest[0] != '[' ? splitAck(rest, name, data)
                                                                : splitEventArray(rest, 0, name, data);
            if (!parsed) {
                CDebugModule::getInstance()->log(LOG_LEVEL_WARN,
                                                 "SIOClientImpl: acknowledgement ignored: 4%s",
                                                 shortened(payload).c_str());
                break;
            }
            dispatchEvent(client, name, data, true);
            break;
        }
        case 4:
            if (client) {
                client->retain();
                if (client->getDelegate()) client->getDelegate()->onError(client, rest);
                client->fireEvent("error", rest);
                client->release();
            }
            break;
        default:
            break;
    }
}

void SIOClientImpl::handleMessage09x(int control, const std::string& payload) {
    // :id:endpoint:data
    const size_t first = payload.find(':');
    if (first == std::string::npos) {
        CDebugModule::getInstance()->log(LOG_LEVEL_WARN, "SIOClientImpl: frame ignored: %d%s", control,
                                         shortened(payload).c_str());
        return;
    }
    std::string rest = payload.substr(first + 1);
    const size_t second = rest.find(':');
    rest = second == std::string::npos ? std::string() : rest.substr(second + 1);
    const size_t third = rest.find(':');
    std::string endpoint = rest.substr(0, third);
    const std::string data = third == std::string::npos ? std::string() : rest.substr(third + 1);
    if (endpoint.empty()) endpoint = "/";
    SIOClient* client = getClient(endpoint);

    switch (control) {
        case 0:
            endpointClosedByServer(endpoint, data);
            break;
        case 1:
            if (client) {
                client->retain();
                client->setConnected(true);
                if (client->getDelegate()) client->getDelegate()->onConnect(client);
                client->fireEvent("connect", data);
                client->release();
            }
            break;
        case 3:
        case 4:
            if (client) {
                client->retain();
                if (client->getDelegate()) client->getDelegate()->onMessage(client, data);
                client->fireEvent(control == 3 ? "message" : "json", data);
                client->release();
            }
            break;
        case 5:
            if (client) {
                std::string name;
                std::string args;
                if (!splitEventObject(data, name, args)) {
                    CDebugModule::getInstance()->log(LOG_LEVEL_WARN, "SIOClientImpl: event ignored: 5%s",
                                                     shortened(payload).c_str());
                    break;
                }
                client->retain();
                client->fireEvent(name, args);
                client->release();
            }
            break;
        case 6:
            // The acknowledgement of an emit with an id: 9+[...], handed on as an event named by the id.
            if (client) {
                std::string id;
                std::string args;
                if (!splitAck(data, id, args)) {
                    CDebugModule::getInstance()->log(LOG_LEVEL_WARN,
                                                     "SIOClientImpl: acknowledgement ignored: 6%s",
                                                     shortened(payload).c_str());
                    break;
                }
                if (!id.empty() && id.back() == '+') id.pop_back();
                dispatchEvent(client, id, args, true);
            }
            break;
        case 7:
            if (client) {
                client->retain();
                if (client->getDelegate()) client->getDelegate()->onError(client, data);
                client->fireEvent("error", data);
                client->release();
            }
            break;
        default:
            break;
    }
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
