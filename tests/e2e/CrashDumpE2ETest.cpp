// The real terminal killed by SIGSEGV: it leaves a dump and shows its message box; the next start
// uploads that dump to the feed and deletes it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "ScreenCapture.h"
#include "TerminalFixture.h"
#include "TextFiles.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* HANDLER_READY = "crash handler installed";
constexpr const char* BOX_TITLE = "^Zento$";
// The message box's default background.
constexpr Rgb BOX_BACKGROUND{56, 54, 53};
constexpr int BOX_MIN_PIXELS = 2000;

int boxPixels(const std::string& path) {
    std::string error;
    std::optional<Screenshot> shot = Screenshot::load(path, error);
    if (!shot) return -1;
    return shot->count({0, 0, shot->width(), shot->height()}, [](Rgb p) {
        return p.r == BOX_BACKGROUND.r && p.g == BOX_BACKGROUND.g && p.b == BOX_BACKGROUND.b;
    });
}

std::string onlyDump(const std::string& folder) {
    std::string found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() != ".dmp") continue;
        if (!found.empty()) return "(more than one)";
        found = entry.path().filename().string();
    }
    return found;
}

class CrashDumpEndToEnd : public TerminalFixture {
protected:
    CrashDumpEndToEnd() : TerminalFixture("zento-e2e-crash") {}
};
}  // namespace

TEST_F(CrashDumpEndToEnd, ASegfaultLeavesADumpAndABoxAndTheNextStartUploadsIt) {
    TerminalRun& crashing = addRun();
    ASSERT_TRUE(crashing.start(WAIT)) << crashing.error();
    ASSERT_TRUE(crashing.waitForLog(HANDLER_READY, 1, WAIT)) << lastLines(crashing.log(), 20);
    const std::string before = crashing.folder() + "/before.png";
    ASSERT_TRUE(captureScreen(crashing.display(), before));
    const int pixelsBefore = boxPixels(before);

    ASSERT_TRUE(crashing.signal(SIGSEGV));
    std::string name;
    ASSERT_TRUE(waitUntil(
        [&] {
            name = onlyDump(home());
            return !name.empty();
        },
        WAIT));
    ASSERT_NE(name, "(more than one)");

    // The box: a window of its own, drawn in its colours over the terminal.
    const std::string shot = crashing.folder() + "/message-box.png";
    ProcessLaunch findBox;
    findBox.argv = {"/usr/bin/xdotool", "search", "--name", BOX_TITLE};
    findBox.environment = {"DISPLAY=" + crashing.display()};
    findBox.outputPath = crashing.folder() + "/box-window.txt";
    EXPECT_TRUE(waitUntil(
        [&] {
            return runToEnd(findBox, Seconds(10)) == 0 && captureScreen(crashing.display(), shot) &&
                   boxPixels(shot) > pixelsBefore + BOX_MIN_PIXELS;
        },
        Seconds(8), Seconds(0.3)))
        << "no message box in " << shot << ": " << crashing.output();

    // The box ends by itself; then the process dies by the signal it got.
    const std::optional<int> status = crashing.waitForExit(WAIT);
    ASSERT_TRUE(status && WIFSIGNALED(*status)) << describeStatus(status);
    EXPECT_EQ(WTERMSIG(*status), SIGSEGV);
    EXPECT_NE(crashing.output().find("非常抱歉"), std::string::npos);
    crashing.stop(Seconds(10));

    const std::string dump = readText(home() + "/" + name);
    ASSERT_EQ(dump.rfind("Zento crash dump\n", 0), 0u);

    TerminalRun& next = addRun();
    ASSERT_TRUE(next.start(WAIT)) << next.error();
    const std::string uploaded = folder_.path() + "/feed-data/uploads/" + name;
    ASSERT_TRUE(waitUntil([&] { return fs::exists(uploaded) && !fs::exists(home() + "/" + name); }, WAIT))
        << lastLines(next.log(), 20);
    EXPECT_EQ(readText(uploaded), dump);
    EXPECT_NE(next.log().find("send log:" + std::to_string(dump.size()) + "=>" + home() + "/" + name),
              std::string::npos);
    closeTerminal(next);
}
