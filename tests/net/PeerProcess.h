#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A Node.js test peer from tests/net/peers, run as a child process. start() waits (bounded) for its
// "PORT <n>" line; the destructor and stop() kill it and reap it, so a failing test never leaves
// one behind. The child also exits on its own when its stdin (a pipe from us) closes.
class PeerProcess {
public:
    PeerProcess() = default;
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    // Runs "node <peers dir>/<script> <args...>"; false (with the reason in error()) when it does not
    // print its port within the deadline.
    bool start(const std::string& script, const std::vector<std::string>& args = {}, double seconds = 20);
    void stop();
    bool isRunning() const { return pid_ > 0; }
    int port() const { return port_; }
    const std::string& error() const { return error_; }

    // Reads what the peer printed so far; true once a line starting with prefix has appeared.
    bool hasLine(const std::string& prefix);
    // Waits (bounded, without running frames) for such a line.
    bool waitForLine(const std::string& prefix, double seconds = 10);
    // Every complete line read so far.
    const std::vector<std::string>& lines();

private:
    void readAvailable();

    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int stdoutFd_ = -1;
    int port_ = 0;
    std::string pending_;
    std::vector<std::string> lines_;
    std::string error_;
};
