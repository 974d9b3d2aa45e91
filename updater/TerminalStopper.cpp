#include "TerminalStopper.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include "ProcessFinder.h"
#include "UpdaterLog.h"

bool TerminalStopper::begin(pid_t pid) {
    pid_ = pid;
    ticks_ = 0;
    ticksSinceKill_ = 0;
    killSent_ = false;
    done_ = false;
    if (kill(pid_, SIGTERM) != 0) {
        UpdaterLog::warn("cannot end the terminal (pid %d): %s", pid_, strerror(errno));
        done_ = true;
        return false;
    }
    UpdaterLog::info("asked the terminal (pid %d) to end", pid_);
    return true;
}

void TerminalStopper::tick() {
    if (done_) return;
    ++ticks_;
    if (!ProcessFinder::isRunning(pid_)) {
        UpdaterLog::info("the terminal (pid %d) has ended", pid_);
        done_ = true;
        return;
    }
    if (!killSent_) {
        if (ticks_ < GRACE_TICKS) return;
        UpdaterLog::warn("the terminal (pid %d) ignored SIGTERM; sending SIGKILL", pid_);
        kill(pid_, SIGKILL);
        killSent_ = true;
        return;
    }
    if (++ticksSinceKill_ >= KILL_WAIT_TICKS) {
        UpdaterLog::error("the terminal (pid %d) is still running; updating anyway", pid_);
        done_ = true;
    }
}
