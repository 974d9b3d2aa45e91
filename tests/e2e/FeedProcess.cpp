#include "FeedProcess.h"
#include "TextFiles.h"

#include <csignal>
#include <regex>
#include <utility>

namespace {
// Wednesday 2024-05-15 13:30 UTC, in the busy London and New York hours: every run's charts show the
// same market, whatever the day and hour of the run.
constexpr long long MARKET_START_SECONDS = 1715779800;
}  // namespace

FeedProcess::FeedProcess(std::string folder, int httpPort, int newsPort)
    : folder_(std::move(folder)), httpPort_(httpPort), newsPort_(newsPort) {}

std::string FeedProcess::output() const {
    const std::string base = folder_ + "/feed-" + std::to_string(starts_);
    return readText(base + ".out") + readText(base + ".err");
}

bool FeedProcess::start(Seconds timeout) {
    error_.clear();
    ++starts_;
    const std::string base = folder_ + "/feed-" + std::to_string(starts_);
    // A feed started again carries on where the market would be by now, as a real one does.
    if (starts_ == 1) firstStart_ = std::chrono::steady_clock::now();
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - firstStart_);
    ProcessLaunch launch;
    launch.argv = {ZENTO_NODE,     ZENTO_FEED_SERVER,
                   "--host",       "127.0.0.1",
                   "--port",       std::to_string(httpPort_),
                   "--news-port",  std::to_string(newsPort_),
                   "--data",       folder_ + "/feed-data",
                   "--start-time", std::to_string(MARKET_START_SECONDS + elapsed.count())};
    launch.argv.insert(launch.argv.end(), extraArguments_.begin(), extraArguments_.end());
    launch.outputPath = base + ".out";
    launch.errorPath = base + ".err";
    process_ = std::make_unique<ChildProcess>(launch);
    if (!process_->started()) {
        error_ = "cannot start the feed: " + process_->error();
        return false;
    }
    static const std::regex listening(R"(feed: listening http=127\.0\.0\.1:(\d+) news=127\.0\.0\.1:(\d+))");
    std::smatch match;
    std::string text;
    const bool heard = waitUntil(
        [&] {
            text = readText(base + ".out");
            return std::regex_search(text, match, listening) || !process_->running();
        },
        timeout);
    if (!heard || !std::regex_search(text, match, listening)) {
        error_ =
            "the feed did not start listening (" + describeStatus(process_->exitStatus()) + "): " + output();
        process_->stop(Seconds(10));
        return false;
    }
    httpPort_ = std::stoi(match[1].str());
    newsPort_ = std::stoi(match[2].str());
    return true;
}

bool FeedProcess::stop(Seconds timeout) {
    if (!process_ || !process_->running()) return false;
    process_->signal(SIGTERM);
    const std::optional<int> status = process_->waitForExit(timeout);
    if (!status) process_->stop(Seconds(5));
    return status && describeStatus(status) == "exit 0";
}
