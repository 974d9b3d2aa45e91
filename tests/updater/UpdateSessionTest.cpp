#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "ArchiveReader.h"
#include "UpdateSession.h"
#include "UpdaterLog.h"
#include "UpdaterTestSupport.h"

using namespace updater_test;
using Phase = UpdateSession::Phase;

namespace {

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

}  // namespace

class UpdateSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = root_.path() / "source";
        install_ = root_.path() / "install";
        archive_ = root_.path() / "update.zip";
        fs::create_directories(source_);
        fs::create_directories(install_);
        ASSERT_TRUE(UpdaterLog::setLogFile((root_.path() / "log.txt").string()));
    }

    void TearDown() override { UpdaterLog::closeLogFile(); }

    // Sessions here may only ever end a terminal running from their own temporary folder: none does.
    std::unique_ptr<UpdateSession> startSession(const std::string& archive, const fs::path& folder) {
        UpdateSession::Settings settings;
        settings.archivePath = archive;
        settings.programFolder = folder.string();
        settings.terminalFilter.directory = folder.string();
        auto session = std::make_unique<UpdateSession>(settings);
        session->start();
        return session;
    }
    std::unique_ptr<UpdateSession> startSession() { return startSession(archive_.string(), install_); }

    std::string log() const { return readFile(root_.path() / "log.txt"); }

    TempFolder root_;
    fs::path source_;
    fs::path install_;
    fs::path archive_;
};

TEST_F(UpdateSessionTest, EmptyArchiveCompletesOnTheFirstTickAndStartsTheTerminal120TicksLater) {
    writeFile(source_ / "a", "a");
    zipIn(source_, archive_, "a");
    ASSERT_EQ(shell("zip -q -d " + shellQuoted(archive_) + " a"), 0);
    const fs::path marker = root_.path() / "started";
    writeMarkerScript(install_ / "Zento", marker);

    auto session = startSession();
    EXPECT_EQ(session->phase(), Phase::EXTRACTING);
    EXPECT_EQ(session->entryCount(), 0u);
    EXPECT_EQ(session->progressPercent(), 0);
    EXPECT_FALSE(session->completionShown());

    session->tick();
    EXPECT_EQ(session->phase(), Phase::FINISHED);
    EXPECT_EQ(session->progressPercent(), 100);
    EXPECT_TRUE(session->completionShown());

    for (int i = 1; i < UpdateSession::COMPLETION_TICKS; ++i) session->tick();
    EXPECT_EQ(session->phase(), Phase::FINISHED);
    EXPECT_EQ(session->startedTerminal(), -1);
    EXPECT_FALSE(fs::exists(marker));

    session->tick();
    EXPECT_TRUE(session->quitRequested());
    const pid_t started = session->startedTerminal();
    ASSERT_GT(started, 0);
    ASSERT_TRUE(waitForFile(marker));
    // The terminal runs in a session of its own: its session id is its pid.
    EXPECT_EQ(readFile(marker), std::to_string(started) + " " + std::to_string(started) + "\n");
    int status = 0;
    EXPECT_EQ(waitpid(started, &status, 0), started);
    EXPECT_EQ(folderContents(install_), std::vector<std::string>{"Zento"});
}

TEST_F(UpdateSessionTest, EntriesAreExtractedOnePerTickWhileTheBarFollows) {
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) writeFile(source_ / name, name);
    zipIn(source_, archive_, "a.txt b.txt c.txt d.txt");

    auto session = startSession();
    ASSERT_EQ(session->entryCount(), 4u);
    const int expectedPercent[] = {0, 25, 50, 100};
    const std::vector<std::string> all{"a.txt", "b.txt", "c.txt", "d.txt"};
    for (size_t tick = 0; tick < 4; ++tick) {
        session->tick();
        EXPECT_EQ(session->progressPercent(), expectedPercent[tick]) << "tick " << tick;
        EXPECT_EQ(folderContents(install_), std::vector<std::string>(all.begin(), all.begin() + tick + 1));
        EXPECT_EQ(session->completionShown(), tick == 3);
    }
    EXPECT_EQ(readFile(install_ / "c.txt"), "c.txt");
    EXPECT_EQ(session->writtenCount(), 4);
    // A session without a terminal to start still asks to quit after the wait.
    ASSERT_TRUE(tickUntil(*session, Phase::DONE, UpdateSession::COMPLETION_TICKS));
    EXPECT_EQ(session->startedTerminal(), -1);
    EXPECT_NE(log().find("cannot start"), std::string::npos);
}

