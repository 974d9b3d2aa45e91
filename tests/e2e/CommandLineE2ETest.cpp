// The terminal's command line: what it prints and how it ends, without a display.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChildProcess.h"
#include "TempHome.h"
#include "TextFiles.h"

namespace {

struct Outcome {
    std::string status, output, errors;
};

Outcome runProgram(const TempHome& folder, const std::vector<std::string>& arguments) {
    ProcessLaunch launch;
    launch.argv = {ZENTO_PROGRAM};
    launch.argv.insert(launch.argv.end(), arguments.begin(), arguments.end());
    // No display and a data folder of its own: nothing may need either.
    launch.environment = {"ZENTO_HOME=" + folder.path()};
    launch.outputPath = folder.path() + "/out";
    launch.errorPath = folder.path() + "/err";
    const std::string status = describeStatus(runToEnd(launch, Seconds(60)));
    return {status, readText(launch.outputPath), readText(launch.errorPath)};
}

TEST(TerminalCommandLine, HelpAndVersionPrintAndEndWithoutAWindowBadOptionsGetTheUsage) {
    TempHome folder("zento-cli-e2e", TempHome::Use::FOLDER);

    const Outcome help = runProgram(folder, {"--help"});
    EXPECT_EQ(help.status, "exit 0") << help.errors;
    EXPECT_EQ(help.output.rfind("usage: Zento", 0), 0u) << help.output;
    EXPECT_NE(help.output.find("--version"), std::string::npos) << help.output;

    const Outcome version = runProgram(folder, {"--version"});
    EXPECT_EQ(version.status, "exit 0") << version.errors;
    // The local version number, the one the update check compares with the server's.
    EXPECT_EQ(version.output, "Zento 245\n");

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--frobnicate"}, {"--after", "x"}}) {
        const Outcome refused = runProgram(folder, bad);
        EXPECT_EQ(refused.status, "exit 2") << bad[0];
        EXPECT_NE(refused.errors.find("usage: Zento"), std::string::npos) << refused.errors;
    }
    // Neither run started the terminal: no log in the data folder.
    EXPECT_TRUE(readText(folder.path() + "/DebugInfo.txt").empty());
}

}  // namespace
