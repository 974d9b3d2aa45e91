#include "PeerProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;
}

PeerProcess::~PeerProcess() {
    stop();
}

bool PeerProcess::start(const std::string& script, const std::vector<std::string>& args, double seconds) {
    stop();
    error_.clear();
    lines_.clear();
    pending_.clear();
    port_ = 0;
    const std::string peers = ZENTO_NET_PEERS_DIR;
    if (access((peers + "/node_modules").c_str(), F_OK) != 0) {
        error_ = "the peers are not installed: run npm ci in " + peers + " (scripts/setup.sh does)";
        return false;
    }
    int input[2];
    int output[2];
    if (pipe2(input, O_CLOEXEC) != 0) return false;
    if (pipe2(output, O_CLOEXEC) != 0) {
        close(input[0]);
        close(input[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, peers.c_str());
    std::vector<std::string> argv = {"node", peers + "/" + script};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& arg : argv) raw.push_back(arg.data());
    raw.push_back(nullptr);
    const int rc = posix_spawnp(&pid_, "node", &actions, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    stdinFd_ = input[1];
    stdoutFd_ = output[0];
    fcntl(stdoutFd_, F_SETFL, fcntl(stdoutFd_, F_GETFL) | O_NONBLOCK);
    if (rc != 0) {
        pid_ = -1;
        error_ = "cannot start node";
        stop();
        return false;
    }
    if (!waitForLine("PORT ", seconds)) {
        error_ = "the peer " + script + " printed no port in time";
        stop();
        return false;
    }
    for (const auto& line : lines_) {
        if (line.rfind("PORT ", 0) == 0) port_ = std::atoi(line.c_str() + 5);
    }
    return port_ > 0;
}

void PeerProcess::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    if (stdinFd_ >= 0) close(stdinFd_);
    if (stdoutFd_ >= 0) close(stdoutFd_);
    stdinFd_ = -1;
    stdoutFd_ = -1;
}

void PeerProcess::readAvailable() {
    if (stdoutFd_ < 0) return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(stdoutFd_, buffer, sizeof buffer);
        if (n <= 0) break;
        pending_.append(buffer, static_cast<size_t>(n));
    }
    size_t newline;
    while ((newline = pending_.find('\n')) != std::string::npos) {
        lines_.push_back(pending_.substr(0, newline));
        pending_.erase(0, newline + 1);
    }
}

const std::vector<std::string>& PeerProcess::lines() {
    readAvailable();
    return lines_;
}

bool PeerProcess::hasLine(const std::string& prefix) {
    readAvailable();
    for (const auto& line : lines_) {
        if (line.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

bool PeerProcess::waitForLine(const std::string& prefix, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (!hasLine(prefix)) {
        if (Clock::now() > deadline || stdoutFd_ < 0) return false;
        pollfd fd{stdoutFd_, POLLIN, 0};
        poll(&fd, 1, 20);
    }
    return true;
}
