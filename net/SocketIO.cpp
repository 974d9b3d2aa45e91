#include "SocketIO.h"

#include <cstdlib>

#include "CDebugModule.h"
#include "SIOClient.h"
#include "SIOClientImpl.h"

namespace {
constexpr int DEFAULT_HTTP_PORT = 80;
constexpr int DEFAULT_HTTPS_PORT = 443;
}  // namespace

void SocketIO::SIODelegate::onConnect(SIOClient* /*client*/) {
    logInfo("SIODelegate onConnect fired");
}

void SocketIO::SIODelegate::onMessage(SIOClient* /*client*/, const std::string& data) {
    logInfo("SIODelegate onMessage fired with data: %s", data.c_str());
}

void SocketIO::SIODelegate::fireEventToScript(SIOClient* /*client*/, const std::string& eventName,
                                              const std::string& data) {
    logInfo("SIODelegate event '%s' fired with data: %s", eventName.c_str(), data.c_str());
}

SocketIO* SocketIO::getInstance() {
    static SocketIO* instance = nullptr;
    if (!instance) instance = new SocketIO();
    return instance;
}

SIOClient* SocketIO::connect(const std::string& uri, SIODelegate& delegate, const std::string& scheme) {
    return getInstance()->connectClient(uri, delegate, scheme);
}

SIOClient* SocketIO::connectClient(const std::string& uri, SIODelegate& delegate, const std::string& scheme) {
    std::string rest = uri;
    const size_t slashes = rest.find("//");
    if (slashes != std::string::npos) rest.erase(0, slashes + 2);
    // The authority ends at the first "/", so a colon in the path never becomes the port.
    const size_t slash = rest.find('/');
    const std::string authority = rest.substr(0, slash);
    const std::string path = slash == std::string::npos ? "/" : "/" + rest.substr(slash + 1);
    const size_t colon = authority.find(':');
    const std::string host = authority.substr(0, colon);
    // Without a port the scheme's own applies (port 0 could never connect).
    int port = scheme == "https://" ? DEFAULT_HTTPS_PORT : DEFAULT_HTTP_PORT;
    if (colon != std::string::npos) port = std::atoi(authority.c_str() + colon + 1);
    const std::string key = host + ":" + std::to_string(port);

    SIOClientImpl* socket = getSocket(key);
    if (socket) {
        if (!socket->getClient(path)) {
            auto* client = new SIOClient(host, port, path, socket, delegate);
            socket->addClient(path, client);
            socket->connectToEndpoint(path);
            return client;
        }
        // The same endpoint again: leave the old one (which releases it) and start afresh.
        socket->disconnectFromEndpoint(path);
    }

    // Its own reference is dropped when the connection finishes.
    auto* impl = new SIOClientImpl(host, port);
    impl->setScheme(scheme);
    auto* client = new SIOClient(host, port, path, impl, delegate);
    impl->addClient(path, client);
    impl->handshake();
    return client;
}

SIOClientImpl* SocketIO::getSocket(const std::string& uri) const {
    const auto it = sockets_.find(uri);
    return it == sockets_.end() ? nullptr : it->second;
}

void SocketIO::addSocket(const std::string& uri, SIOClientImpl* socket) {
    auto it = sockets_.find(uri);
    if (it != sockets_.end()) {
        if (it->second == socket) return;
        it->second->release();
    }
    socket->retain();
    sockets_[uri] = socket;
}

void SocketIO::removeSocket(const std::string& uri, SIOClientImpl* socket) {
    auto it = sockets_.find(uri);
    if (it == sockets_.end() || it->second != socket) return;
    sockets_.erase(it);
    socket->release();
}
