#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct lws;
struct lws_context;
struct lws_protocols;

namespace cocos2d {
class CCScheduler;
}

// A client WebSocket connection. libwebsockets runs on a worker thread of this socket's own; every
// event reaches the delegate on the main thread (through the scheduler's performFunctionInMainThread).
//
// Threads: init, send, close, getReadyState and the destructor belong to the main thread, and the
// delegate is only ever called there. The worker shares with the main thread the ready state (state
// lock), the outgoing queue (the helper's queue mutex), the quit flag (atomic) and the destroyed flag
// (atomic, shared with every callback still queued for the main thread).
//
// Lifetime: the owner deletes the socket after onClose or onError (it may do so inside the callback);
// callbacks still queued then are skipped. The destructor joins the worker.
class MyWebSocket {
public:
    enum State { CONNECTING = 0, OPEN = 1, CLOSING = 2, CLOSED = 3 };
    enum ErrorCode { CONNECTION_FAILURE = 1 };

    // Longest payload of one outgoing frame; longer messages are split into continuation frames.
    static constexpr size_t MAX_FRAME_PAYLOAD = 65536;
    // Longest incoming message; a longer one ends the connection with onError.
    static constexpr size_t MAX_MESSAGE_SIZE = 64 * 1024 * 1024;
    // Room the library's frame header needs in front of every payload it writes.
    static constexpr size_t FRAME_HEADER_ROOM = 16;

    // One received message. bytes stays valid during onMessage only; a text message is followed by
    // a zero byte that len does not count.
    struct Data {
        char* bytes = nullptr;
        ssize_t len = 0;
        bool isBinary = false;
    };

    class Delegate {
    public:
        virtual ~Delegate() {}
        virtual void onOpen(MyWebSocket* socket) = 0;
        virtual void onMessage(MyWebSocket* socket, const Data& data) = 0;
        virtual void onClose(MyWebSocket* socket) = 0;
        virtual void onError(MyWebSocket* socket, const ErrorCode& error) = 0;
    };

    MyWebSocket();
    virtual ~MyWebSocket();
    MyWebSocket(const MyWebSocket&) = delete;
    MyWebSocket& operator=(const MyWebSocket&) = delete;

    // Parses url ([ws:// | wss://]host[:port][/path]), starts the worker and returns true once it runs.
    // secure asks for TLS (with the library's default certificate checks), as does a "wss://" prefix.
    // protocols is accepted and ignored: the socket always offers "default-protocol".
    bool init(Delegate& delegate, const std::string& url, bool secure = false,
              const std::vector<std::string>* protocols = nullptr);

    // Queues a text message while OPEN; otherwise drops it.
    void send(const std::string& message);

    // Ends the connection, then calls onClose on the calling thread. Safe to call more than once:
    // only the first call does anything.
    void close();

    State getReadyState();

    const std::string& getHost() const { return host_; }
    int getPort() const { return port_; }
    const std::string& getPath() const { return path_; }
    bool isSecure() const { return secure_ != 0; }

    // Number of MyWebSocket instances alive in the process.
    static size_t getInstanceCount();

    // Called by the library on the worker thread; public only for the C callback shim.
    int onSocketCallback(lws* wsi, int reason, void* in, size_t len);

private:
    struct WsThreadHelper;
    struct SocketMessage;

    void runWorker();
    void connectFromWorker();
    void wakeWorker();
    void setState(State state);
    void failConnection();
    void postConnectionError();
    void onClientReceive(lws* wsi, const char* in, size_t len);
    void onClientWritable(lws* wsi);
    void onLibraryClosed();
    void stopWorker();

    std::mutex stateMutex_;
    State readyState_ = CONNECTING;
    std::string host_;
    int port_ = 80;
    std::string path_;
    std::vector<char> receivedData_;
    std::unique_ptr<WsThreadHelper> helper_;
    lws* connection_ = nullptr;  // worker thread only
    // Written by the worker; the main thread reads it under contextMutex_ to wake the worker.
    lws_context* context_ = nullptr;
    std::mutex contextMutex_;
    std::shared_ptr<std::atomic<bool>> destroyed_;
    Delegate* delegate_ = nullptr;
    int secure_ = 0;
    std::unique_ptr<lws_protocols[]> protocols_;
    std::string hostHeader_;
    cocos2d::CCScheduler* scheduler_ = nullptr;  // retained; resolved on the main thread by init
};
