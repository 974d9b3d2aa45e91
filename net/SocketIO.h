#pragma once

#include <cstddef>
#include <map>
#include <string>

class SIOClient;
class SIOClientImpl;

// Hands out one SIOClient per endpoint (namespace) of a Socket.IO server and keeps the open
// connections by host:port. Main thread only. The instance is created on first use and never destroyed.
class SocketIO {
public:
    // Receives what happens on a client. onClose and onError mean the client is finished: it must not
    // be used after they return. Every call comes on the main thread.
    class SIODelegate {
    public:
        virtual ~SIODelegate() {}
        virtual void onConnect(SIOClient* client);
        virtual void onMessage(SIOClient* client, const std::string& data);
        virtual void onClose(SIOClient* client) = 0;
        virtual void onError(SIOClient* client, const std::string& data) = 0;
        virtual void fireEventToScript(SIOClient* client, const std::string& eventName,
                                       const std::string& data);
    };

    static SocketIO* getInstance();

    // uri: [scheme//]host[:port][/path]; scheme: "http://" or "https://" for the handshake (and TLS on
    // the WebSocket with https). Returns the client for the path; the client belongs to its connection
    // (do not release it) and stays valid until its delegate's onClose or onError has returned.
    static SIOClient* connect(const std::string& uri, SIODelegate& delegate,
                              const std::string& scheme = "http://");

    // The open connection for host:port, or null.
    SIOClientImpl* getSocket(const std::string& uri) const;
    // Registers (and retains) an open connection, replacing (and releasing) an older one.
    void addSocket(const std::string& uri, SIOClientImpl* socket);
    // Forgets the connection if it is still the one registered under uri.
    void removeSocket(const std::string& uri, SIOClientImpl* socket);
    size_t getSocketCount() const { return sockets_.size(); }

private:
    SocketIO() = default;
    SIOClient* connectClient(const std::string& uri, SIODelegate& delegate, const std::string& scheme);

    std::map<std::string, SIOClientImpl*> sockets_;
};
