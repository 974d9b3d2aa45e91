#include "LiveScene.h"

#include <rapidjson/document.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCFileUtils.h"
#include "CCHttpClient.h"
#include "CCRecordingRenderer.h"
#include "CCmdPacket.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "FileHelpers.h"
#include "FrameSteps.h"
#include "KLineHistoryLoader.h"
#include "LayoutGrid.h"
#include "StockWindow.h"
#include "UserData.h"
#include "WorldScene.h"

USING_NS_CC;

namespace live_scene {

namespace {
const std::string RES = ZENTO_RES_DIR;
constexpr const char* START_TIME = "2024-05-15T13:30:00Z";
constexpr double FRAME_SECONDS = 1.0 / 60;
constexpr double SETUP_DEADLINE_SECONDS = 60;
constexpr float WINDOW_WIDTH = 1600;
constexpr float WINDOW_HEIGHT = 900;
const char* const CODES[] = {"AUDJPY", "EURUSD", "GBPUSD", "USDJPY", "AUDUSD",
                             "USDCHF", "USDCAD", "NZDUSD", "EURAUD"};

// The configuration table the shipped one would be with the feed on these ports: every endpoint of
// the feed's defaults that names a key.
bool writeConfigTable(const std::string& path, int httpPort, int newsPort) {
    std::optional<std::vector<unsigned char>> defaults =
        readFile(std::string(ZENTO_FEED_DIR) + "/defaults.json");
    if (!defaults) return false;
    rapidjson::Document document;
    document.Parse(reinterpret_cast<const char*>(defaults->data()), defaults->size());
    if (document.HasParseError() || !document.HasMember("endpoints")) return false;
    std::vector<std::pair<std::string, std::string>> rows;
    for (const auto& endpoint : document["endpoints"].GetObject()) {
        const rapidjson::Value& value = endpoint.value;
        if (!value["configKey"].IsString()) continue;
        const std::string key = value["configKey"].GetString();
        const int port = std::string(value["server"].GetString()) == "news" ? newsPort : httpPort;
        rows.emplace_back(key == "@url" ? CONFIG_KEY_KLINE_HISTORY_SERVER_LIST : key,
                          "http://127.0.0.1:" + std::to_string(port) + value["path"].GetString());
    }
    // The news socket's address has no endpoint key of its own: the feed's news server root.
    rows.emplace_back(CONFIG_KEY_NEWS_SOCKET_URL, "http://127.0.0.1:" + std::to_string(newsPort));
    CCmdPacket packet(1 << 16);
    packet.writeUInt16(static_cast<uint16_t>(rows.size()));
    for (const auto& [key, url] : rows) {
        if (!packet.writeLongString(key) || !packet.writeLongString(url)) return false;
    }
    std::vector<unsigned char> bytes(packet.getData(), packet.getData() + packet.getLength());
    scrambleDataTable(bytes.data(), bytes.size());
    return saveFile(path, bytes.data(), bytes.size());
}

}  // namespace

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

std::vector<double> measureFrames(double seconds) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> frames;
    CCDirector* director = CCDirector::sharedDirector();
    const auto frame =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(FRAME_SECONDS));
    const auto end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    auto next = Clock::now();
    auto last = next;
    while (Clock::now() < end) {
        const auto now = Clock::now();
        const double cpu = threadCpuMs();
        director->stepFrame(std::chrono::duration<float>(now - last).count());
        frames.push_back(threadCpuMs() - cpu);
        last = now;
        next += frame;
        std::this_thread::sleep_until(next);
    }
    return frames;
}

bool pumpFor(double seconds) {
    return pumpUntil([] { return false; }, seconds, REAL_TIME_DT);
}

Run::Run(const std::string& name) : home_("zento-bench-" + name) {}

Run::~Run() {
    if (world_) WorldScene::destroyInstance();
    CCHttpClient::destroyInstance();
    CCDirector::purgeDirector();
    CCEGLView::purgeSharedOpenGLView();
    clearConfigTable();
    feed_.stop();
}

bool Run::start(const std::vector<std::string>& extraFeedArguments) {
    std::vector<std::string> arguments = {"--port",          "0",        "--news-port", "0",
                                          "--start-time",    START_TIME, "--quiet",     "--data",
                                          home_.file("feed")};
    arguments.insert(arguments.end(), extraFeedArguments.begin(), extraFeedArguments.end());
    if (!feed_.start(std::string(ZENTO_FEED_DIR) + "/server.js", arguments, "feed: listening ")) {
        error_ = "feed did not start: " + feed_.error();
        return false;
    }
    httpPort_ = feed_.port(0);
    if (!writeConfigTable(home_.file("config.xc"), httpPort_, feed_.port(1)) ||
        !loadConfigTable(home_.file("config.xc"))) {
        error_ = "cannot write the configuration table";
        return false;
    }
    CCDirector::purgeDirector();
    CCDirector* director = CCDirector::sharedDirector();
    director->setWinSize(CCSize(WINDOW_WIDTH, WINDOW_HEIGHT));
    CCEGLView::sharedOpenGLView()->setFrameSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    CCFileUtils::sharedFileUtils()->setSearchPaths({RES + "/..", home_.path()});
    CDebugModule::getInstance()->setLogFilePath(home_.file("DebugInfo.txt"));
    UserData::getInstance()->setDefaultSettings();
    UserData::getInstance()->setPanelSwitchA(false);
    UserData::getInstance()->setPanelSwitchB(false);
    director->setRenderer(std::make_unique<CCRecordingRenderer>());
    CCScene* scene = CCScene::create();
    director->runWithScene(scene);
    world_ = WorldScene::getInstance();
    scene->addChild(world_);

    WorldScene* world = world_;
    const bool started =
        pumpUntil([&] { return world->getStartupReadyRuns() > 0; }, SETUP_DEADLINE_SECONDS, REAL_TIME_DT);
    if (started) {
        for (const char* code : CODES) {
            const std::vector<StockWindow*> shown = world->getShownWindows();
            const bool open = std::any_of(shown.begin(), shown.end(),
                                          [&](StockWindow* window) { return window->getCode() == code; });
            if (!open) world->addStockWindow(code, CCPoint(50, 50), nullptr);
        }
        for (int k = 0; k < layout_grid::LAYOUT_COUNT; ++k)
            if (world->layoutFits(k)) {
                world->applyLayout(k + 1, false);
                break;
            }
    }
    const auto allFilled = [&] {
        for (StockWindow* window : world->getShownWindows())
            if (window->getLoader()->series().size() < 100) return false;
        return world->getShownWindowCount() == WorldScene::WINDOW_COUNT;
    };
    if (!started || !pumpUntil(allFilled, SETUP_DEADLINE_SECONDS, REAL_TIME_DT)) {
        error_ = "the scene did not fill nine windows with history";
        return false;
    }
    return true;
}

}  // namespace live_scene
