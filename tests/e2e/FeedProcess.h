#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"

// The local feed (node feed/server.js) on loopback, with its own data folder inside folder and a
// fixed market clock (the same bars in every run). Ports 0 take free ones. Output goes to
// folder/feed-<n>.out and .err, n counting the starts.
class FeedProcess {
public:
    FeedProcess(std::string folder, int httpPort, int newsPort);
    ~FeedProcess() = default;

    // Waits for the "listening" line; false with error() when the feed fails or does not get there.
    bool start(Seconds timeout);
    // Options added to the command line from the next start on (the feed's test options).
    void setExtraArguments(std::vector<std::string> arguments) { extraArguments_ = std::move(arguments); }
    // SIGTERM and wait for the exit; true when it stopped by itself with code 0.
    bool stop(Seconds timeout);
    bool running() const { return process_ && process_->running(); }

    int httpPort() const { return httpPort_; }
    int newsPort() const { return newsPort_; }
    const std::string& error() const { return error_; }
    // The output of the latest start, for failure messages.
    std::string output() const;

private:
    std::string folder_;
    int httpPort_;
    int newsPort_;
    int starts_ = 0;
    std::chrono::steady_clock::time_point firstStart_;
    std::vector<std::string> extraArguments_;
    std::unique_ptr<ChildProcess> process_;
    std::string error_;
};