TEST_F(UpdateSessionTest, NestedFoldersAreCreatedAndOldFilesReplaced) {
    writeFile(source_ / "res/fonts/MiYaHei.ttf", "new font");
    writeFile(source_ / "res/plist/deep/er/image.plist", "<plist/>");
    fs::create_directories(source_ / "res/empty");
    zipIn(source_, archive_, "-r .");
    // Read-only and in the way: replaced all the same, as the old installation's files are.
    writeFile(install_ / "res/fonts/MiYaHei.ttf", "old font", fs::perms(0444));

    auto session = startSession();
    ASSERT_TRUE(tickUntil(*session, Phase::FINISHED, 20));
    EXPECT_EQ(readFile(install_ / "res/fonts/MiYaHei.ttf"), "new font");
    EXPECT_EQ(readFile(install_ / "res/plist/deep/er/image.plist"), "<plist/>");
    EXPECT_TRUE(fs::is_directory(install_ / "res/empty"));
    EXPECT_EQ(session->writtenCount(), static_cast<int>(session->entryCount()));
    // No temporary file is left behind.
    for (const std::string& name : folderContents(install_))
        EXPECT_EQ(name.find(".brevanix-"), std::string::npos);
}

TEST_F(UpdateSessionTest, PermissionBitsAreKeptWithoutSetuid) {
    writeFile(source_ / "run.sh", "#!/bin/sh\n", fs::perms(0755));
    writeFile(source_ / "secret.cfg", "k=v", fs::perms(0640));
    writeFile(source_ / "tool", "elf", fs::perms(04755));
    writeFile(source_ / "plain.txt", "text", fs::perms(0644));
    zipIn(source_, archive_, "run.sh secret.cfg tool plain.txt");
    ASSERT_EQ(permissions(source_ / "tool"), 04755u);

    auto session = startSession();
    ASSERT_TRUE(tickUntil(*session, Phase::FINISHED, 10));
    EXPECT_EQ(permissions(install_ / "run.sh"), 0755u);
    EXPECT_EQ(permissions(install_ / "secret.cfg"), 0640u);
    EXPECT_EQ(permissions(install_ / "tool"), 0755u);
    EXPECT_EQ(permissions(install_ / "plain.txt"), 0644u);
}

TEST_F(UpdateSessionTest, EntriesWithoutStoredModesKeepTheModeOfTheFileTheyReplace) {
    for (const char* name : {"Zento", "Brevanix", "tool.sh", "notes.txt", "res/new.txt"})
        writeFile(source_ / name, std::string("new ") + name);
    zipWithoutModes(source_, archive_, {"Zento", "tool.sh", "notes.txt", "Brevanix", "res/new.txt"});
    ArchiveReader reader;
    ASSERT_TRUE(reader.open(archive_.string()));
    ASSERT_EQ(reader.entryInfo(0)->mode, std::nullopt);
    writeFile(install_ / "Zento", "old", fs::perms(0755));
    writeFile(install_ / "tool.sh", "old", fs::perms(0750));
    writeFile(install_ / "notes.txt", "old", fs::perms(0600));

    auto session = startSession();
    ASSERT_TRUE(tickUntil(*session, Phase::FINISHED, 10));
    EXPECT_EQ(readFile(install_ / "Zento"), "new Zento");
    EXPECT_EQ(permissions(install_ / "Zento"), 0755u);
    EXPECT_EQ(permissions(install_ / "tool.sh"), 0750u);
    EXPECT_EQ(permissions(install_ / "notes.txt"), 0600u);
    // New files: the programs are executable, everything else is not.
    EXPECT_EQ(permissions(install_ / "Brevanix"), 0755u);
    EXPECT_EQ(permissions(install_ / "res/new.txt"), 0644u);
}

