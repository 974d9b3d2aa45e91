#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A Node.js test peer run as a child process: "node <script> <args...>" in the script's folder, told
// to listen on port 0. start() waits (bounded) for the line in which it names the ports it got; the
// destructor and stop() end it and reap it, so a failing test never leaves one behind. The child's
// stdin is a pipe from us: a peer that exits when its stdin closes never outlives the test either.
class NodePeer {
public:
    NodePeer() = default;
    ~NodePeer();
    NodePeer(const NodePeer&) = delete;
    NodePeer& operator=(const NodePeer&) = delete;

    // portPrefix starts the line naming the ports; the words after it are ports, or "host:port" (the
    // digits after the last colon count). False, with the reason in error(), when no such line comes
    // within the deadline.
    bool start(const std::string& script, const std::vector<std::string>& args = {},
               const std::string& portPrefix = "PORT ", double seconds = 20);
    // Closes stdin, asks the peer to end (SIGTERM) and kills it when it does not within a grace period.
    void stop();
    bool isRunning() const { return pid_ > 0; }
    // The port named at position index of the port line; 0 when there is none.
    int port(size_t index = 0) const { return index < ports_.size() ? ports_[index] : 0; }
    const std::string& error() const { return error_; }

    // Reads what the peer printed so far; true once a line starting with prefix has appeared.
    bool hasLine(const std::string& prefix);
    // Waits (bounded, without running frames) for such a line.
    bool waitForLine(const std::string& prefix, double seconds = 10);
    // Every complete line read so far.
    const std::vector<std::string>& lines();

private:
    void readAvailable();
    bool readPorts(const std::string& portPrefix);

    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int stdoutFd_ = -1;
    std::vector<int> ports_;
    std::string pending_;
    std::vector<std::string> lines_;
    std::string error_;
};
