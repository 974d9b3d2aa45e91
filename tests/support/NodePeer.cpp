#include "NodePeer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;
// Peers end at once on SIGTERM or on their stdin closing; this only bounds a stuck one.
constexpr auto STOP_GRACE = std::chrono::seconds(3);

bool reapWithin(pid_t pid, Clock::duration limit) {
    const auto deadline = Clock::now() + limit;
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
}  // namespace

NodePeer::~NodePeer() {
    stop();
}

bool NodePeer::start(const std::string& script, const std::vector<std::string>& args,
                     const std::string& portPrefix, double seconds) {
    stop();
    error_.clear();
    lines_.clear();
    pending_.clear();
    ports_.clear();
    const std::string folder = std::filesystem::path(script).parent_path().string();
    if (access((folder + "/package.json").c_str(), F_OK) == 0 &&
        access((folder + "/node_modules").c_str(), F_OK) != 0) {
        error_ = "the peers are not installed: run npm ci in " + folder + " (scripts/setup.sh does)";
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
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<std::string> argv = {"node", script};
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
    if (!waitForLine(portPrefix, seconds)) {
        error_ = "the peer " + script + " printed no port in time";
        stop();
        return false;
    }
    if (!readPorts(portPrefix)) {
        error_ = "the peer " + script + " named no port";
        stop();
        return false;
    }
    return true;
}

bool NodePeer::readPorts(const std::string& portPrefix) {
    for (const auto& line : lines_) {
        if (line.rfind(portPrefix, 0) != 0) continue;
        std::istringstream words(line.substr(portPrefix.size()));
        for (std::string word; words >> word;) {
            const size_t colon = word.rfind(':');
            const int port = std::atoi(word.c_str() + (colon == std::string::npos ? 0 : colon + 1));
            if (port > 0) ports_.push_back(port);
        }
        break;
    }
    return !ports_.empty();
}

void NodePeer::stop() {
    if (stdinFd_ >= 0) close(stdinFd_);
    stdinFd_ = -1;
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (!reapWithin(pid_, STOP_GRACE)) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }
    if (stdoutFd_ >= 0) close(stdoutFd_);
    stdoutFd_ = -1;
}

void NodePeer::readAvailable() {
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

const std::vector<std::string>& NodePeer::lines() {
    readAvailable();
    return lines_;
}

bool NodePeer::hasLine(const std::string& prefix) {
    readAvailable();
    for (const auto& line : lines_) {
        if (line.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

bool NodePeer::waitForLine(const std::string& prefix, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (!hasLine(prefix)) {
        if (Clock::now() > deadline || stdoutFd_ < 0) return false;
        pollfd fd{stdoutFd_, POLLIN, 0};
        poll(&fd, 1, 20);
    }
    return true;
}
