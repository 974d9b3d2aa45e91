// The real terminal offered an update: accepted, the archive comes (slowly), the real updater replaces
// the terminal with the new version, which then installs the updater that came with it. And an archive
// changed on the server: refused three times, no updater started, the program folder untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "PointerInput.h"
#include "ScreenCapture.h"
#include "ScreenMap.h"
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
// The updater's bar is 338 x 21 pixels; well over a third of it.
constexpr int MIN_UPDATER_BAR_PIXELS = 2500;

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

// Ends a process the run started indirectly (the updater, the terminal it starts) when the test ends
// early; only while it is still the program it was, never another that got its number.
class IndirectProcess {
public:
    explicit IndirectProcess(std::string program) : program_(std::move(program)) {}
    ~IndirectProcess() { end(); }
    void setPid(pid_t pid) { pid_ = pid; }
    pid_t pid() const { return pid_; }
    bool alive() const {
        if (pid_ <= 0) return false;
        std::error_code error;
        const fs::path exe = fs::read_symlink("/proc/" + std::to_string(pid_) + "/exe", error);
        return !error && exe.string().rfind(program_, 0) == 0;
    }
    bool end() {
        if (alive()) ::kill(pid_, SIGTERM);
        if (waitUntil([&] { return !alive(); }, Seconds(20))) return true;
        if (alive()) ::kill(pid_, SIGKILL);
        return false;
    }

private:
    std::string program_;
    pid_t pid_ = -1;
};

// The pid in the first "<prefix>N" of text, -1 when there is none.
pid_t pidAfter(const std::string& text, const std::string& prefix) {
    const size_t at = text.find(prefix);
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + prefix.size());
}

// The progress bar's row, 12 px below the dialog's centre: how many of its pixels are filled.
int barWidth(const Screenshot& shot) {
    const int y = shot.height() / 2 + 12;
    return shot.count({shot.width() / 2 - 250, y, shot.width() / 2 + 250, y + 1}, [](Rgb p) {
        return near(p, {46, 121, 234}, 24);
    });
}

// The updater's window, centred on the screen: the right half of its progress bar, track or fill, in
// exactly its colours (the terminal draws neither as a surface that large).
bool showsUpdater(const Screenshot& screen) {
    const PixelRect right{screen.width() / 2 + 20, screen.height() / 2 - 70, screen.width() / 2 + 190,
                          screen.height() / 2 + 70};
    const int bar = screen.count(right, [](Rgb p) {
        return near(p, {40, 46, 66}, 0) || near(p, {48, 131, 255}, 0);
    });
    return bar > MIN_UPDATER_BAR_PIXELS;
}

// The columns in which two screenshots differ inside rect; {-1, -1} when they do not.
std::pair<int, int> differingColumns(const Screenshot& a, const Screenshot& b, const PixelRect& rect) {
    std::pair<int, int> columns{-1, -1};
    for (int x = rect.left; x < rect.right; ++x) {
        for (int y = rect.top; y < rect.bottom; ++y) {
            if (near(a.at(x, y), b.at(x, y), 0)) continue;
            if (columns.first < 0) columns.first = x;
            columns.second = x;
            break;
        }
    }
    return columns;
}

class UpdateEndToEnd : public TerminalFixture {
protected:
    UpdateEndToEnd() : TerminalFixture("zento-e2e-update") {}

    // Starts the run, waits for the offer of version 246 and finds the window. Fails the test else.
    void startOffered(TerminalRun& run) {
        ASSERT_TRUE(run.start(WAIT)) << run.error();
        ASSERT_TRUE(run.waitForLog("server ver:246, local ver:245", 1, WAIT)) << lastLines(run.log(), 20);
        pointer_ = std::make_unique<PointerInput>(xdotool_, run.display(), run.folder());
        ASSERT_TRUE(pointer_->findWindow("Zento", WAIT.count()) && pointer_->geometry(window_))
            << pointer_->error();
    }
    // The dialog pops up with a short scaling: clicks "update" until the download has begun.
    void acceptOffer(TerminalRun& run) {
        const PointerInput::Pixel update{window_.width / 2 + UPDATE_BUTTON_RIGHT_OF_CENTRE,
                                         window_.height / 2 + UPDATE_BUTTON_BELOW_CENTRE};
        ASSERT_TRUE(waitUntil(
            [&] { return pointer_->click(update) && run.waitForLog(DOWNLOAD_STARTED, 1, Seconds(2)); }, WAIT))
            << pointer_->error() << lastLines(run.log(), 20);
    }

    const std::string xdotool_ = PointerInput::findTool();
    std::unique_ptr<PointerInput> pointer_;
    PointerInput::Geometry window_{};
};
}  // namespace

