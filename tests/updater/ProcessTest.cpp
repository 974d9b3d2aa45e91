#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "ProcessFinder.h"
#include "ProcessLauncher.h"
#include "TerminalStopper.h"
#include "UpdateSession.h"
#include "UpdaterLog.h"
#include "UpdaterTestSupport.h"

using namespace updater_test;
using Phase = UpdateSession::Phase;

// Every process these tests look for or end is one they started: searches are narrowed to their pids or
// to their temporary folder.

TEST(ProcessFinder, FindsARunningTerminalByNameWithoutRegardToCase) {
    TempFolder folder;
    const fs::path program = folder.path() / "zENTO";
    copySleep(program);
    ChildProcess terminal(program, {"30"});
    const ProcessFinder::Filter byPid{{}, {terminal.pid()}};
    const ProcessFinder::Filter byFolder{folder.path().string(), {}};

    ASSERT_TRUE(terminal.waitUntilRunning());
    EXPECT_EQ(ProcessFinder::findFirst("Zento", byPid), terminal.pid());
    EXPECT_EQ(ProcessFinder::findFirst("zento", byFolder), terminal.pid());
    EXPECT_EQ(ProcessFinder::findFirst("Zento", {(folder.path() / "elsewhere").string(), {}}), std::nullopt);
    EXPECT_EQ(ProcessFinder::findFirst("Zent", byPid), std::nullopt);
    EXPECT_EQ(ProcessFinder::findFirst("Brevanix", byPid), std::nullopt);
    EXPECT_TRUE(ProcessFinder::isRunning(terminal.pid()));

    // Once it has exited it no longer counts, even while it waits to be reaped.
    kill(terminal.pid(), SIGKILL);
    ASSERT_TRUE(terminal.waitUntilExited());
    EXPECT_FALSE(ProcessFinder::isRunning(terminal.pid()));
    EXPECT_EQ(ProcessFinder::findFirst("Zento", byPid), std::nullopt);
}

TEST(TerminalStopper, TerminalIgnoringTermIsKilledAfterTheGracePeriod) {
    TempFolder folder;
    const fs::path program = folder.path() / "Zento";
    copySleep(program);
    ChildProcess stubborn(program, {"30"}, true);
    ASSERT_TRUE(stubborn.waitUntilRunning());

    TerminalStopper stopper;
    ASSERT_TRUE(stopper.begin(stubborn.pid()));
    for (int i = 1; i < TerminalStopper::GRACE_TICKS; ++i) stopper.tick();
    EXPECT_FALSE(stopper.killed());
    EXPECT_FALSE(stopper.done());
    EXPECT_TRUE(ProcessFinder::isRunning(stubborn.pid()));

    stopper.tick();
    EXPECT_TRUE(stopper.killed());
    ASSERT_TRUE(stubborn.waitUntilExited());
    stopper.tick();
    EXPECT_TRUE(stopper.done());
    const std::optional<int> status = stubborn.reap();
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFSIGNALED(*status));
    EXPECT_EQ(WTERMSIG(*status), SIGKILL);

    // A process that is gone cannot be signalled: the stopper is done at once.
    EXPECT_FALSE(stopper.begin(stubborn.pid()));
    EXPECT_TRUE(stopper.done());
}

TEST(ProcessLauncher, MissingProgramIsReportedNotStarted) {
    TempFolder folder;
    std::string reason;
    EXPECT_EQ(ProcessLauncher::startDetached((folder.path() / "Zento").string(), &reason), -1);
    EXPECT_FALSE(reason.empty());
}

class TerminalHandOverTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(UpdaterLog::setLogFile((root_.path() / "log.txt").string())); }
    void TearDown() override { UpdaterLog::closeLogFile(); }

    std::unique_ptr<UpdateSession> startSession(const fs::path& folder, ProcessFinder::Filter filter) {
        UpdateSession::Settings settings;
        settings.archivePath = (root_.path() / "update.zip").string();
        settings.programFolder = folder.string();
        settings.terminalFilter = std::move(filter);
        auto session = std::make_unique<UpdateSession>(settings);
        session->start();
        return session;
    }

    TempFolder root_;
};