TEST_F(UpdateSessionTest, StoredTimesAreSetOnTheFiles) {
    constexpr time_t EXTENDED = 981173107;  // an odd second: only the extended timestamp can carry it
    constexpr time_t DOS = 981173106;       // DOS times count in steps of two seconds
    writeFile(source_ / "ut.txt", "ut");
    writeFile(source_ / "dos.txt", "dos");
    ASSERT_EQ(shell("touch -d @" + std::to_string(EXTENDED) + " " + shellQuoted(source_ / "ut.txt")), 0);
    ASSERT_EQ(shell("touch -d @" + std::to_string(DOS) + " " + shellQuoted(source_ / "dos.txt")), 0);
    zipIn(source_, archive_, "ut.txt");
    zipIn(source_, archive_, "-X dos.txt");  // no extra fields: the DOS time alone

    auto session = startSession();
    ASSERT_TRUE(tickUntil(*session, Phase::FINISHED, 10));
    EXPECT_EQ(modifiedTime(install_ / "ut.txt"), EXTENDED);
    EXPECT_EQ(modifiedTime(install_ / "dos.txt"), DOS);
}

TEST_F(UpdateSessionTest, UnwritableTargetIsRetriedEveryTickUntilItBecomesWritable) {
    writeFile(source_ / "first.txt", "1");
    writeFile(source_ / "blocked/inner.txt", "2");
    writeFile(source_ / "last.txt", "3");
    zipIn(source_, archive_, "-D first.txt blocked/inner.txt last.txt");
    // A file where the entry's folder must go keeps the entry from being written.
    writeFile(install_ / "blocked", "in the way");
    // The same name does exist relative to the current folder: that must not count as written.
    const fs::path elsewhere = root_.path() / "elsewhere";
    writeFile(elsewhere / "blocked/inner.txt", "decoy");
    const fs::path previousFolder = fs::current_path();
    fs::current_path(elsewhere);

    auto session = startSession();
    session->tick();
    EXPECT_TRUE(fs::exists(install_ / "first.txt"));
    for (int i = 0; i < 10; ++i) session->tick();
    fs::current_path(previousFolder);
    EXPECT_EQ(session->phase(), Phase::EXTRACTING);
    EXPECT_EQ(session->progressPercent(), 0);
    EXPECT_FALSE(fs::exists(install_ / "last.txt"));
    EXPECT_EQ(occurrences(log(), "trying again"), 1u);

    fs::remove(install_ / "blocked");
    session->tick();
    EXPECT_EQ(readFile(install_ / "blocked/inner.txt"), "2");
    EXPECT_EQ(session->progressPercent(), 33);
    session->tick();
    EXPECT_EQ(session->phase(), Phase::FINISHED);
    EXPECT_EQ(readFile(install_ / "last.txt"), "3");
    EXPECT_EQ(session->skippedCount(), 0);
    EXPECT_EQ(session->writtenCount(), 3);
}

TEST_F(UpdateSessionTest, RetriesEndWhenTheirBudgetIsSpentSoTheTerminalAlwaysRestarts) {
    writeFile(source_ / "blocked/inner.txt", "1");
    writeFile(source_ / "blocked/other.txt", "2");
    writeFile(source_ / "last.txt", "3");
    zipIn(source_, archive_, "-D blocked/inner.txt blocked/other.txt last.txt");
    writeFile(install_ / "blocked", "in the way for good");

    auto session = startSession();
    int ticks = 0;
    while (session->phase() == Phase::EXTRACTING && ticks < UpdateSession::RETRY_BUDGET_TICKS + 100) {
        session->tick();
        ++ticks;
    }
    EXPECT_EQ(session->phase(), Phase::FINISHED);
    // The whole budget went to the first entry; the second, failing too, is skipped at once.
    EXPECT_EQ(ticks, UpdateSession::RETRY_BUDGET_TICKS + 3);
    EXPECT_EQ(session->skippedCount(), 2);
    EXPECT_EQ(readFile(install_ / "last.txt"), "3");
    EXPECT_EQ(occurrences(log(), "giving up on entry"), 2u);
    ASSERT_TRUE(tickUntil(*session, Phase::DONE, UpdateSession::COMPLETION_TICKS));
}

