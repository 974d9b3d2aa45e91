// A burst of market messages on the main thread: the local feed sends 2000 quotes and 200 bar messages
// a second (--burst 2000) to the real main scene with nine chart windows, drawn on the recording
// renderer. Figure: the main thread's CPU time per frame (messages handed over, scene update, visit)
// at p50 and p99, against the same scene at the market's own pace; and messages applied by the
// terminal against messages the feed sent, which must be equal. It prints, it does not assert.
#include <rapidjson/document.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCFileUtils.h"
#include "CCFontAtlas.h"
#include "CCHttpClient.h"
#include "CCHttpRequest.h"
#include "CCHttpResponse.h"
#include "CCRecordingRenderer.h"
#include "CCSpriteFrameCache.h"
#include "CCmdPacket.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "FileHelpers.h"
#include "FrameSteps.h"
#include "KLineHistoryLoader.h"
#include "LanguageTable.h"
#include "LayoutGrid.h"
#include "LiveScene.h"
#include "MarketStream.h"
#include "NodePeer.h"
#include "StockWindow.h"
#include "TempHome.h"
#include "UserData.h"
#include "WorldScene.h"

USING_NS_CC;

namespace {

const std::string RES = ZENTO_RES_DIR;
constexpr const char* BURST_RATE = "2000";
constexpr double MEASURE_SECONDS = 10;
constexpr double DRAIN_DEADLINE_SECONDS = 20;
constexpr double TARGET_RATIO = 2.0;
constexpr double TARGET_P99_MS = 8.0;

struct RunResult {
    bool ok = false;
    std::string error;
    std::vector<double> frameMs;
    long long sentQuotes = -1;
    long long sentBarMessages = -1;
    long long appliedQuotes = 0;
    long long appliedBarMessages = 0;
};

// The feed's counters of what its market stream sent; false while no answer has come.
struct FeedStats {
    bool done = false;
    long long quotes = -1;
    long long barMessages = -1;
};

void askFeedStats(int httpPort, std::shared_ptr<FeedStats> stats) {
    auto* request = new CCHttpRequest();
    request->setUrl(("http://127.0.0.1:" + std::to_string(httpPort) + "/stats").c_str());
    request->setRequestType(kHttpGet);
    request->setResponseCallback([stats](CCHttpClient*, CCHttpResponse* response) {
        stats->done = true;
        if (!response || !response->isSucceed()) return;
        const std::vector<char>* data = response->getResponseData();
        rapidjson::Document document;
        document.Parse(data->data(), data->size());
        if (document.HasParseError() || !document.IsObject()) return;
        stats->quotes = document["quotes"].GetInt64();
        stats->barMessages = document["barMessages"].GetInt64();
    });
    CCHttpClient::getInstance()->send(request);
    request->release();
}

RunResult runScene(bool burst) {
    RunResult result;
    live_scene::Run run("burst");
    std::vector<std::string> arguments;
    if (burst) arguments = {"--burst", BURST_RATE};
    if (!run.start(arguments)) {
        result.error = run.error();
        return result;
    }
    const int httpPort = run.httpPort();
    MarketStream* stream = run.world()->getMarketStream();
    // Settle: the history merges and layout animations of start-up are not part of the figure.
    live_scene::measureFrames(1.0);
    const long long quotesBefore = stream->getQuotesApplied();
    result.frameMs = live_scene::measureFrames(MEASURE_SECONDS);
    result.ok = quotesBefore < stream->getQuotesApplied();
    if (!result.ok) result.error = "no quotes arrived while measuring";

    // Nothing more is sent once the feed has the empty subscriptions; by then its counts are final.
    stream->setAdvSubscription({});
    stream->setKlineSubscription({});
    live_scene::pumpFor(0.5);
    auto stats = std::make_shared<FeedStats>();
    askFeedStats(httpPort, stats);
    pumpUntil([&] { return stats->done; }, DRAIN_DEADLINE_SECONDS, REAL_TIME_DT);
    result.sentQuotes = stats->quotes;
    result.sentBarMessages = stats->barMessages;
    pumpUntil(
        [&] {
            return stream->getQuotesApplied() >= result.sentQuotes &&
                   stream->getBarMessagesApplied() >= result.sentBarMessages;
        },
        DRAIN_DEADLINE_SECONDS, REAL_TIME_DT);
    result.appliedQuotes = stream->getQuotesApplied();
    result.appliedBarMessages = stream->getBarMessagesApplied();
    return result;
}

void printRun(const char* name, const RunResult& run) {
    if (!run.ok) {
        std::printf("%-8s FAILED: %s\n", name, run.error.c_str());
        return;
    }
    std::printf("%-8s frames %5zu   cpu per frame p50 %6.3f ms   p99 %6.3f ms   max %6.3f ms\n", name,
                run.frameMs.size(), live_scene::percentile(run.frameMs, 0.5),
                live_scene::percentile(run.frameMs, 0.99), live_scene::percentile(run.frameMs, 1.0));
    std::printf("         quotes applied %lld of %lld sent   bar messages applied %lld of %lld sent   %s\n",
                run.appliedQuotes, run.sentQuotes, run.appliedBarMessages, run.sentBarMessages,
                run.appliedQuotes == run.sentQuotes && run.appliedBarMessages == run.sentBarMessages
                    ? "all applied"
                    : "MISMATCH");
}

}  // namespace

int main() {
    loadLanguageTable(RES + "/database/language.xc");
    CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile(RES + "/plist/image.plist");

    const RunResult normal = runScene(false);
    const RunResult burst = runScene(true);
    std::printf(
        "tick burst: main-thread CPU per frame, nine chart windows, %.0f s each, recording renderer\n",
        MEASURE_SECONDS);
    printRun("normal", normal);
    printRun("burst", burst);
    if (normal.ok && burst.ok) {
        const double normalP99 = live_scene::percentile(normal.frameMs, 0.99);
        const double burstP99 = live_scene::percentile(burst.frameMs, 0.99);
        const double ratio = normalP99 > 0 ? burstP99 / normalP99 : 0;
        std::printf("  p99 ratio burst/normal %.2f   target <= %.1f   %s\n", ratio, TARGET_RATIO,
                    ratio <= TARGET_RATIO ? "within target" : "ABOVE TARGET");
        std::printf("  p99 burst %.3f ms        target < %.0f ms   %s\n", burstP99, TARGET_P99_MS,
                    burstP99 < TARGET_P99_MS ? "within target" : "ABOVE TARGET");
    }
    CCFontAtlas::purgeAll();
    return 0;
}
