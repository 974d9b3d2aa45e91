#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CCObject.h"
#include "MyWebSocket.h"
#include "SocketIOPacket.h"

namespace cocos2d {
class CCHttpClient;
class CCHttpResponse;
}  // namespace cocos2d

class SIOClient;

// One Socket.IO connection to host:port: the HTTP handshake (which tells protocol 0.9 from 1.x), the
// WebSocket, heartbeats, and the endpoints' clients, to which it dispatches incoming frames.
//
// Main thread only: the handshake answer comes through the HTTP client's main-thread delivery, the
// WebSocket's events through its main-thread posting, heartbeats from the scheduler.
//
// Lifetime: SocketIO::connect makes it with one reference that the connection holds on itself until it
// finishes (socket closed, socket error, or failed handshake); the handshake request, the scheduler
// and SocketIO's table hold further references while they need it. Finishing tells every client's
// delegate (onClose or onError) and lets the clients go.
class SIOClientImpl : public cocos2d::CCObject, public MyWebSocket::Delegate {
public:
    using SocketIOVersion = SocketIOPacket::SocketIOVersion;

    // Shortest heartbeat period, so a tiny ping interval never means a heartbeat every frame.
    static constexpr float MIN_HEARTBEAT_PERIOD_SECONDS = 0.1f;

    SIOClientImpl(const std::string& host, int port);
    ~SIOClientImpl() override;

    void setScheme(const std::string& scheme) { scheme_ = scheme; }
    void addClient(const std::string& path, SIOClient* client);
    SIOClient* getClient(const std::string& path) const;
    size_t getClientCount() const { return clients_.size(); }

    void handshake();
    void handshakeResponse(cocos2d::CCHttpClient* sender, cocos2d::CCHttpResponse* response);
    virtual void openSocket();
    void connectToEndpoint(const std::string& path);
    void disconnectFromEndpoint(const std::string& path);
    void disconnect();
    void heartbeat(float dt);
    void send(const SocketIOPacket& packet);
    void emit(const std::string& endpoint, const std::string& eventName, const std::string& args,
              const std::string& id);

    // Runs one received frame text through the protocol (what onMessage does with a text message).
    void handleMessage(const std::string& text);

    void onOpen(MyWebSocket* ws) override;
    void onMessage(MyWebSocket* ws, const MyWebSocket::Data& data) override;
    void onClose(MyWebSocket* ws) override;
    void onError(MyWebSocket* ws, const MyWebSocket::ErrorCode& error) override;

    const std::string& getUri() const { return uri_; }
    const std::string& getSid() const { return sid_; }
    int getHeartbeat() const { return heartbeat_; }
    int getTimeout() const { return timeout_; }
    // Where openSocket connects: host:port and the path for the protocol generation and sid.
    std::string webSocketUrl() const;
    // Seconds between two heartbeats (0.9 of the server's interval).
    float getHeartbeatPeriod() const;
    SocketIOVersion getVersion() const { return version_; }
    bool isConnected() const { return connected_; }

protected:
    // Hands a frame text to the WebSocket; tests record it instead.
    virtual void writeFrame(const std::string& text);
    // Reads the handshake reply; false when it is neither form.
    bool parseHandshakeReply(const std::string& body);
    // Tells every client (onClose, or onError with the text when error is set), lets them go, stops the
    // heartbeat, leaves SocketIO's table and drops the connection's reference on itself. Once only.
    void finish(bool error, const std::string& errorText);

    bool connected_ = false;
    std::unique_ptr<MyWebSocket> ws_;

private:
    void sendText(const std::string& text);
    // The endpoint's confirmation, and an error the server reports on it: delegate, then the event.
    void notifyConnected(SIOClient* client, const std::string& data);
    void notifyError(SIOClient* client, const std::string& data);
    void dispatchEvent(SIOClient* client, const std::string& name, const std::string& data, bool toMessage);
    void endpointClosedByServer(const std::string& endpoint, const std::string& data);

    std::string host_;
    int port_;
    std::string uri_;
    std::string scheme_ = "http://";
    std::string sid_;
    int heartbeat_ = 0;
    int timeout_ = 0;
    double heartbeatIntervalSeconds_ = 0;
    SocketIOVersion version_ = SocketIOVersion::V10x;
    std::map<std::string, SIOClient*> clients_;
    // Packets that followed the open packet in the handshake reply; handled once the socket is open.
    std::vector<std::string> pendingPackets_;
    bool finished_ = false;
};
