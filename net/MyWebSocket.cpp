#include "MyWebSocket.h"

#include <libwebsockets.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <list>
#include <thread>

#include "CCCommon.h"
#include "CCDirector.h"
#include "CCScheduler.h"
#include "CCSignalStack.h"

USING_NS_CC;

static_assert(MyWebSocket::FRAME_HEADER_ROOM >= LWS_PRE, "the library needs more room in front of a frame");

namespace {

constexpr const char* PROTOCOL_NAME = "default-protocol";
constexpr int LIBRARY_LOG_MASK = 967;
constexpr size_t RECEIVE_RESERVE = 4096;
// How long close() lets frames queued before it (a goodbye packet) leave before the socket goes.
constexpr auto CLOSE_FLUSH_TIME = std::chrono::milliseconds(500);
constexpr lws_usec_t FLUSH_WAKE_USECS = 20 * 1000;

std::mutex& instancesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<MyWebSocket*>*& instances() {
    static std::vector<MyWebSocket*>* list = nullptr;
    return list;
}

std::atomic<int> nextMessageId{0};

void discardLibraryLog(int /*level*/, const char* /*line*/) {}

int socketCallback(lws* wsi, lws_callback_reasons reason, void* /*user*/, void* in, size_t len) {
    if (!wsi) return 0;
    lws_context* context = lws_get_context(wsi);
    auto* socket = context ? static_cast<MyWebSocket*>(lws_context_user(context)) : nullptr;
    if (!socket) return 0;
    return socket->onSocketCallback(wsi, static_cast<int>(reason), in, len);
}

}  // namespace

struct MyWebSocket::SocketMessage {
    int id = 0;
    int kind = 0;  // 0: text
    std::vector<char> bytes;
    size_t len = 0;
    size_t sent = 0;
    bool binary = false;
};

struct MyWebSocket::WsThreadHelper {
    std::mutex queueMutex;
    std::list<std::unique_ptr<SocketMessage>> queue;
    std::thread thread;
    std::atomic<bool> needQuit{false};
    // Set by close() when the socket was open: the worker first lets queued frames leave.
    std::atomic<bool> flushBeforeQuit{false};
};

MyWebSocket::MyWebSocket() : destroyed_(std::make_shared<std::atomic<bool>>(false)) {
    receivedData_.reserve(RECEIVE_RESERVE);
    std::lock_guard<std::mutex> lock(instancesMutex());
    if (!instances()) instances() = new std::vector<MyWebSocket*>();
    instances()->push_back(this);
}

