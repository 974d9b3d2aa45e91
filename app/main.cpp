// Zento: the market-quote and charting terminal.
//
//   Zento                                  the terminal
//   Zento --screenshot FILE --after SECS   renders normally, saves the frame at that time as PNG, exits 0
//   Zento --screenshot-on-signal DIR       runs normally; every SIGUSR1 saves the next frame as
//                                          DIR/shot-1.png, DIR/shot-2.png, ... (each file appears whole)
//   Zento --stats                          shows frames drawn, redrawn area and main-thread load
//   Zento --feed HOST:PORT                 every keyed server address points at a local feed there
//   Zento --stock-list URL                 the instrument list's address
//   Zento --print-config                   prints every server address, where it came from, and exits 0
//   Zento --help | --version               prints the usage or the version and exits 0
//
// The options may be combined. Bad options print the usage and exit 2. Signals of one kind do not
// queue: a caller that needs one file per signal waits for each file before sending the next.

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "AppDelegate.h"
#include "AppGlobals.h"
#include "CCEGLView.h"
#include "CCFileUtils.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "ConnectingLayer.h"
#include "CrashHandler.h"
#include "ServerSettings.h"

USING_NS_CC;

namespace {
constexpr const char* USAGE =
    "usage: Zento [--screenshot FILE.png --after SECONDS] [--screenshot-on-signal DIR] [--stats]\n"
    "             [--feed HOST:PORT] [--stock-list URL] [--print-config]\n"
    "       Zento --help | --version\n"
    "  --screenshot FILE.png --after SECONDS  save the frame drawn at that time and exit\n"
    "  --screenshot-on-signal DIR             save the next frame as DIR/shot-N.png on every SIGUSR1\n"
    "  --stats                                show frames drawn per second, redrawn area and the main\n"
    "                                         thread's load in the bottom bar (and the log)\n"
    "  --feed HOST:PORT                       use the local feed at that address for every server\n"
    "  --stock-list URL                       the instrument list's address (wins over --feed)\n"
    "  --print-config                         print every server address and where it came from\n"
    "  --help                                 show this text\n"
    "  --version                              show the version number\n"
    "The data folder is $ZENTO_HOME, else $XDG_DATA_HOME/zento (~/.local/share/zento). Its file\n"
    "servers.json (configuration keys to URLs) overrides the shipped servers; the options win over it.\n";

struct Options {
    std::string screenshotPath;
    double screenshotAfter = 0;
    std::string signalScreenshotFolder;
    bool stats = false;
    std::optional<std::string> feedAddress;
    std::optional<std::string> stockListUrl;
    bool printConfig = false;
    bool help = false;
    bool version = false;
    bool valid = true;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            options.help = true;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            options.version = true;
        } else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            options.screenshotPath = argv[++i];
        } else if (std::strcmp(argv[i], "--after") == 0 && i + 1 < argc) {
            char* end = nullptr;
            options.screenshotAfter = std::strtod(argv[++i], &end);
            if (!end || *end || !(options.screenshotAfter >= 0)) options.valid = false;
        } else if (std::strcmp(argv[i], "--stats") == 0) {
            options.stats = true;
        } else if (std::strcmp(argv[i], "--feed") == 0 && i + 1 < argc) {
            options.feedAddress = argv[++i];
        } else if (std::strcmp(argv[i], "--stock-list") == 0 && i + 1 < argc) {
            options.stockListUrl = argv[++i];
        } else if (std::strcmp(argv[i], "--print-config") == 0) {
            options.printConfig = true;
        } else if (std::strcmp(argv[i], "--screenshot-on-signal") == 0 && i + 1 < argc) {
            options.signalScreenshotFolder = argv[++i];
            if (options.signalScreenshotFolder.empty()) options.valid = false;
        } else {
            options.valid = false;
        }
    }
    return options;
}

// SIGUSR1 signals received so far. A signal handler may touch nothing but a lock-free atomic.
std::atomic<unsigned> screenshotSignals{0};
static_assert(std::atomic<unsigned>::is_always_lock_free);

