#pragma once

#include <functional>
#include <map>
#include <string>

#include "CCObject.h"
#include "SocketIO.h"

// One endpoint (namespace) of a Socket.IO connection as the application sees it: emit events, register
// handlers by event name. Made by SocketIO::connect; owned (retained) by its connection, which lets it
// go when the endpoint or the connection closes. Main thread only.
class SIOClient : public cocos2d::CCObject {
public:
    typedef std::function<void(SIOClient*, const std::string&)> SIOEvent;

    SIOClient(const std::string& host, int port, const std::string& path, SIOClientImpl* impl,
              SocketIO::SIODelegate& delegate);
    ~SIOClient() override;

    // Sends the event with one JSON argument (args is JSON text, written as it is). id, when not empty,
    // asks for an acknowledgement, which arrives as an event named id. Before the server has confirmed
    // the endpoint nothing is sent and the delegate's onError receives "Client not yet connected".
    void emit(const std::string& eventName, const std::string& args, const std::string& id = "");
    // Registers the handler for eventName, replacing an earlier one.
    void on(const std::string& eventName, SIOEvent handler);
    // Leaves the endpoint (the whole connection when it was the last endpoint).
    void disconnect();

    // Calls the delegate's fireEventToScript, then the handler registered for eventName, if any.
    void fireEvent(const std::string& eventName, const std::string& data);

    bool isConnected() const { return connected_; }
    const std::string& getHost() const { return host_; }
    int getPort() const { return port_; }
    const std::string& getPath() const { return path_; }
    SocketIO::SIODelegate* getDelegate() const { return delegate_; }
    void setTag(const std::string& tag) { tag_ = tag; }
    const std::string& getTag() const { return tag_; }

    // Used by the connection.
    void setConnected(bool connected) { connected_ = connected; }
    void detachSocket();

private:
    std::string host_;
    int port_;
    std::string path_;
    std::string tag_;
    bool connected_ = false;
    SIOClientImpl* socket_;
    SocketIO::SIODelegate* delegate_;
    std::map<std::string, SIOEvent> eventRegistry_;
};
