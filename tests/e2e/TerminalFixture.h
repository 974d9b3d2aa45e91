#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "FeedProcess.h"
#include "ProgramFolder.h"
#include "TempHome.h"
#include "TerminalRun.h"

// Generous: a sanitizer build runs several times slower.
constexpr Seconds WAIT = Seconds(90);

constexpr const char* CONNECT_SUCCESS = "stock socket  connect success!!!!!!!!!!!!!!!!!!!!!";
constexpr const char* KLINE_SUBSCRIPTION = "setKlineSubscription:";
constexpr const char* SETTINGS_FILE = "config.bin";

// The last count lines of a log, for failure messages.
std::string lastLines(const std::string& text, int count);
// The last log line that holds part, or an empty text.
std::string lastLineWith(const std::string& log, const std::string& part);
// Log lines that hold part, oldest first.
std::vector<std::string> linesWith(const std::string& log, const std::string& part);

// The terminal against its own local feed: one folder per test with the feed on free ports, a copy of
// the program folder whose configuration table points at that feed, the data folder (home()) and the
// terminal runs, numbered in their own subfolders. The folder is kept for a look when the test fails
// or ZENTO_E2E_KEEP is set.
class TerminalFixture : public ::testing::Test {
protected:
    explicit TerminalFixture(const std::string& folderPrefix);

    // Skipped without Node.js; fails when the feed or the program folder cannot be made.
    void SetUp() override;
    void TearDown() override;

    std::string home() const { return folder_.path() + "/home"; }
    // A terminal run (not started yet) on the data folder, in the next numbered subfolder.
    TerminalRun& addRun();
    // Closes the terminal as a window close does and expects a clean end.
    void closeTerminal(TerminalRun& run);

    TempHome folder_;
    std::unique_ptr<FeedProcess> feed_;
    std::unique_ptr<ProgramFolder> program_;
    std::vector<std::unique_ptr<TerminalRun>> runs_;
};