TEST_F(UpdateEndToEnd, TamperedArchiveIsRefusedAndTheProgramFolderStaysAsItWas) {
    if (xdotool_.empty()) GTEST_SKIP() << "xdotool is missing: the dialog cannot be clicked";
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
    ASSERT_NO_FATAL_FAILURE(startOffered(run));
    ASSERT_NO_FATAL_FAILURE(acceptOffer(run));
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

TEST_F(UpdateEndToEnd, AcceptedUpdateInstallsTheNewTerminalAndItsUpdater) {
    if (xdotool_.empty()) GTEST_SKIP() << "xdotool is missing: the dialog cannot be clicked";
    const std::string programFolder = fs::path(program_->programPath()).parent_path().string() + "/";
    // The real updater, a file of its own: it finds its folder through /proc/self/exe.
    fs::copy_file(ZENTO_UPDATER, programFolder + "Brevanix");
    // The archive: the terminal built as version 246, the next updater (still a program for this
    // computer, told apart by its tail) and a marker.
    const std::string work = folder_.path() + "/archive/";
    fs::create_directories(work);
    fs::copy_file(ZENTO_PROGRAM_246, work + "Zento");
    const std::string nextUpdater = readText(ZENTO_UPDATER) + "next";
    ASSERT_TRUE(writeTextAtomically(work + "Brevanix.x", nextUpdater));
    ASSERT_TRUE(writeTextAtomically(work + "marker.txt", "246"));
    const std::string served = folder_.path() + "/feed-data/update/";
    fs::create_directories(served);
    ASSERT_EQ(
        std::system(
            ("cd '" + work + "' && zip -q '" + served + "update.zip' Zento Brevanix.x marker.txt").c_str()),
        0);
    ASSERT_TRUE(writeTextAtomically(served + "ver.json", R"({"ver":246,"msg":["Version 246"]})"));
    // About ten seconds of download, so that the bar is seen part-way.
    const auto throttle = std::max<uintmax_t>(fs::file_size(served + "update.zip") / 10, 64 * 1024);
    ASSERT_TRUE(feed_->stop(WAIT));
    feed_->setExtraArguments({"--throttle-downloads", std::to_string(throttle)});
    ASSERT_TRUE(feed_->start(WAIT)) << feed_->error();

    TerminalRun& run = addRun();
    ASSERT_NO_FATAL_FAILURE(startOffered(run));
    // The dialog has popped up once its buttons answer; its picture first.
    ASSERT_TRUE(run.screenshotWhen([](const Screenshot& shot) { return barWidth(shot) == 0; }, WAIT));
    // The whole screen with the version under the logo, "(245)", to compare the new one's with.
    std::string error;
    const std::string oldScreen = run.folder() + "/old-terminal.png";
    ASSERT_TRUE(captureScreen(run.display(), oldScreen));
    const std::optional<Screenshot> before = Screenshot::load(oldScreen, error);
    ASSERT_TRUE(before) << error;
    const PixelRect versionText{window_.x + window_.width - 220, window_.y + window_.height - 30,
                                window_.x + window_.width, window_.y + window_.height};
    ASSERT_NO_FATAL_FAILURE(acceptOffer(run));
    const std::optional<Screenshot> partWay =
        run.screenshotWhen([](const Screenshot& shot) { return barWidth(shot) > 20; }, WAIT);
    ASSERT_TRUE(partWay) << run.error();
    EXPECT_LT(barWidth(*partWay), 440) << partWay->path();

    // The updater: started with the archive, it ends this terminal and puts the new one in its place.
    IndirectProcess updater(programFolder + "Brevanix");
    const std::string started = "callUpdate: started " + programFolder + "Brevanix (pid ";
    ASSERT_TRUE(waitUntil([&] { return pidAfter(run.console(), started) > 0; }, WAIT)) << run.output();
    updater.setPid(pidAfter(run.console(), started));
    const std::string updaterScreen = run.folder() + "/updater.png";
    EXPECT_TRUE(waitUntil(
        [&] {
            std::optional<Screenshot> screen;
            if (captureScreen(run.display(), updaterScreen)) screen = Screenshot::load(updaterScreen, error);
            return screen && showsUpdater(*screen);
        },
        WAIT, Seconds(0.05)))
        << readText(programFolder + "Brevanix.log");
    ASSERT_TRUE(run.waitForExit(WAIT)) << "the old terminal is still running";

    IndirectProcess next(programFolder + "Zento");
    ASSERT_TRUE(waitUntil(
        [&] {
            next.setPid(pidAfter(readText(programFolder + "Brevanix.log"),
                                 "started " + programFolder + "Zento (pid "));
            return next.alive();
        },
        WAIT))
        << readText(programFolder + "Brevanix.log");
    // Its connecting screen: the version text differs from the old one's in one digit only.
    const std::string newScreen = run.folder() + "/new-terminal.png";
    std::pair<int, int> changed{-1, -1};
    EXPECT_TRUE(waitUntil(
        [&] {
            std::optional<Screenshot> screen;
            if (captureScreen(run.display(), newScreen)) screen = Screenshot::load(newScreen, error);
            if (screen) changed = differingColumns(*before, *screen, versionText);
            return changed.first >= 0 && changed.second - changed.first < 12;
        },
        WAIT, Seconds(0.05)))
        << "columns " << changed.first << " to " << changed.second << " differ";
    ASSERT_TRUE(run.waitForLog("server ver:246, local ver:246", 1, WAIT)) << lastLines(run.log(), 20);
    ASSERT_TRUE(run.waitForLog("update Brevanix.exe finished", 1, WAIT)) << lastLines(run.log(), 20);

    EXPECT_EQ(readText(programFolder + "marker.txt"), "246");
    EXPECT_EQ(readText(programFolder + "Brevanix"), nextUpdater);
    EXPECT_FALSE(fs::exists(programFolder + "Brevanix.x"));
    EXPECT_FALSE(fs::exists(home() + "/update.zip"));
    EXPECT_FALSE(fs::exists(home() + "/update.zip.part"));
    ProcessLaunch version;
    version.argv = {programFolder + "Zento", "--version"};
    version.outputPath = run.folder() + "/version.txt";
    EXPECT_EQ(runToEnd(version, WAIT), 0);
    EXPECT_EQ(readText(run.folder() + "/version.txt"), "Zento 246\n");
    EXPECT_TRUE(next.end()) << "the new terminal does not end on SIGTERM";
    EXPECT_FALSE(updater.alive()) << "the updater outlived its work";
}
