// Socket.IO event throughput: a socket.io 1.7.4 server (tests/net/peers) pushes EVENT_COUNT small events.
// Figure: events per second that reach a handler on the main thread through SocketIO (WebSocket worker,
// hand-over to the main thread, frame parsing, dispatch by name), against a bare libwebsockets client on
// one thread that only counts the frames. Both run in this process, against the same server, in turn.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <libwebsockets.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "CCDirector.h"
#include "CCHttpClient.h"
#include "SIOClient.h"
#include "SocketIO.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int EVENT_COUNT = 200000;
constexpr int ROUNDS = 2;
constexpr double TARGET_RATIO = 0.6;
constexpr double DEADLINE_SECONDS = 120;
constexpr const char* TICK_PREFIX = "42[\"tick\"";

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The Node server, killed when this goes.
class Peer {
public:
    bool start() {
        int input[2];
        int output[2];
        if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        const std::string dir = ZENTO_NET_PEERS_DIR;
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
        std::string script = dir + "/sio_server.js";
        std::string generation = "1";
        char node[] = "node";
        char* argv[] = {node, script.data(), generation.data(), nullptr};
        const int rc = posix_spawnp(&pid_, "node", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(input[0]);
        close(output[1]);
        stdin_ = input[1];
        stdout_ = output[0];
        if (rc != 0) {
            pid_ = -1;
            return false;
        }
        std::string text;
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < deadline) {
            pollfd fd{stdout_, POLLIN, 0};
            if (poll(&fd, 1, 100) <= 0) continue;
            char buffer[256];
            const ssize_t n = read(stdout_, buffer, sizeof buffer);
            if (n <= 0) return false;
            text.append(buffer, static_cast<size_t>(n));
            const size_t at = text.find("PORT ");
            if (at != std::string::npos && text.find('\n', at) != std::string::npos) {
                port_ = std::atoi(text.c_str() + at + 5);
                return port_ > 0;
            }
        }
        return false;
    }
    ~Peer() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (stdin_ >= 0) close(stdin_);
        if (stdout_ >= 0) close(stdout_);
    }
    int port() const { return port_; }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    int port_ = 0;
};

// ---- the baseline: libwebsockets alone, counting tick frames on its own thread ----

struct BareState {
    int received = 0;
    bool asked = false;
    bool failed = false;
    bool closed = false;
    Clock::time_point first;
    Clock::time_point last;
    std::string pending;
};

int bareCallback(lws* wsi, lws_callback_reasons reason, void* /*user*/, void* in, size_t len) {
    if (!wsi) return 0;
    auto* state = static_cast<BareState*>(lws_context_user(lws_get_context(wsi)));
    if (!state) return 0;
    switch (reason) {
        case LWS_CALLBACK_CLIENT_CONNECTION_ERROR:
            state->failed = true;
            break;
        case LWS_CALLBACK_CLIENT_CLOSED:
            state->closed = true;
            break;
        case LWS_CALLBACK_CLIENT_RECEIVE: {
            const char* text = static_cast<const char*>(in);
            if (!state->asked && len >= 2 && text[0] == '4' && text[1] == '0') {
                state->pending = "42[\"push\"," + std::to_string(EVENT_COUNT) + "]";
                lws_callback_on_writable(wsi);
            } else if (len >= std::strlen(TICK_PREFIX) &&
                       std::memcmp(text, TICK_PREFIX, std::strlen(TICK_PREFIX)) == 0 &&
                       lws_is_final_fragment(wsi)) {
                if (state->received++ == 0) state->first = Clock::now();
                state->last = Clock::now();
            }
            break;
        }
        case LWS_CALLBACK_CLIENT_WRITEABLE:
            if (!state->pending.empty()) {
                std::vector<unsigned char> frame(LWS_PRE + state->pending.size());
                std::memcpy(frame.data() + LWS_PRE, state->pending.data(), state->pending.size());
                lws_write(wsi, frame.data() + LWS_PRE, state->pending.size(), LWS_WRITE_TEXT);
                state->pending.clear();
                state->asked = true;
            }
            break;
        default:
            break;
    }
    return 0;
}

