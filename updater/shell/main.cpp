// Brevanix: ends the running terminal, extracts the update archive into its own folder and starts the
// terminal again. See CommandLine.h for the options; its log goes to stderr and "Brevanix.log" beside it.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <string>
#include <thread>

#include "CommandLine.h"
#include "UpdateSession.h"
#include "UpdaterLog.h"
#include "UpdaterWindow.h"

namespace {

constexpr const char* LOG_FILE = "Brevanix.log";
constexpr const char* BUNDLED_FONT = "res/fonts/MiYaHei.ttf";
constexpr const char* SYSTEM_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

// The folder of the running executable, ending with "/"; empty when it cannot be read.
std::string programFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    const std::string path(buffer, static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string fontPath(const std::string& folder) {
    const std::string bundled = folder + BUNDLED_FONT;
    struct stat info {};
    return stat(bundled.c_str(), &info) == 0 ? bundled : std::string(SYSTEM_FONT);
}

void runWithoutWindow(UpdateSession& session) {
    session.start();
    while (!session.quitRequested()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(UpdateSession::TICK_MS));
        session.tick();
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = programFolder();
    if (!folder.empty() && !UpdaterLog::setLogFile(folder + LOG_FILE)) {
        UpdaterLog::warn("cannot write the log file %s%s; logging to stderr only", folder.c_str(), LOG_FILE);
    }
    std::string problem;
    const CommandLine line = CommandLine::parse(argc, argv, &problem);
    if (!problem.empty()) UpdaterLog::warn("option ignored: %s", problem.c_str());

    UpdateSession::Settings settings;
    settings.archivePath = line.archivePath;
    settings.programFolder = folder;
    settings.terminalFilter.directory = line.onlyDirectory;
    UpdateSession session(std::move(settings));

    bool ran = false;
    if (!line.headless) {
        UpdaterWindow window(session, {fontPath(folder), line.screenshotPath, line.screenshotAfter});
        if (window.open()) {
            window.run();
            ran = true;
        }
    }
    if (!ran) {
        if (!line.headless) UpdaterLog::warn("updating without a window");
        if (!line.screenshotPath.empty()) UpdaterLog::warn("no screenshot without a window");
        runWithoutWindow(session);
    }
    UpdaterLog::info("Brevanix quits");
    UpdaterLog::closeLogFile();
    return 0;
}
