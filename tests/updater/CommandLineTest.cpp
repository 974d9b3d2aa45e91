#include <gtest/gtest.h>

#include <vector>

#include "CommandLine.h"

namespace {

CommandLine parse(std::vector<const char*> words, std::string* problem) {
    words.insert(words.begin(), "Brevanix");
    return CommandLine::parse(static_cast<int>(words.size()), words.data(), problem);
}

}  // namespace

TEST(CommandLine, WordsThatAreNotOptionsFormTheArchivePath) {
    std::string problem;
    EXPECT_EQ(parse({}, &problem).archivePath, "");
    EXPECT_EQ(parse({"/home/u/.local/share/zento/update.zip"}, &problem).archivePath,
              "/home/u/.local/share/zento/update.zip");
    // An unquoted path with blanks arrives as several words and is put back together.
    EXPECT_EQ(parse({"/home/u/My", "Zento/update.zip"}, &problem).archivePath, "/home/u/My Zento/update.zip");
    EXPECT_EQ(parse({"--", "--headless"}, &problem).archivePath, "--headless");
    EXPECT_TRUE(problem.empty());
}

TEST(CommandLine, OptionsAreReadBeforeAndBetweenPathWords) {
    std::string problem;
    const CommandLine line = parse({"--headless", "--screenshot", "/tmp/shot.png", "--after", "1.25",
                                    "--only-dir", "/opt/z", "/tmp/u.zip"},
                                   &problem);
    EXPECT_TRUE(problem.empty());
    EXPECT_TRUE(line.headless);
    EXPECT_EQ(line.screenshotPath, "/tmp/shot.png");
    EXPECT_DOUBLE_EQ(line.screenshotAfter, 1.25);
    EXPECT_EQ(line.onlyDirectory, "/opt/z");
    EXPECT_EQ(line.archivePath, "/tmp/u.zip");
}

TEST(CommandLine, BadOptionValuesAreReportedAndDroppedWhileThePathStays) {
    std::string problem;
    CommandLine line = parse({"--after", "soon", "/tmp/u.zip"}, &problem);
    EXPECT_NE(problem.find("--after"), std::string::npos);
    EXPECT_DOUBLE_EQ(line.screenshotAfter, CommandLine::DEFAULT_SCREENSHOT_AFTER);
    EXPECT_EQ(line.archivePath, "/tmp/u.zip");

    line = parse({"--after", "-3", "/tmp/u.zip"}, &problem);
    EXPECT_FALSE(problem.empty());
    EXPECT_DOUBLE_EQ(line.screenshotAfter, CommandLine::DEFAULT_SCREENSHOT_AFTER);

    line = parse({"/tmp/u.zip", "--screenshot"}, &problem);
    EXPECT_NE(problem.find("--screenshot"), std::string::npos);
    EXPECT_EQ(line.archivePath, "/tmp/u.zip");
    EXPECT_TRUE(line.screenshotPath.empty());
}
