#include "CDebugModule.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "TempHome.h"
#include "TestSupport.h"

namespace {
const std::string LINE_PREFIX = R"(^\[\d{2}/\d{2} - \d{2}:\d{2}:\d{2}\.\d{1,6}\] : )";
const std::string HEADER_RULE(48, '-');

std::string escapeForRegex(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\-])");
    return std::regex_replace(text, special, R"(\$&)");
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

class CDebugModuleTest : public testing::Test {
protected:
    void SetUp() override {
        previousPath_ = log()->getLogFilePath();
        logPath_ = home_.folder() + "DebugInfo.txt";
        log()->setLogFilePath(logPath_);
    }
    void TearDown() override {
        log()->setConsoleOutput(true);
        log()->setInfoEnabled(true);
        log()->setWarnEnabled(true);
        log()->setErrorEnabled(true);
        log()->setLogFilePath(previousPath_);
    }

    static CDebugModule* log() { return CDebugModule::getInstance(); }
    std::string logFile() const { return readWholeFile(logPath_).value_or("<missing>"); }

    TempHome home_;
    std::string logPath_;
    std::string previousPath_;
};
}  // namespace

TEST_F(CDebugModuleTest, EachLevelGetsItsTagAndTheLineFormat) {
    ConsoleCapture console;
    const std::vector<std::pair<int, std::string>> levels = {
        {LOG_LEVEL_INFO, "| -INFO- | "},
        {LOG_LEVEL_WARN, "| +WARN+ | "},
        {LOG_LEVEL_ERROR, "| =ERROR=| "},
        {LOG_LEVEL_MODULE, "|*MODULE*| "},
        {3, ""},
        {0, ""},
        {16, ""},
    };
    for (const auto& [level, tag] : levels) {
        if (!tag.empty()) {
            EXPECT_EQ(tag.size(), 11u);
        }
        log()->log(level, "parse stock count:%d", 42);
    }
    std::vector<std::string> lines = console.lines();
    ASSERT_EQ(lines.size(), levels.size());
    for (size_t k = 0; k < levels.size(); ++k) {
        std::regex expected(LINE_PREFIX + escapeForRegex(levels[k].second) + "parse stock count:42$");
        EXPECT_TRUE(std::regex_match(lines[k], expected)) << lines[k];
    }
}

TEST_F(CDebugModuleTest, DateAndTimeFieldsAreTwoDigitsAndLocal) {
    ConsoleCapture console;
    std::time_t before = std::time(nullptr);
    log()->log(LOG_LEVEL_INFO, "clock");
    std::time_t after = std::time(nullptr);
    ASSERT_EQ(console.lines().size(), 1u);
    const std::string line = console.lines()[0];

    auto stamp = [](std::time_t t) {
        std::tm local{};
        localtime_r(&t, &local);
        char text[32];
        std::snprintf(text, sizeof(text), "[%02d/%02d - %02d:%02d:%02d.", local.tm_mon + 1, local.tm_mday,
                      local.tm_hour, local.tm_min, local.tm_sec);
        return std::string(text);
    };
    EXPECT_TRUE(line.rfind(stamp(before), 0) == 0 || line.rfind(stamp(after), 0) == 0) << line;
}

TEST_F(CDebugModuleTest, PercentSignsInArgumentsReachTheConsoleUnchanged) {
    ConsoleCapture console;
    log()->log(LOG_LEVEL_INFO, "%s", "rise 100% %d %s %n");
    ASSERT_EQ(console.lines().size(), 1u);
    const std::string line = console.lines()[0];
    const std::string expectedEnd = "| -INFO- | rise 100% %d %s %n";
    ASSERT_GE(line.size(), expectedEnd.size());
    EXPECT_EQ(line.substr(line.size() - expectedEnd.size()), expectedEnd);
}

TEST_F(CDebugModuleTest, OverlongMessageIsCutToTheBuffer) {
    ConsoleCapture console;
    const std::string huge(100000, 'x');
    log()->log(LOG_LEVEL_ERROR, "%s|%s", huge.c_str(), huge.c_str());
    ASSERT_EQ(console.lines().size(), 1u);
    const std::string line = console.lines()[0];
    EXPECT_EQ(line.size(), static_cast<size_t>(CDebugModule::LOG_BUFFER_SIZE - 1));
    EXPECT_TRUE(std::regex_search(line, std::regex(LINE_PREFIX + R"(\| =ERROR=\| xxxx)")));
    EXPECT_EQ(line.find('|', 40), std::string::npos);

    // The module keeps working after a cut line.
    log()->log(LOG_LEVEL_INFO, "after");
    ASSERT_EQ(console.lines().size(), 2u);
    EXPECT_NE(console.lines()[1].find("| -INFO- | after"), std::string::npos);
}

TEST_F(CDebugModuleTest, SecondRunLeavesOnlyItsOwnHeader) {
    log()->createLogFile();
    log()->log(LOG_LEVEL_INFO, "first run line");
    ASSERT_NE(logFile().find("first run line"), std::string::npos);

    log()->createLogFile();
    const std::vector<std::string> lines = splitLines(logFile());
    ASSERT_EQ(lines.size(), 5u) << logFile();
    EXPECT_EQ(lines[0], HEADER_RULE);
    EXPECT_EQ(lines[1], std::string("Zento(V0.62) [ ") + getPlatformTag() + " ] Debug Log");
    EXPECT_EQ(lines[2], "");
    // ctime form: "Sun Dec  6 18:41:17 2026"
    EXPECT_TRUE(std::regex_match(lines[3],
                                 std::regex(R"( Generated in :\w{3} \w{3} [ \d]\d \d{2}:\d{2}:\d{2} \d{4})")))
        << lines[3];
    EXPECT_EQ(lines[4], HEADER_RULE);
    EXPECT_EQ(logFile().find("first run line"), std::string::npos);
}

