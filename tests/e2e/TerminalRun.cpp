#include "TerminalRun.h"
#include "TextFiles.h"

#include <signal.h>

#include <filesystem>
#include <regex>
#include <thread>
#include <utility>

namespace fs = std::filesystem;

namespace {
constexpr const char* LOG_FILE_NAME = "DebugInfo.txt";

int countOccurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}
}  // namespace

TerminalRun::TerminalRun(std::string programPath, std::string home, std::string folder)
    : programPath_(std::move(programPath)), home_(std::move(home)), folder_(std::move(folder)) {}

TerminalRun::~TerminalRun() {
    // The program first, while its display still exists.
    program_.reset();
    server_.reset();
}

std::string TerminalRun::console() const {
    return readText(folder_ + "/terminal.out");
}

std::string TerminalRun::output() const {
    return readText(folder_ + "/terminal.out") + readText(folder_ + "/terminal.err") +
           readText(folder_ + "/xvfb.err");
}

std::string TerminalRun::log() const {
    return readText(home_ + "/" + LOG_FILE_NAME);
}

bool TerminalRun::running() {
    return program_ && program_->running();
}

bool TerminalRun::startServer(Seconds timeout) {
    // The server picks a free display itself and writes its number to standard output when it is
    // ready for clients: no race with runs in parallel.
    ProcessLaunch launch;
    launch.argv = {XVFB, "-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"};
    launch.outputPath = folder_ + "/xvfb.out";
    launch.errorPath = folder_ + "/xvfb.err";
    server_ = std::make_unique<ChildProcess>(launch);
    if (!server_->started()) {
        error_ = "cannot start Xvfb: " + server_->error();
        return false;
    }
    static const std::regex number(R"(^(\d+)\n)");
    std::smatch match;
    std::string text;
    waitUntil(
        [&] {
            text = readText(launch.outputPath);
            return std::regex_search(text, match, number) || !server_->running();
        },
        timeout);
    if (!std::regex_search(text, match, number)) {
        error_ = "Xvfb did not get ready (" + describeStatus(server_->exitStatus()) +
                 "): " + readText(launch.errorPath);
        return false;
    }
    display_ = ":" + match[1].str();
    return true;
}

bool TerminalRun::start(Seconds timeout) {
    std::error_code error;
    fs::create_directories(folder_ + "/shots", error);
    if (error) {
        error_ = "cannot create " + folder_ + "/shots: " + error.message();
        return false;
    }
    // The program truncates its log when it starts; a log from an earlier run must not count as this
    // run's (stop() keeps a copy of each run's log in its folder).
    fs::remove(home_ + "/" + LOG_FILE_NAME, error);
    if (!startServer(timeout)) return false;
    ProcessLaunch launch;
    launch.argv = {programPath_, "--screenshot-on-signal", folder_ + "/shots"};
    // Every drawn frame's partial redraw is also compared with a whole redraw; closeTerminal reads the count.
    // HOME too: pictures and anything else a desktop program keeps under it stay in the run's folder.
    launch.environment = {"DISPLAY=" + display_, "ZENTO_HOME=" + home_,   "HOME=" + home_,
                          "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy", "ZENTO_VERIFY_DAMAGE=1"};
    launch.outputPath = folder_ + "/terminal.out";
    launch.errorPath = folder_ + "/terminal.err";
    program_ = std::make_unique<ChildProcess>(launch);
    if (!program_->started()) {
        error_ = "cannot start the terminal: " + program_->error();
        return false;
    }
    // The program installs its screenshot signal before it writes its log: once the log exists, a
    // signal can no longer kill it.
    waitUntil([&] { return fs::exists(home_ + "/" + LOG_FILE_NAME) || !program_->running(); }, timeout);
    if (!program_->running() || !fs::exists(home_ + "/" + LOG_FILE_NAME)) {
        error_ = "the terminal did not come up (" + describeStatus(program_->exitStatus()) + "): " + output();
        return false;
    }
    return true;
}

bool TerminalRun::waitForLog(const std::string& text, int count, Seconds timeout) {
    waitUntil([&] { return countOccurrences(log(), text) >= count || !running(); }, timeout, Seconds(0.2));
    return countOccurrences(log(), text) >= count;
}

std::optional<Screenshot> TerminalRun::screenshot(Seconds timeout) {
    if (!running()) {
        error_ = "no screenshot: the terminal has ended (" +
                 describeStatus(program_ ? program_->exitStatus() : std::nullopt) + ")";
        return std::nullopt;
    }
    ++shots_;
    const std::string path = folder_ + "/shots/shot-" + std::to_string(shots_) + ".png";
    program_->signal(SIGUSR1);
    if (!waitUntil([&] { return fs::exists(path) || !running(); }, timeout, Seconds(0.05)) ||
        !fs::exists(path)) {
        error_ = "no screenshot " + path + " within the timeout";
        return std::nullopt;
    }
    return Screenshot::load(path, error_);
}

std::optional<Screenshot> TerminalRun::screenshotWhen(const std::function<bool(const Screenshot&)>& test,
                                                      Seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::optional<Screenshot> last;
    while (true) {
        std::optional<Screenshot> shot = screenshot(Seconds(30));
        if (!shot) return last;
        // Only the shot that answers is kept on disk.
        std::error_code error;
        if (last) fs::remove(last->path(), error);
        last = std::move(shot);
        if (test(*last)) return last;
        if (std::chrono::steady_clock::now() >= deadline) {
            error_ = "no screenshot met the condition in time; the last is " + last->path();
            return last;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
}

bool TerminalRun::signal(int number) {
    return program_ && program_->signal(number);
}

std::optional<int> TerminalRun::waitForExit(Seconds timeout) {
    return program_ ? program_->waitForExit(timeout) : std::nullopt;
}

std::optional<int> TerminalRun::stop(Seconds timeout) {
    if (!program_) return std::nullopt;
    program_->signal(SIGTERM);
    const std::optional<int> status = program_->waitForExit(timeout);
    program_->stop(Seconds(10));
    if (server_) server_->stop(Seconds(10));
    std::error_code error;
    fs::copy_file(home_ + "/" + LOG_FILE_NAME, folder_ + "/" + LOG_FILE_NAME,
                  fs::copy_options::overwrite_existing, error);
    return status;
}