MyWebSocket::~MyWebSocket() {
    destroyed_->store(true);
    stopWorker();
    protocols_.reset();
    CC_SAFE_RELEASE(scheduler_);
    std::lock_guard<std::mutex> lock(instancesMutex());
    auto& list = *instances();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

size_t MyWebSocket::getInstanceCount() {
    std::lock_guard<std::mutex> lock(instancesMutex());
    return instances() ? instances()->size() : 0;
}

bool MyWebSocket::init(Delegate& delegate, const std::string& url, bool secure,
                       const std::vector<std::string>* /*protocols*/) {
    if (helper_) {
        CCLog("[WebSocket::init] already initialised");
        return false;
    }
    port_ = 80;
    secure_ = secure ? 1 : 0;
    std::string rest = url;
    if (rest.rfind("ws://", 0) == 0) {
        rest.erase(0, 5);
    } else if (rest.rfind("wss://", 0) == 0) {
        rest.erase(0, 6);
        secure_ = 1;
    }
    // The authority ends at the first "/", so a colon inside the path never becomes the port.
    const size_t slash = rest.find('/');
    const std::string authority = rest.substr(0, slash);
    path_ = "/" + (slash == std::string::npos ? std::string() : rest.substr(slash + 1));
    const size_t colon = authority.find(':');
    host_ = authority.substr(0, colon);
    if (colon != std::string::npos) port_ = std::atoi(authority.c_str() + colon + 1);

    CCLog("[WebSocket::init] _host: %s, _port: %d, _path: %s, ssl:%d", host_.c_str(), port_, path_.c_str(),
          secure_);
    if (host_.empty() || port_ <= 0 || port_ > 65535) {
        CCLog("[WebSocket::init] invalid address in url: %s", url.c_str());
        return false;
    }

    delegate_ = &delegate;
    hostHeader_ = host_ + ":" + std::to_string(port_);
    protocols_ = std::make_unique<lws_protocols[]>(2);
    protocols_[0].name = PROTOCOL_NAME;
    protocols_[0].callback = socketCallback;
    protocols_[0].per_session_data_size = 0;
    protocols_[0].rx_buffer_size = MAX_FRAME_PAYLOAD;

    scheduler_ = CCDirector::sharedDirector()->getScheduler();
    scheduler_->retain();

    static std::once_flag logOnce;
    std::call_once(logOnce, [] { lws_set_log_level(LIBRARY_LOG_MASK, discardLibraryLog); });

    helper_ = std::make_unique<WsThreadHelper>();
    try {
        helper_->thread = std::thread(&MyWebSocket::runWorker, this);
    } catch (const std::system_error& error) {
        CCLog("[WebSocket::init] cannot start the worker thread: %s", error.what());
        helper_.reset();
        return false;
    }
    return true;
}

void MyWebSocket::send(const std::string& message) {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        if (readyState_ != OPEN) return;
    }
    auto socketMessage = std::make_unique<SocketMessage>();
    socketMessage->id = ++nextMessageId;
    socketMessage->kind = 0;
    socketMessage->bytes.assign(message.begin(), message.end());
    socketMessage->bytes.push_back('\0');
    socketMessage->len = message.size();
    {
        std::lock_guard<std::mutex> lock(helper_->queueMutex);
        helper_->queue.push_back(std::move(socketMessage));
    }
    wakeWorker();
}

void MyWebSocket::close() {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        if (readyState_ == CLOSED) return;
        // Set before the worker can see CLOSED, so a goodbye packet queued just before still leaves.
        if (helper_ && readyState_ == OPEN) helper_->flushBeforeQuit = true;
        readyState_ = CLOSED;
    }
    stopWorker();
    if (delegate_) delegate_->onClose(this);
    // The owner may have deleted this socket inside onClose.
}

MyWebSocket::State MyWebSocket::getReadyState() {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return readyState_;
}

void MyWebSocket::setState(State state) {
    std::lock_guard<std::mutex> lock(stateMutex_);
    readyState_ = state;
}

void MyWebSocket::stopWorker() {
    if (!helper_) return;
    helper_->needQuit = true;
    wakeWorker();
    if (helper_->thread.joinable()) helper_->thread.join();
}

void MyWebSocket::wakeWorker() {
    std::lock_guard<std::mutex> lock(contextMutex_);
    if (context_) lws_cancel_service(context_);
}

