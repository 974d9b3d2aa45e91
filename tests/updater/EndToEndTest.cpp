#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>

#include "UpdaterTestSupport.h"

using namespace updater_test;

namespace {

constexpr auto PROGRAM_LIMIT = std::chrono::seconds(60);

uint32_t bigEndian32(const std::string& bytes, size_t at) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

// The program installed in a folder of its own, as it ships beside the terminal.
fs::path installBrevanix(const fs::path& folder) {
    fs::create_directories(folder);
    const fs::path program = folder / "Brevanix";
    fs::copy_file(BREVANIX_PROGRAM, program);
    fs::permissions(program, fs::perms(0755));
    return program;
}

}  // namespace

// The real program, with the window on SDL's dummy video driver: it ends the old terminal, extracts the
// archive beside itself, refuses the entry that climbs out, saves a screenshot and starts the new terminal.
TEST(BrevanixProgram, UpdatesItsFolderAndRestartsTheTerminal) {
    TempFolder root;
    const fs::path install = root.path() / "install";
    const fs::path source = root.path() / "source";
    const fs::path archive = root.path() / "update.zip";
    const fs::path marker = root.path() / "started";
    const fs::path screenshot = root.path() / "shot.png";
    const fs::path brevanix = installBrevanix(install);
    copySleep(install / "Zento");
    writeMarkerScript(source / "Zento", marker);
    writeFile(source / "res/database/config.xc", "config");
    writeFile(source / "bin/helper", "#!/bin/sh\n", fs::perms(0755));
    writeFile(root.path() / "slip.txt", "old");
    zipIn(source, archive, "-r . ../slip.txt");

    ChildProcess oldTerminal(install / "Zento", {"30"});
    ASSERT_TRUE(oldTerminal.waitUntilRunning());
    ChildProcess updater(brevanix,
                         {"--only-dir", install.string(), "--screenshot", screenshot.string(), "--after",
                          "0.1", archive.string()},
                         false, {"SDL_VIDEODRIVER=dummy"});
    const std::optional<int> status = updater.reap(PROGRAM_LIMIT);
    ASSERT_TRUE(status.has_value()) << "Brevanix did not finish";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;

    const std::optional<int> oldStatus = oldTerminal.reap();
    ASSERT_TRUE(oldStatus.has_value()) << "the old terminal still runs";
    EXPECT_TRUE(WIFSIGNALED(*oldStatus) && WTERMSIG(*oldStatus) == SIGTERM);

    EXPECT_EQ(readFile(install / "Zento"), readFile(source / "Zento"));
    EXPECT_EQ(readFile(install / "res/database/config.xc"), "config");
    EXPECT_EQ(permissions(install / "bin/helper"), 0755u);
    EXPECT_EQ(readFile(root.path() / "slip.txt"), "old");
    EXPECT_FALSE(fs::exists(install / "slip.txt"));

    ASSERT_TRUE(waitForFile(marker)) << "the new terminal was not started";
    const std::string log = readFile(install / "Brevanix.log");
    EXPECT_NE(log.find("refused entry \"../slip.txt\""), std::string::npos) << log;
    EXPECT_NE(log.find("extraction finished"), std::string::npos) << log;
    EXPECT_NE(log.find("started " + (install / "Zento").string()), std::string::npos) << log;

    // A PNG of the dialog's size.
    const std::string png = readFile(screenshot);
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(bigEndian32(png, 16), 396u);
    EXPECT_EQ(bigEndian32(png, 20), 156u);
}

TEST(BrevanixProgram, WithoutAnArchiveItStillStartsTheTerminal) {
    TempFolder root;
    const fs::path install = root.path() / "install";
    const fs::path marker = root.path() / "started";
    const fs::path brevanix = installBrevanix(install);
    writeMarkerScript(install / "Zento", marker);

    ChildProcess updater(brevanix, {"--headless", "--only-dir", install.string()});
    const std::optional<int> status = updater.reap(PROGRAM_LIMIT);
    ASSERT_TRUE(status.has_value()) << "Brevanix did not finish";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;
    ASSERT_TRUE(waitForFile(marker)) << "the terminal was not started";
    EXPECT_NE(readFile(install / "Brevanix.log").find("no archive given"), std::string::npos);
}