void onScreenshotSignal(int) {
    screenshotSignals.fetch_add(1, std::memory_order_relaxed);
}

// One file per signal received, numbered from 1; signals received within one frame get the following
// frames, one each, so the numbers match the count of signals received.
bool enableSignalScreenshots(CCEGLView* view, const std::string& folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        std::fprintf(stderr, "Zento: %s is not a folder\n", folder.c_str());
        return false;
    }
    auto saved = std::make_shared<unsigned>(0);
    view->setScreenshotHook(
        [folder, saved]() -> std::string {
            if (*saved == screenshotSignals.load(std::memory_order_relaxed)) return {};
            ++*saved;
            return (std::filesystem::path(folder) / ("shot-" + std::to_string(*saved) + ".png")).string();
        },
        [saved] { return *saved != screenshotSignals.load(std::memory_order_relaxed); });
    struct sigaction action = {};
    action.sa_handler = onScreenshotSignal;
    sigemptyset(&action.sa_mask);
    // Other threads sit in blocking calls; the signal must not cut them short.
    action.sa_flags = SA_RESTART;
    if (sigaction(SIGUSR1, &action, nullptr) != 0) {
        std::fprintf(stderr, "Zento: cannot handle SIGUSR1: %s\n", std::strerror(errno));
        return false;
    }
    return true;
}
// The user file first, then the options over it. Refusals go to stderr now and to the log once the
// table loads (the log file exists by then).
ServerSettings chooseServers(const Options& options) {
    ServerSettings servers;
    servers.readUserFile(CCFileUtils::sharedFileUtils()->getWritablePath() + ServerSettings::USER_FILE_NAME);
    if (options.feedAddress) servers.setFeedAddress(*options.feedAddress);
    if (options.stockListUrl) servers.setStockListUrl(*options.stockListUrl);
    for (const std::string& line : servers.refusals()) std::fprintf(stderr, "%s\n", line.c_str());
    setConfigOverrides(servers.overrides(), servers.refusals());
    return servers;
}

int printConfig(const ServerSettings& servers) {
    // The table's own log lines would mix with the listing.
    CDebugModule::getInstance()->setConsoleOutput(false);
    if (!loadConfigTable())
        std::fprintf(stderr, "Zento: no configuration table at %s\n",
                     CCFileUtils::sharedFileUtils()->fullPathForFilename(CONFIG_TABLE_PATH).c_str());
    for (const ServerSettings::Effective& row : servers.effective(getConfigMap()))
        std::printf("%s = %s [%s]\n", row.key.c_str(), row.value.empty() ? "(none)" : row.value.c_str(),
                    ServerSettings::sourceName(row.source));
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    // Started by the crash handler of a dying run: shows its message and nothing else.
    if (argc == 2 && std::strcmp(argv[1], CRASH_MESSAGE_OPTION) == 0) return showCrashMessageBox();
    // Frames redraw a few small rectangles: Mesa's software rasteriser spends more waking its helper
    // threads than drawing them, so it draws on the calling thread (unless the user says otherwise).
    setenv("LP_NUM_THREADS", "0", 0);
#ifdef ZENTO_LOCAL_VERSION
    UpdateClient::setLocalVersion(ZENTO_LOCAL_VERSION);
#endif
    Options options = parseOptions(argc, argv);
    if (!options.valid) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    if (options.help) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (options.version) {
        // The number the update check compares with the server's.
        std::printf("Zento %d\n", UpdateClient::localVersion());
        return 0;
    }

    const ServerSettings servers = chooseServers(options);
    if (options.printConfig) return printConfig(servers);

    AppDelegate app;
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    AppDelegate::configureView(view);
    AppGlobals::showStats = options.stats;
    if (!options.screenshotPath.empty())
        view->scheduleScreenshot(options.screenshotPath, options.screenshotAfter);
    if (!options.signalScreenshotFolder.empty() &&
        !enableSignalScreenshots(view, options.signalScreenshotFolder))
        return 2;
    return CCApplication::sharedApplication()->run();
}