TEST_F(CDebugModuleTest, LinesAreAppendedAfterTheHeader) {
    ConsoleCapture console;
    log()->log(LOG_LEVEL_INFO, "before the header");
    log()->createLogFile();
    log()->log(LOG_LEVEL_INFO, "load setting finished...");
    log()->log(LOG_LEVEL_ERROR, "retry after:%d", 3);

    const std::vector<std::string> lines = splitLines(logFile());
    ASSERT_EQ(lines.size(), 7u) << logFile();
    EXPECT_EQ(lines[4], HEADER_RULE);
    ASSERT_EQ(console.lines().size(), 3u);
    EXPECT_EQ(lines[5], console.lines()[1]);
    EXPECT_EQ(lines[6], console.lines()[2]);
    EXPECT_EQ(logFile().back(), '\n');
    EXPECT_EQ(logFile().find("before the header"), std::string::npos);
}

TEST_F(CDebugModuleTest, SwitchedOffLevelsWriteNothing) {
    ConsoleCapture console;
    log()->createLogFile();
    const std::string header = logFile();

    EXPECT_FALSE(log()->setInfoEnabled(false));
    EXPECT_FALSE(log()->setWarnEnabled(false));
    EXPECT_FALSE(log()->setErrorEnabled(false));
    EXPECT_FALSE(log()->isInfoEnabled());
    log()->log(LOG_LEVEL_INFO, "info");
    log()->log(LOG_LEVEL_WARN, "warn");
    log()->log(LOG_LEVEL_ERROR, "error");
    EXPECT_TRUE(console.lines().empty());
    EXPECT_EQ(logFile(), header);

    // Levels without a switch still write.
    log()->log(LOG_LEVEL_MODULE, "module");
    log()->log(3, "mixed");
    EXPECT_EQ(console.lines().size(), 2u);

    // Each switch acts on its own level only.
    EXPECT_TRUE(log()->setWarnEnabled(true));
    log()->log(LOG_LEVEL_INFO, "info again");
    log()->log(LOG_LEVEL_WARN, "warn again");
    ASSERT_EQ(console.lines().size(), 3u);
    EXPECT_NE(console.lines()[2].find("| +WARN+ | warn again"), std::string::npos);
    EXPECT_EQ(splitLines(logFile()).size(), 5u + 3u);
}

TEST_F(CDebugModuleTest, ConsoleSwitchOffStillAppendsToTheFile) {
    ConsoleCapture console;
    log()->createLogFile();
    EXPECT_FALSE(log()->setConsoleOutput(false));
    log()->log(LOG_LEVEL_INFO, "file only");
    EXPECT_TRUE(console.lines().empty());
    EXPECT_NE(logFile().find("| -INFO- | file only\n"), std::string::npos);
}

TEST_F(CDebugModuleTest, UnwritableLogFileKeepsTheConsoleGoing) {
    ConsoleCapture console;
    log()->setLogFilePath(home_.folder() + "missing/folder/DebugInfo.txt");
    log()->createLogFile();
    log()->log(LOG_LEVEL_INFO, "still here");
    EXPECT_EQ(console.lines().size(), 1u);
    EXPECT_FALSE(readWholeFile(home_.folder() + "missing/folder/DebugInfo.txt").has_value());
}

TEST(CDebugModule, PlatformTagIsChosenAtBuildTime) {
#if defined(__linux__)
    EXPECT_STREQ(getPlatformTag(), "zento_linux");
#else
    EXPECT_STREQ(getPlatformTag(), "zento_unknow");
#endif
}

// Also run under ThreadSanitizer (label "threads").
TEST(CDebugModule, LinesFromWorkerThreadsStayWhole) {
    TempHome home;
    CDebugModule* log = CDebugModule::getInstance();
    const std::string previousPath = log->getLogFilePath();
    log->setLogFilePath(home.folder() + "DebugInfo.txt");
    log->createLogFile();
    constexpr int THREADS = 4;
    constexpr int LINES = 250;
    {
        ConsoleCapture console;
        std::vector<std::thread> workers;
        for (int t = 0; t < THREADS; ++t) {
            workers.emplace_back([log, t] {
                for (int n = 0; n < LINES; ++n)
                    log->log(LOG_LEVEL_INFO, "worker %d line %d %s", t, n, "payload");
            });
        }
        for (std::thread& worker : workers) worker.join();
        EXPECT_EQ(console.lines().size(), static_cast<size_t>(THREADS * LINES));
    }
    const std::vector<std::string> lines =
        splitLines(readWholeFile(home.folder() + "DebugInfo.txt").value_or(""));
    log->setLogFilePath(previousPath);
    ASSERT_EQ(lines.size(), 5u + THREADS * LINES);
    const std::regex whole(LINE_PREFIX + R"(\| -INFO- \| worker \d line \d+ payload$)");
    std::vector<int> nextLine(THREADS, 0);
    for (size_t k = 5; k < lines.size(); ++k) {
        ASSERT_TRUE(std::regex_match(lines[k], whole)) << lines[k];
        int worker = 0;
        int number = 0;
        ASSERT_EQ(
            std::sscanf(lines[k].c_str() + lines[k].find("worker"), "worker %d line %d", &worker, &number),
            2);
        // Each worker's lines keep their order.
        EXPECT_EQ(number, nextLine[worker]++);
    }
}