TEST_F(UpdateSessionTest, FailedEntryWhoseFileExistsIsLeftAndTheNextOneTaken) {
    writeFile(source_ / "taken", "new");
    writeFile(source_ / "next.txt", "next");
    zipIn(source_, archive_, "taken next.txt");
    writeFile(install_ / "taken/keep.txt", "a folder stands where the file should go");

    auto session = startSession();
    session->tick();
    EXPECT_EQ(session->progressPercent(), 0);
    EXPECT_EQ(session->skippedCount(), 1);
    EXPECT_NE(log().find("the old file stays"), std::string::npos);
    session->tick();
    EXPECT_EQ(session->phase(), Phase::FINISHED);
    EXPECT_EQ(readFile(install_ / "taken/keep.txt"), "a folder stands where the file should go");
    EXPECT_EQ(readFile(install_ / "next.txt"), "next");
}

TEST_F(UpdateSessionTest, EntriesLeavingTheDestinationAreRefusedWhileTheOthersExtract) {
    const fs::path inner = source_ / "inner";
    writeFile(source_ / "escape.txt", "climbs out");
    writeFile(inner / "good.txt", "good");
    writeFile(inner / "abs.txt", "absolute");
    writeFile(inner / "bs.txt", "backslashes");
    zipIn(inner, archive_, "../escape.txt good.txt abs.txt bs.txt");
    const fs::path outside = root_.path() / "outside" / "abs.txt";
    renameEntry(archive_, "abs.txt", outside.string());
    renameEntry(archive_, "bs.txt", "sub\\..\\..\\bs.txt");

    auto session = startSession();
    ASSERT_EQ(session->entryCount(), 4u);
    ASSERT_TRUE(tickUntil(*session, Phase::FINISHED, 10));
    EXPECT_EQ(readFile(install_ / "good.txt"), "good");
    EXPECT_EQ(folderContents(install_), std::vector<std::string>{"good.txt"});
    EXPECT_FALSE(fs::exists(root_.path() / "escape.txt"));
    EXPECT_FALSE(fs::exists(outside.parent_path()));
    EXPECT_FALSE(fs::exists(root_.path() / "bs.txt"));
    EXPECT_EQ(session->refusedCount(), 3);
    EXPECT_EQ(session->writtenCount(), 1);
    EXPECT_NE(log().find("refused entry \"../escape.txt\""), std::string::npos);
    EXPECT_NE(log().find("refused entry \"" + outside.string() + "\""), std::string::npos);
}

TEST_F(UpdateSessionTest, DamagedOrMissingArchivesCompleteWithoutWritingAndStartTheTerminal) {
    writeFile(source_ / "payload.txt", std::string(200, 'p'));
    writeFile(source_ / "other.txt", "OTHER-CONTENT");
    zipIn(source_, archive_, "-0 payload.txt other.txt");
    const std::string good = readFile(archive_);

    const fs::path garbage = root_.path() / "garbage.zip";
    writeFile(garbage, std::string(4096, 'G'));
    const fs::path truncated = root_.path() / "truncated.zip";
    writeFile(truncated, good.substr(0, good.size() / 2));
    // Stored, not compressed: the entry's bytes lie in the archive as they are, and one is changed.
    const fs::path damaged = root_.path() / "damaged.zip";
    std::string bytes = good;
    const size_t payload = bytes.find(std::string(200, 'p'));
    ASSERT_NE(payload, std::string::npos);
    bytes[payload + 100] = 'q';
    const size_t other = bytes.find("OTHER-CONTENT");
    ASSERT_NE(other, std::string::npos);
    bytes[other] = 'X';
    writeFile(damaged, bytes);

    const std::string cases[] = {garbage.string(), truncated.string(), damaged.string(),
                                 (root_.path() / "missing.zip").string(), ""};
    int index = 0;
    for (const std::string& archive : cases) {
        SCOPED_TRACE("archive: \"" + archive + "\"");
        const fs::path folder = root_.path() / ("install" + std::to_string(index++));
        fs::create_directories(folder);
        auto session = startSession(archive, folder);
        ASSERT_TRUE(tickUntil(*session, Phase::DONE, UpdateSession::COMPLETION_TICKS + 10));
        EXPECT_EQ(session->writtenCount(), 0);
        EXPECT_EQ(folderContents(folder), std::vector<std::string>{});
    }
    EXPECT_EQ(occurrences(log(), "cannot open the archive"), 3u);
    EXPECT_EQ(occurrences(log(), "is damaged"), 2u);
    EXPECT_EQ(occurrences(log(), "no archive given"), 1u);
}