double runBare(int port) {
    BareState state;
    lws_protocols protocols[2];
    std::memset(protocols, 0, sizeof protocols);
    protocols[0].name = "default-protocol";
    protocols[0].callback = bareCallback;
    protocols[0].rx_buffer_size = 65536;
    lws_context_creation_info info;
    std::memset(&info, 0, sizeof info);
    info.port = CONTEXT_PORT_NO_LISTEN;
    info.protocols = protocols;
    info.gid = -1;
    info.uid = -1;
    info.user = &state;
    lws_context* context = lws_create_context(&info);
    if (!context) return 0;
    const std::string host = "127.0.0.1:" + std::to_string(port);
    lws_client_connect_info connect;
    std::memset(&connect, 0, sizeof connect);
    connect.context = context;
    connect.address = "127.0.0.1";
    connect.port = port;
    connect.path = "/socket.io/1/websocket/?EIO=2&transport=websocket";
    connect.host = host.c_str();
    connect.origin = host.c_str();
    connect.protocol = protocols[0].name;
    connect.ietf_version_or_minus_one = -1;
    lws_client_connect_via_info(&connect);
    const auto start = Clock::now();
    while (state.received < EVENT_COUNT && !state.failed && !state.closed &&
           secondsSince(start) < DEADLINE_SECONDS) {
        lws_service(context, 0);
    }
    lws_context_destroy(context);
    if (state.received < EVENT_COUNT) {
        std::fprintf(stderr, "bare client: %d of %d events\n", state.received, EVENT_COUNT);
        return 0;
    }
    return (EVENT_COUNT - 1) / std::chrono::duration<double>(state.last - state.first).count();
}

// ---- ours: SocketIO with a handler on the main thread, frames paced like the real loop ----

class QuietDelegate : public SocketIO::SIODelegate {
public:
    void onConnect(SIOClient* /*client*/) override { connected = true; }
    void onMessage(SIOClient*, const std::string&) override {}
    void fireEventToScript(SIOClient*, const std::string&, const std::string&) override {}
    void onClose(SIOClient*) override { closed = true; }
    void onError(SIOClient*, const std::string&) override { closed = true; }
    bool connected = false;
    bool closed = false;
};

double runSocketIO(int port) {
    using cocos2d::CCDirector;
    CCDirector::purgeDirector();
    QuietDelegate delegate;
    SIOClient* client = SocketIO::connect("http://127.0.0.1:" + std::to_string(port), delegate, "http://");
    int received = 0;
    Clock::time_point first;
    Clock::time_point last;
    client->on("tick", [&](SIOClient*, const std::string& data) {
        // Touch the payload as a real handler would.
        if (data.empty()) return;
        if (received++ == 0) first = Clock::now();
        last = Clock::now();
    });
    bool asked = false;
    const double frame = CCDirector::sharedDirector()->getAnimationInterval();
    const auto start = Clock::now();
    auto previous = Clock::now();
    while (received < EVENT_COUNT && !delegate.closed && secondsSince(start) < DEADLINE_SECONDS) {
        const auto now = Clock::now();
        CCDirector::sharedDirector()->stepFrame(std::chrono::duration<float>(now - previous).count());
        previous = now;
        if (delegate.connected && !asked) {
            client->emit("push", std::to_string(EVENT_COUNT));
            asked = true;
        }
        std::this_thread::sleep_until(now + std::chrono::duration<double>(frame));
    }
    if (!delegate.closed) client->disconnect();
    CCDirector::sharedDirector()->stepFrame(0);
    cocos2d::CCHttpClient::destroyInstance();
    CCDirector::purgeDirector();
    if (received < EVENT_COUNT) {
        std::fprintf(stderr, "SocketIO client: %d of %d events\n", received, EVENT_COUNT);
        return 0;
    }
    return (EVENT_COUNT - 1) / std::chrono::duration<double>(last - first).count();
}

}  // namespace

int main() {
    lws_set_log_level(0, nullptr);
    Peer peer;
    if (!peer.start()) {
        std::fprintf(stderr,
                     "cannot start the socket.io peer (is tests/net/peers installed? npm ci there)\n");
        return 1;
    }
    double bare = 0;
    double ours = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        bare = std::max(bare, runBare(peer.port()));
        ours = std::max(ours, runSocketIO(peer.port()));
    }
    if (bare <= 0 || ours <= 0) return 1;
    std::printf("socketio_events: %d events pushed by socket.io 1.7.4, best of %d rounds\n", EVENT_COUNT,
                ROUNDS);
    std::printf("  bare libwebsockets client (counts frames):      %10.0f events/s\n", bare);
    std::printf("  SocketIO client (handler on the main thread):   %10.0f events/s\n", ours);
    std::printf("  ratio %.2f (target >= %.1f): %s\n", ours / bare, TARGET_RATIO,
                ours / bare >= TARGET_RATIO ? "met" : "NOT met");
    return 0;
}
