// The real terminal offered an update whose archive was changed on the server: it refuses the
// download three times, says so and never starts the updater or touches its program folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "PointerInput.h"
#include "TerminalFixture.h"
#include "TextFiles.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* DOWNLOAD_STARTED = "download size:";
constexpr const char* GAVE_UP = "update archive damaged 3 times: giving up";
// The dialog is 500 x 300 around the window's centre, its "update" button at three quarters of its
// width, 40 px above its bottom edge.
constexpr int UPDATE_BUTTON_RIGHT_OF_CENTRE = 125;
constexpr int UPDATE_BUTTON_BELOW_CENTRE = 110;

std::string sha256Of(const std::string& path) {
    std::string digest;
    if (FILE* pipe = popen(("sha256sum '" + path + "'").c_str(), "r")) {
        char hex[65] = {};
        if (std::fscanf(pipe, "%64s", hex) == 1) digest = hex;
        pclose(pipe);
    }
    return digest;
}

// Every entry below folder (symbolic links not followed) with its size and change time.
std::map<std::string, std::string> snapshot(const std::string& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        entries[entry.path().string()] = std::to_string(info.st_size) + " " + std::to_string(info.st_mode) +
                                         " " + std::to_string(info.st_mtim.tv_sec) + "." +
                                         std::to_string(info.st_mtim.tv_nsec);
    }
    return entries;
}

class UpdateEndToEnd : public TerminalFixture {
protected:
    UpdateEndToEnd() : TerminalFixture("zento-e2e-update") {}
};
}  // namespace

TEST_F(UpdateEndToEnd, TamperedArchiveIsRefusedAndTheProgramFolderStaysAsItWas) {
    const std::string xdotool = PointerInput::findTool();
    if (xdotool.empty()) GTEST_SKIP() << "xdotool is missing: the dialog cannot be clicked";
    const std::string served = folder_.path() + "/feed-data/update/";
    fs::create_directories(served);
    std::string archive;
    for (int i = 0; i < 30000; ++i) archive += std::to_string(i * 7919 % 10007) + ",";
    ASSERT_TRUE(writeTextAtomically(served + "update.zip", archive));
    const std::string digest = sha256Of(served + "update.zip");
    ASSERT_EQ(digest.size(), 64u);
    archive[archive.size() / 2] ^= 1;
    ASSERT_TRUE(writeTextAtomically(served + "update.zip", archive));
    ASSERT_TRUE(writeTextAtomically(served + "ver.json", R"({"ver":246,"sha256":")" + digest + "\"}"));
    // An updater that leaves a mark when it runs.
    const std::string programFolder = fs::path(program_->programPath()).parent_path().string();
    const std::string marker = folder_.path() + "/updater-ran";
    ASSERT_TRUE(writeTextAtomically(programFolder + "/Brevanix", "#!/bin/sh\ntouch '" + marker + "'\n"));
    fs::permissions(programFolder + "/Brevanix", fs::perms(0755));
    const std::map<std::string, std::string> before = snapshot(programFolder);

    TerminalRun& run = addRun();
    ASSERT_TRUE(run.start(WAIT)) << run.error();
    ASSERT_TRUE(run.waitForLog("server ver:246", 1, WAIT)) << lastLines(run.log(), 20);
    PointerInput pointer(xdotool, run.display(), run.folder());
    PointerInput::Geometry window{};
    ASSERT_TRUE(pointer.findWindow("Zento", WAIT.count()) && pointer.geometry(window)) << pointer.error();
    const PointerInput::Pixel update{window.width / 2 + UPDATE_BUTTON_RIGHT_OF_CENTRE,
                                     window.height / 2 + UPDATE_BUTTON_BELOW_CENTRE};
    // The dialog pops up with a short scaling: click until the download has begun.
    ASSERT_TRUE(waitUntil(
        [&] { return pointer.click(update) && run.waitForLog(DOWNLOAD_STARTED, 1, Seconds(2)); }, WAIT))
        << pointer.error() << lastLines(run.log(), 20);
    ASSERT_TRUE(run.waitForLog(GAVE_UP, 1, WAIT)) << lastLines(run.log(), 30);
    std::optional<Screenshot> shot = run.screenshot(WAIT);
    ASSERT_TRUE(shot) << run.error();
    // No fourth try in well over the 3 s after which it would come.
    EXPECT_FALSE(run.waitForLog("update archive SHA-256", 4, Seconds(5))) << lastLines(run.log(), 30);

    closeTerminal(run);
    EXPECT_FALSE(fs::exists(marker)) << "the updater ran";
    EXPECT_FALSE(fs::exists(home() + "/update.zip"));
    EXPECT_FALSE(fs::exists(home() + "/update.zip.part"));
    EXPECT_EQ(snapshot(programFolder), before);
}