void MyWebSocket::runWorker() {
    cocos2d::installSignalStack();
    lws_context_creation_info info;
    std::memset(&info, 0, sizeof info);
    info.port = CONTEXT_PORT_NO_LISTEN;
    info.protocols = protocols_.get();
    info.gid = -1;
    info.uid = -1;
    info.user = this;
    if (secure_) info.options |= LWS_SERVER_OPTION_DO_SSL_GLOBAL_INIT;
    lws_context* context = lws_create_context(&info);
    if (!context) {
        // Without a report the owner would wait for this socket for ever.
        CCLog("[WebSocket] cannot create the library context for %s", hostHeader_.c_str());
        failConnection();
        return;
    }
    {
        std::lock_guard<std::mutex> lock(contextMutex_);
        context_ = context;
    }
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        // close() may already have run; it must stay closed.
        if (readyState_ != CLOSED) readyState_ = CONNECTING;
    }
    connectFromWorker();

    while (!helper_->needQuit) {
        {
            std::lock_guard<std::mutex> lock(stateMutex_);
            if (readyState_ == CLOSED || readyState_ == CLOSING) {
                helper_->needQuit = true;
                break;
            }
        }
        {
            std::lock_guard<std::mutex> lock(helper_->queueMutex);
            if (!helper_->queue.empty() && connection_) lws_callback_on_writable(connection_);
        }
        // Not under the state lock: the callbacks take it.
        lws_service(context, 0);
    }

    if (helper_->flushBeforeQuit) {
        const auto deadline = std::chrono::steady_clock::now() + CLOSE_FLUSH_TIME;
        while (connection_ && std::chrono::steady_clock::now() < deadline) {
            {
                std::lock_guard<std::mutex> lock(helper_->queueMutex);
                if (helper_->queue.empty()) break;
            }
            lws_callback_on_writable(connection_);
            // The timer wakes the service if the peer stops reading.
            lws_set_timer_usecs(connection_, FLUSH_WAKE_USECS);
            lws_service(context, 0);
        }
    }

    {
        std::lock_guard<std::mutex> lock(contextMutex_);
        context_ = nullptr;
    }
    lws_context_destroy(context);
    connection_ = nullptr;
}

void MyWebSocket::connectFromWorker() {
    lws_client_connect_info info;
    std::memset(&info, 0, sizeof info);
    info.context = context_;
    info.address = host_.c_str();
    info.port = port_;
    info.ssl_connection = secure_ ? LCCSCF_USE_SSL : 0;
    info.path = path_.c_str();
    info.host = hostHeader_.c_str();
    info.origin = hostHeader_.c_str();
    info.protocol = PROTOCOL_NAME;
    info.ietf_version_or_minus_one = -1;
    lws* connection = lws_client_connect_via_info(&info);
    if (!connection) {
        CCLog("[WebSocket] cannot connect to %s", hostHeader_.c_str());
        failConnection();
        return;
    }
    // The library may already have failed and freed it inside the call.
    if (getReadyState() == CONNECTING || getReadyState() == OPEN) connection_ = connection;
}

void MyWebSocket::failConnection() {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        if (readyState_ == CLOSED || readyState_ == CLOSING) return;
        readyState_ = CLOSING;
    }
    postConnectionError();
}

void MyWebSocket::postConnectionError() {
    auto destroyed = destroyed_;
    scheduler_->performFunctionInMainThread([this, destroyed] {
        if (destroyed->load()) return;
        if (delegate_) delegate_->onError(this, CONNECTION_FAILURE);
    });
}

int MyWebSocket::onSocketCallback(lws* wsi, int reason, void* in, size_t len) {
    switch (reason) {
        case LWS_CALLBACK_CLIENT_CONNECTION_ERROR:
            connection_ = nullptr;
            CCLog("[WebSocket] connection error on %s: %s", hostHeader_.c_str(),
                  in && len ? std::string(static_cast<const char*>(in), len).c_str() : "no reason given");
            failConnection();
            break;
        case LWS_CALLBACK_CLIENT_ESTABLISHED: {
            connection_ = wsi;
            lws_callback_on_writable(wsi);
            setState(OPEN);
            auto destroyed = destroyed_;
            scheduler_->performFunctionInMainThread([this, destroyed] {
                if (destroyed->load()) return;
                if (delegate_) delegate_->onOpen(this);
            });
            break;
        }
        case LWS_CALLBACK_CLOSED:
        case LWS_CALLBACK_CLIENT_CLOSED:
        case LWS_CALLBACK_PROTOCOL_DESTROY:
            if (reason != LWS_CALLBACK_PROTOCOL_DESTROY) connection_ = nullptr;
            onLibraryClosed();
            break;
        case LWS_CALLBACK_CLIENT_RECEIVE:
            onClientReceive(wsi, static_cast<const char*>(in), len);
            if (getReadyState() == CLOSING) return -1;
            break;
        case LWS_CALLBACK_CLIENT_WRITEABLE:
            onClientWritable(wsi);
            break;
        case LWS_CALLBACK_EVENT_WAIT_CANCELLED: {
            std::lock_guard<std::mutex> lock(helper_->queueMutex);
            if (!helper_->queue.empty() && connection_) lws_callback_on_writable(connection_);
            break;
        }
        default:
            break;
    }
    return 0;
}

