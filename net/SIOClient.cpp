#include "SIOClient.h"

#include "CDebugModule.h"
#include "SIOClientImpl.h"

SIOClient::SIOClient(const std::string& host, int port, const std::string& path, SIOClientImpl* impl,
                     SocketIO::SIODelegate& delegate)
    : host_(host), port_(port), path_(path), socket_(impl), delegate_(&delegate) {}

SIOClient::~SIOClient() {
    if (connected_ && socket_) socket_->disconnectFromEndpoint(path_);
}

void SIOClient::emit(const std::string& eventName, const std::string& args, const std::string& id) {
    if (!connected_ || !socket_) {
        logWarn("Client not yet connected");
        if (delegate_) delegate_->onError(this, "Client not yet connected");
        return;
    }
    socket_->emit(path_, eventName, args, id);
}

void SIOClient::on(const std::string& eventName, SIOEvent handler) {
    eventRegistry_[eventName] = std::move(handler);
}

void SIOClient::disconnect() {
    // May release this client: nothing after the call.
    if (socket_) socket_->disconnectFromEndpoint(path_);
}

void SIOClient::fireEvent(const std::string& eventName, const std::string& data) {
    if (delegate_) delegate_->fireEventToScript(this, eventName, data);
    const auto it = eventRegistry_.find(eventName);
    if (it == eventRegistry_.end() || !it->second) return;
    // A copy: the handler may replace itself.
    const SIOEvent handler = it->second;
    handler(this, data);
}

void SIOClient::detachSocket() {
    socket_ = nullptr;
    connected_ = false;
}
