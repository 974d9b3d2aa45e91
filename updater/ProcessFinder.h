#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Finds running processes by executable name through /proc. A process matches when its command name
// or the file name of its executable equals the wanted name, compared without regard to letter case.
// Processes are walked in ascending pid order; zombies and the calling process never match.
class ProcessFinder {
public:
    // Narrows a search, for callers (tests, a single installation) that must not touch other processes.
    struct Filter {
        std::string directory;    // non-empty: only executables in this folder
        std::vector<pid_t> pids;  // non-empty: only these processes
    };

    static std::optional<pid_t> findFirst(std::string_view name, const Filter& filter = {});
    // The path of the process's executable; empty when it cannot be read.
    static std::string executableOf(pid_t pid);
    // True while the process exists and has not yet exited (a zombie counts as ended).
    static bool isRunning(pid_t pid);
};