TEST_F(TerminalHandOverTest, RunningTerminalIsEndedReplacedAndTheNewOneStarted) {
    const fs::path install = root_.path() / "install";
    const fs::path source = root_.path() / "source";
    const fs::path marker = root_.path() / "started";
    copySleep(install / "Zento");
    writeMarkerScript(source / "Zento", marker);
    writeFile(source / "res/data.txt", "data");
    zipIn(source, root_.path() / "update.zip", "-r .");
    ChildProcess oldTerminal(install / "Zento", {"30"});
    ASSERT_TRUE(oldTerminal.waitUntilRunning());

    auto session = startSession(install, {install.string(), {}});
    EXPECT_EQ(session->phase(), Phase::ENDING_TERMINAL);
    EXPECT_EQ(session->endedTerminal(), oldTerminal.pid());
    // The real process needs real time to act on SIGTERM.
    ASSERT_TRUE(oldTerminal.waitUntilExited());
    session->tick();
    EXPECT_EQ(session->phase(), Phase::EXTRACTING);

    ASSERT_TRUE(tickUntil(*session, Phase::FINISHED, 10));
    EXPECT_EQ(readFile(install / "Zento"), readFile(source / "Zento"));
    EXPECT_EQ(permissions(install / "Zento"), 0755u);
    EXPECT_EQ(readFile(install / "res/data.txt"), "data");

    ASSERT_TRUE(tickUntil(*session, Phase::DONE, UpdateSession::COMPLETION_TICKS));
    const pid_t started = session->startedTerminal();
    ASSERT_GT(started, 0);
    ASSERT_TRUE(waitForFile(marker));
    EXPECT_EQ(readFile(marker), std::to_string(started) + " " + std::to_string(started) + "\n");
    int status = 0;
    EXPECT_EQ(waitpid(started, &status, 0), started);

    const std::optional<int> oldStatus = oldTerminal.reap();
    ASSERT_TRUE(oldStatus.has_value());
    EXPECT_TRUE(WIFSIGNALED(*oldStatus));
    EXPECT_EQ(WTERMSIG(*oldStatus), SIGTERM);
}

TEST_F(TerminalHandOverTest, WithTwoTerminalsRunningOnlyTheFirstFoundIsEnded) {
    const fs::path install = root_.path() / "install";
    copySleep(install / "Zento");
    writeFile(root_.path() / "source/a.txt", "a");
    zipIn(root_.path() / "source", root_.path() / "update.zip", "a.txt");
    ChildProcess one(install / "Zento", {"30"});
    ChildProcess two(install / "Zento", {"30"});
    for (const ChildProcess* terminal : {&one, &two}) {
        ASSERT_TRUE(terminal->waitUntilRunning());
    }
    const pid_t first = std::min(one.pid(), two.pid());
    ChildProcess& ended = one.pid() == first ? one : two;
    ChildProcess& spared = one.pid() == first ? two : one;

    auto session = startSession(install, {{}, {one.pid(), two.pid()}});
    EXPECT_EQ(session->endedTerminal(), first);
    ASSERT_TRUE(ended.waitUntilExited());
    ASSERT_TRUE(tickUntil(*session, Phase::FINISHED, 10));
    EXPECT_EQ(readFile(install / "a.txt"), "a");
    EXPECT_TRUE(ProcessFinder::isRunning(spared.pid()));
    EXPECT_FALSE(ProcessFinder::isRunning(ended.pid()));
}

TEST_F(TerminalHandOverTest, TheTerminalOfTheUpdatersOwnFolderIsEndedBeforeAnyOther) {
    const fs::path first = root_.path() / "first";
    const fs::path second = root_.path() / "second";
    copySleep(first / "Zento");
    copySleep(second / "Zento");
    writeFile(root_.path() / "source/a.txt", "a");
    zipIn(root_.path() / "source", root_.path() / "update.zip", "a.txt");
    ChildProcess inFirst(first / "Zento", {"30"});
    ChildProcess inSecond(second / "Zento", {"30"});
    ASSERT_TRUE(inFirst.waitUntilRunning());
    ASSERT_TRUE(inSecond.waitUntilRunning());
    // The updater's own terminal is the one found last in a walk of the process list.
    const bool firstIsOwn = inFirst.pid() > inSecond.pid();
    ChildProcess& own = firstIsOwn ? inFirst : inSecond;
    ChildProcess& other = firstIsOwn ? inSecond : inFirst;
    const fs::path otherFolder = firstIsOwn ? second : first;
    const ProcessFinder::Filter both{{}, {own.pid(), other.pid()}};

    auto session = startSession(firstIsOwn ? first : second, both);
    EXPECT_EQ(session->endedTerminal(), own.pid());
    ASSERT_TRUE(own.waitUntilExited());
    ASSERT_TRUE(tickUntil(*session, Phase::FINISHED, 10));
    EXPECT_TRUE(ProcessFinder::isRunning(other.pid()));

    // With none in its own folder, the updater ends another installation's terminal and says which.
    const fs::path empty = root_.path() / "empty";
    session = startSession(empty, both);
    EXPECT_EQ(session->endedTerminal(), other.pid());
    ASSERT_TRUE(other.waitUntilExited());
    EXPECT_NE(
        readFile(root_.path() / "log.txt")
            .find("no terminal runs from " + empty.string() + "/; ending the one of " +
                  fs::canonical(otherFolder / "Zento").string() + " (pid " + std::to_string(other.pid())),
        std::string::npos);
}
