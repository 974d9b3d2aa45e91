#include "TerminalFixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

std::string lastLines(const std::string& text, int count) {
    size_t at = text.size();
    while (count-- > 0 && at > 0) {
        at = text.rfind('\n', at - 1);
        if (at == std::string::npos) return text;
    }
    return text.substr(at);
}

std::string lastLineWith(const std::string& log, const std::string& part) {
    const size_t found = log.rfind(part);
    if (found == std::string::npos) return {};
    const size_t newline = log.rfind('\n', found);
    const size_t begin = newline == std::string::npos ? 0 : newline + 1;
    const size_t end = log.find('\n', found);
    return log.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

std::vector<std::string> linesWith(const std::string& log, const std::string& part) {
    std::vector<std::string> lines;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line))
        if (line.find(part) != std::string::npos) lines.push_back(line);
    return lines;
}

TerminalFixture::TerminalFixture(const std::string& folderPrefix)
    : folder_(folderPrefix, TempHome::Use::FOLDER) {}

void TerminalFixture::SetUp() {
    if (std::string(ZENTO_NODE).empty()) GTEST_SKIP() << "Node.js is missing: the local feed cannot run";
    std::filesystem::create_directories(home());
    feed_ = std::make_unique<FeedProcess>(folder_.path(), 0, 0);
    ASSERT_TRUE(feed_->start(WAIT)) << feed_->error();
    program_ = std::make_unique<ProgramFolder>(folder_.path());
    ASSERT_TRUE(program_->prepare(feed_->httpPort(), feed_->newsPort())) << program_->error();
}

void TerminalFixture::TearDown() {
    // Terminal runs end first, while the feed they talk to still answers.
    runs_.clear();
    if (feed_) feed_->stop(Seconds(30));
    if (HasFailure() || std::getenv("ZENTO_E2E_KEEP")) {
        folder_.keep();
        std::cout << "run folder kept: " << folder_.path() << "\n";
    }
}

TerminalRun& TerminalFixture::addRun() {
    const std::string folder = folder_.path() + "/run-" + std::to_string(runs_.size() + 1);
    runs_.push_back(std::make_unique<TerminalRun>(program_->programPath(), home(), folder));
    return *runs_.back();
}

void TerminalFixture::closeTerminal(TerminalRun& run) {
    const std::optional<int> status = run.stop(WAIT);
    EXPECT_EQ(describeStatus(status), "exit 0") << lastLines(run.log(), 20) << run.output();
    // What was redrawn in part must equal a whole redraw, pixel for pixel, in every frame of the run.
    const std::string check = lastLineWith(run.console(), "damage check:");
    unsigned compared = 0, differed = 0;
    ASSERT_EQ(std::sscanf(check.c_str(),
                          "CCGLRenderer: damage check: %u frames compared with a whole redraw, %u differed",
                          &compared, &differed),
              2)
        << "no damage check in the output\n"
        << run.output();
    EXPECT_GT(compared, 0u);
    EXPECT_EQ(differed, 0u) << linesWith(run.console(), "partial redraw differs").size() << " lines like\n"
                            << lastLineWith(run.console(), "partial redraw differs");
}