void MyWebSocket::onLibraryClosed() {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        if (readyState_ == CLOSED) return;
        readyState_ = CLOSED;
    }
    helper_->needQuit = true;
    auto destroyed = destroyed_;
    scheduler_->performFunctionInMainThread([this, destroyed] {
        if (destroyed->load()) return;
        if (helper_->thread.joinable()) helper_->thread.join();
        if (delegate_) delegate_->onClose(this);
    });
}

void MyWebSocket::onClientReceive(lws* wsi, const char* in, size_t len) {
    if (receivedData_.size() + len > MAX_MESSAGE_SIZE) {
        CCLog("[WebSocket] message from %s exceeds %zu bytes, closing", hostHeader_.c_str(),
              MAX_MESSAGE_SIZE);
        receivedData_.clear();
        receivedData_.shrink_to_fit();
        receivedData_.reserve(RECEIVE_RESERVE);
        failConnection();
        return;
    }
    if (in && len) receivedData_.insert(receivedData_.end(), in, in + len);
    if (lws_remaining_packet_payload(wsi) != 0 || !lws_is_final_fragment(wsi)) return;

    const bool binary = lws_frame_is_binary(wsi) != 0;
    std::vector<char> bytes;
    bytes.swap(receivedData_);
    receivedData_.reserve(RECEIVE_RESERVE);
    const ssize_t length = static_cast<ssize_t>(bytes.size());
    if (!binary) bytes.push_back('\0');
    auto destroyed = destroyed_;
    scheduler_->performFunctionInMainThread(
        [this, destroyed, binary, length, bytes = std::move(bytes)]() mutable {
            if (destroyed->load()) return;
            Data data;
            data.bytes = bytes.data();
            data.len = length;
            data.isBinary = binary;
            if (delegate_) delegate_->onMessage(this, data);
        });
}

void MyWebSocket::onClientWritable(lws* wsi) {
    std::lock_guard<std::mutex> lock(helper_->queueMutex);
    auto& queue = helper_->queue;
    if (queue.empty()) return;
    SocketMessage& message = *queue.front();
    const size_t remaining = message.len - message.sent;
    const size_t payload = std::min(remaining, MAX_FRAME_PAYLOAD);

    std::vector<unsigned char> frame(FRAME_HEADER_ROOM + payload);
    if (payload) std::memcpy(frame.data() + FRAME_HEADER_ROOM, message.bytes.data() + message.sent, payload);

    int flags;
    if (message.sent == 0) {
        flags = message.binary ? LWS_WRITE_BINARY : LWS_WRITE_TEXT;
        if (message.len > MAX_FRAME_PAYLOAD) flags |= LWS_WRITE_NO_FIN;
    } else {
        flags = LWS_WRITE_CONTINUATION;
        if (message.sent + payload < message.len) flags |= LWS_WRITE_NO_FIN;
    }

    const int written =
        lws_write(wsi, frame.data() + FRAME_HEADER_ROOM, payload, static_cast<lws_write_protocol>(flags));
    if (written < 0) {
        CCLog("[WebSocket] write failed on %s, closing", hostHeader_.c_str());
        queue.pop_front();
        helper_->needQuit = true;
        return;
    }
    if (static_cast<size_t>(written) < payload) {
        message.sent += static_cast<size_t>(written);
    } else {
        message.sent += payload;
        if (message.sent >= message.len) queue.pop_front();
    }
    if (!queue.empty()) lws_callback_on_writable(wsi);
}
