#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A started program that is always stopped, and polling with a real-time bound.

using Seconds = std::chrono::duration<double>;

// Polls test every pollInterval until it holds or timeout has passed; the last answer of test.
bool waitUntil(const std::function<bool()>& test, Seconds timeout, Seconds pollInterval = Seconds(0.1));

// How to start a program: the argument vector (argv[0] is an absolute path), its whole environment
// (nothing of this process's is inherited but the sanitizer switches, so a variable set around the
// test, such as SDL_VIDEODRIVER, cannot change the run), and files that take its output and errors.
struct ProcessLaunch {
    std::vector<std::string> argv;
    std::vector<std::string> environment;  // "NAME=value"
    std::string outputPath = "/dev/null";
    std::string errorPath = "/dev/null";
};

// A started program. It never outlives this object: the destructor stops it (SIGTERM, then SIGKILL)
// and reaps it. It also dies with the test process (SIGKILL on the parent's death).
class ChildProcess {
public:
    // Check started() afterwards; error() tells why it failed.
    explicit ChildProcess(const ProcessLaunch& launch);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    const std::string& error() const { return error_; }
    pid_t pid() const { return pid_; }
    // Reaps the process when it has ended.
    bool running();
    // The wait status once the process has ended (within timeout), else nothing.
    std::optional<int> waitForExit(Seconds timeout);
    std::optional<int> exitStatus() const { return status_; }
    bool signal(int number);
    // Sends SIGTERM and waits up to grace, then kills.
    void stop(Seconds grace);

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string error_;
};

// "exit 3", "signal 11": for failure messages.
std::string describeStatus(std::optional<int> status);
// Runs a program to its end (at most timeout) and returns its wait status; nothing when it did not
// start or end in time (it is killed then).
std::optional<int> runToEnd(const ProcessLaunch& launch, Seconds timeout);
