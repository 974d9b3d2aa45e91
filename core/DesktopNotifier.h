#pragma once

#include <functional>
#include <memory>
#include <string>

// Desktop notifications (the freedesktop notification service, through libnotify), sent from a
// worker thread of their own so that a slow or missing service never holds up the caller. Without a
// session bus, or after the first failed send, notifications are off for the rest of the run, with
// one log line saying why; the program goes on without them. Posting is for any thread.
class DesktopNotifier {
public:
    // Shows one notification; a text error means it failed (and switches notifications off).
    using Sender = std::function<std::string(const std::string& summary, const std::string& body)>;
    static constexpr size_t MAX_QUEUED = 16;

    // The shared notifier on libnotify.
    static DesktopNotifier& shared();

    // A notifier sending through sender (tests); an empty sender means no session bus.
    explicit DesktopNotifier(Sender sender, std::string unavailableReason = "");
    ~DesktopNotifier();
    DesktopNotifier(const DesktopNotifier&) = delete;
    DesktopNotifier& operator=(const DesktopNotifier&) = delete;

    // Queued for the worker; false when notifications are off or MAX_QUEUED are already waiting.
    bool post(const std::string& summary, const std::string& body);
    bool isAvailable() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};
