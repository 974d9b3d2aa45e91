#pragma once

#include <sys/types.h>

// Ends one process politely, stepped by ticks: begin() sends SIGTERM; if the process still runs after
// GRACE_TICKS ticks it gets SIGKILL; if even that has not ended it KILL_WAIT_TICKS ticks later, the
// stopper gives up so that the caller can carry on. Main thread only.
class TerminalStopper {
public:
    static constexpr int GRACE_TICKS = 188;     // about 3 s at one tick per 16 ms
    static constexpr int KILL_WAIT_TICKS = 63;  // about 1 s

    // Returns false, with a log line, when the process cannot be signalled (it is then done at once).
    bool begin(pid_t pid);
    void tick();

    bool done() const { return done_; }
    bool killed() const { return killSent_; }

private:
    pid_t pid_ = -1;
    int ticks_ = 0;
    int ticksSinceKill_ = 0;
    bool killSent_ = false;
    bool done_ = true;
};
