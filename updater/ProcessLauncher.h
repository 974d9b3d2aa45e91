#pragma once

#include <sys/types.h>

#include <string>

// Starts a program detached: in a session of its own, with default signal handling, the caller's
// environment and working folder, and no arguments beyond its own path. The caller never waits for it
// (a caller that lives on may reap it with waitpid).
class ProcessLauncher {
public:
    // The new process id, or -1 with a reason in *error when the program could not be started.
    static pid_t startDetached(const std::string& program, std::string* error = nullptr);
};
