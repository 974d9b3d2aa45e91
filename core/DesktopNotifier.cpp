#include "DesktopNotifier.h"

#include <libnotify/notify.h>

#include <unistd.h>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "CDebugModule.h"

struct DesktopNotifier::State {
    Sender sender;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::pair<std::string, std::string>> queue;
    bool available = true;
    bool stopping = false;
    bool busy = false;
    std::thread worker;

    void switchOff(const std::string& reason) {
        logWarn("desktop notifications off: %s", reason.c_str());
        std::lock_guard<std::mutex> lock(mutex);
        available = false;
        queue.clear();
    }

    void run() {
        for (;;) {
            std::pair<std::string, std::string> next;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [this] { return stopping || !queue.empty(); });
                if (stopping) return;
                next = std::move(queue.front());
                queue.pop_front();
                busy = true;
            }
            const std::string error = sender(next.first, next.second);
            {
                std::lock_guard<std::mutex> lock(mutex);
                busy = false;
            }
            if (!error.empty()) {
                switchOff(error);
                return;
            }
        }
    }
};

namespace {

// A session bus the service could be on. Without one, GLib would try to start a bus of its own.
bool hasSessionBus() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime && access((std::string(runtime) + "/bus").c_str(), F_OK) == 0;
}

std::string sendThroughLibnotify(const std::string& summary, const std::string& body) {
    // On the worker: libnotify's set-up talks to the bus too.
    if (!notify_is_initted() && !notify_init("Zento")) return "libnotify could not start";
    NotifyNotification* notification = notify_notification_new(summary.c_str(), body.c_str(), "zento");
    GError* error = nullptr;
    const bool shown = notify_notification_show(notification, &error);
    std::string reason;
    if (!shown) reason = error ? error->message : "the notification service refused it";
    if (error) g_error_free(error);
    g_object_unref(G_OBJECT(notification));
    return reason;
}

}  // namespace

DesktopNotifier& DesktopNotifier::shared() {
    static DesktopNotifier notifier(hasSessionBus() ? Sender(sendThroughLibnotify) : Sender(),
                                    "no session bus");
    return notifier;
}

DesktopNotifier::DesktopNotifier(Sender sender, std::string unavailableReason)
    : state_(std::make_shared<State>()) {
    state_->sender = std::move(sender);
    if (!state_->sender) {
        state_->available = false;
        logInfo("desktop notifications off: %s", unavailableReason.c_str());
        return;
    }
    // The worker keeps the state alive: a send stuck in the service cannot outlive what it uses.
    std::shared_ptr<State> state = state_;
    state_->worker = std::thread([state] { state->run(); });
}

DesktopNotifier::~DesktopNotifier() {
    if (!state_->worker.joinable()) return;
    bool busy = false;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stopping = true;
        busy = state_->busy;
    }
    state_->wake.notify_all();
    // A send waiting on a slow service must not hold up the exit.
    if (busy)
        state_->worker.detach();
    else
        state_->worker.join();
}

bool DesktopNotifier::post(const std::string& summary, const std::string& body) {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (!state_->available || state_->queue.size() >= MAX_QUEUED) return false;
        state_->queue.emplace_back(summary, body);
    }
    state_->wake.notify_one();
    return true;
}

bool DesktopNotifier::isAvailable() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->available;
}
