#include "ProcessLauncher.h"

#include <spawn.h>

#include <csignal>
#include <cstring>

extern char** environ;

pid_t ProcessLauncher::startDetached(const std::string& program, std::string* error) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal != SIGKILL && signal != SIGSTOP) sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::string path = program;
    char* const arguments[] = {path.data(), nullptr};
    pid_t pid = -1;
    const int result = posix_spawn(&pid, path.c_str(), nullptr, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        if (error != nullptr) *error = strerror(result);
        return -1;
    }
    return pid;
}
