#include "KLineHistoryLoader.h"

#include <gtest/gtest.h>

#include <rapidjson/document.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CCDirector.h"
#include "CCNode.h"
#include "ConfigTable.h"
#include "FileHelpers.h"
#include "WindowTestSupport.h"

USING_NS_CC;

namespace {
constexpr uint32_t STEP = 900;               // ttype 15
constexpr uint32_t WEEK_START = 1699999200;  // a multiple of 900
const std::string FILE_BASE = "http://127.0.0.1:9/hfiles/";

// History file k (1 = the one just before the week history), count bars ending where file k - 1
// begins.
std::string historyFile(int k, int count) {
    const uint32_t start =
        WEEK_START - static_cast<uint32_t>(k) * 200 * STEP + static_cast<uint32_t>(200 - count) * STEP;
    return barLines(start, count, STEP);
}

std::string listOf(const std::vector<std::string>& names) {
    std::string body = "{\"result\":1,\"list\":[";
    for (size_t i = 0; i < names.size(); ++i) body += (i ? ",\"" : "\"") + FILE_BASE + names[i] + "\"";
    return body + "]}";
}

class KLineHistoryLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCDirector::purgeDirector();
        clearConfigTable();
        scene = CCScene::create();
        CCDirector::sharedDirector()->runWithScene(scene);
        loader = RecordingLoader::create(&host);
        scene->addChild(loader);
        loader->setSymbol("EURUSD");
        loader->setTimeType(2, true);
    }
    void TearDown() override {
        loader->shutdown();
        CCDirector::purgeDirector();
    }

    size_t last() const { return loader->sent.size() - 1; }
    const RecordingLoader::Request& lastRequest() const { return loader->sent.back(); }
    const KLineSeries& series() const { return loader->series(); }
    std::string cachePath(const std::string& name) const { return home.folder() + "hCache/EURUSD/" + name; }

    // Answers the week request with count bars from WEEK_START and merges them (the view at its
    // oldest bar). The tick then asks for the history list at once.
    void loadWeek(int count = 600) {
        loader->answer(last(), true, gzipWithTool(barLines(WEEK_START, count, STEP)));
        host.scrollOffset = 1;
        ASSERT_TRUE(pumpUntil([&] { return loader->getWeekBatchState() == BATCH_IDLE; }));
        ASSERT_EQ(series().size(), static_cast<size_t>(count));
    }
    // Answers the pending download and steps until its bars are merged.
    void deliverFile(const std::string& text) {
        const size_t before = series().size();
        const int state = loader->getHistoryBatchState();
        ASSERT_EQ(state, BATCH_WAITING);
        loader->answer(last(), true, gzipWithTool(text));
        ASSERT_TRUE(pumpUntil([&] {
            const int now = loader->getHistoryBatchState();
            return series().size() != before || now == BATCH_COMPLETE || now == BATCH_FAILED;
        }));
    }

    ScopedHome home;
    RecordingHost host;
    CCScene* scene = nullptr;
    RecordingLoader* loader = nullptr;
};
}  // namespace

TEST_F(KLineHistoryLoaderTest, TimeTypeChoiceResetsLoadingAndRequestsWeekHistory) {
    ASSERT_EQ(loader->sent.size(), 1u);
    EXPECT_EQ(lastRequest().method, "GET");
    EXPECT_EQ(lastRequest().url, std::string(DEFAULT_KWEEK_DATA_URL) + "EURUSD/15");
    EXPECT_EQ(lastRequest().tag.rfind("15#", 0), 0u);
    EXPECT_EQ(host.viewTimeType, 15);
    EXPECT_EQ(host.tint, (std::vector<int>{255, 255, 255}));
    EXPECT_GE(host.clearViewCount, 1);
    EXPECT_GE(host.titleCount, 1);
    EXPECT_EQ(loader->getWeekBatchState(), BATCH_WAITING);
    EXPECT_EQ(loader->getHistoryBatchState(), BATCH_IDLE);

    // Index 9 is refused; without fetch nothing is requested.
    loader->setTimeType(9, true);
    EXPECT_EQ(loader->getTtype(), 15);
    EXPECT_EQ(loader->sent.size(), 1u);
    loader->setTimeType(8, false);
    EXPECT_EQ(loader->getTtype(), 1440);
    EXPECT_EQ(loader->sent.size(), 1u);
    // The same instrument again changes nothing.
    EXPECT_FALSE(loader->setSymbol("EURUSD"));
}

TEST_F(KLineHistoryLoaderTest, WeekHistoryIsParsedOffTheMainThreadMergedWhenBusyAndCached) {
    const std::vector<unsigned char> week = gzipWithTool(barLines(WEEK_START, 600, STEP));
    host.scrollOffset = 0;
    loader->answer(0, true, week);
    EXPECT_TRUE(loader->isHistoryTickScheduled());
    ASSERT_TRUE(waitUntil([&] { return loader->getWeekBatchState() == BATCH_PARSED; }));
    // Not busy (the view shows bars right up to its left edge, no refill): the batch waits.
    stepFor(0.5f, TIMER_STEP);
    EXPECT_EQ(series().size(), 0u);
    EXPECT_EQ(loader->getWeekBatchState(), BATCH_PARSED);

    host.scrollOffset = 1;
    CCDirector::sharedDirector()->stepFrame(0.016f);
    EXPECT_EQ(series().size(), WEEK_MERGE_CHUNK);
    EXPECT_EQ(loader->getWeekBatchState(), BATCH_MERGING);
    CCDirector::sharedDirector()->stepFrame(0.016f);
    EXPECT_EQ(series().size(), 600u);
    EXPECT_TRUE(isStrictlyAscending(series()));
    EXPECT_EQ(loader->getWeekBatchState(), BATCH_IDLE);
    EXPECT_EQ(host.weekMergedCount, 2);
    EXPECT_EQ(host.showNewestCount, 1);
    EXPECT_EQ(host.keptCounts, std::vector<int>{99});
    EXPECT_EQ(readWholeFile(cachePath("EURUSD")), week);
    EXPECT_TRUE(home.logHas("1 [EURUSD] add week history finished!!!"));

    // Idle and at the oldest bar: the same tick asked for older history, signed.
    ASSERT_EQ(loader->sent.size(), 2u);
    EXPECT_EQ(lastRequest().method, "POST");
    EXPECT_EQ(lastRequest().url, host.historyServer);
    EXPECT_EQ(loader->getHistoryBatchState(), BATCH_WAITING);
    const std::string& body = lastRequest().body;
    rapidjson::Document document;
    document.Parse(body.c_str());
    ASSERT_TRUE(document.IsObject());
    const char* order[] = {
        "\"time\":", "\"ttype\":15,", "\"etime\":", "\"key\":", "\"cutCount\":100,", "\"sym\":\"EURUSD\""};
    size_t at = 0;
    for (const char* member : order) {
        const size_t found = body.find(member, at);
        ASSERT_NE(found, std::string::npos) << member << " in " << body;
        at = found;
    }
    EXPECT_EQ(document["etime"].GetUint(), WEEK_START);
    const std::string text = "EURUSD15" + std::to_string(WEEK_START) + "100" +
                             std::to_string(document["time"].GetInt64()) + "*&%&!~QPQPmbnnvcxzlaqYTRTG";
    EXPECT_EQ(document["key"].GetString(), md5Hex(text));
    EXPECT_TRUE(
        home.logHas("================== get History data:" + std::to_string(WEEK_START) + ", time type:15"));
}

TEST_F(KLineHistoryLoaderTest, ResponsesOfAnotherTimeTypeOrInstrumentAreDropped) {
    const std::vector<unsigned char> week = gzipWithTool(barLines(WEEK_START, 50, STEP));
    const std::string tag = loader->sent[0].tag;
    loader->answerWithTag(0, "5" + tag.substr(2), week);
    EXPECT_TRUE(home.logHas("return not same time!!!!!"));
    EXPECT_EQ(loader->getWeekBatchState(), BATCH_WAITING);
    EXPECT_FALSE(loader->isHistoryTickScheduled());

    // The user picks 30 minutes; the 15-minute answer comes late.
    loader->setTimeType(3, true);
    loader->answer(0, true, week);
    EXPECT_EQ(loader->getWeekBatchState(), BATCH_WAITING);
    // Another instrument at the same time type: the earlier 30-minute request is stale as well.
    ASSERT_TRUE(loader->setSymbol("GBPUSD"));
    loader->setTimeType(3, true);
    loader->answer(1, true, week);
    EXPECT_TRUE(home.logHas("week history of an earlier request dropped:30#"));
    EXPECT_EQ(loader->getWeekBatchState(), BATCH_WAITING);
    EXPECT_FALSE(fileExists(cachePath("EURUSD")));

    // A parse still running when the time type changes publishes nothing.
    loader->answer(2, true, week);
    loader->setTimeType(4, false);
    const auto& batch = series().getWeekBatch();
    ASSERT_TRUE(waitUntil([&] { return batch.use_count() == 1; }));
    EXPECT_EQ(loader->getWeekBatchState(), BATCH_WAITING);
    EXPECT_TRUE(batch->bars.empty());

    // History list and file answers of an earlier request are dropped too.
    loader->setTimeType(2, true);
    loadWeek(300);
    const size_t list = last();
    ASSERT_EQ(lastRequest().method, "POST");
    loader->setTimeType(2, true);
    loader->answer(list, true, listOf({"GBPUSD_15_a.gz"}));
    EXPECT_TRUE(loader->getHistoryFiles().empty());
    EXPECT_EQ(loader->getHistoryBatchState(), BATCH_IDLE);
}

TEST_F(KLineHistoryLoaderTest, HistoryEndsAfterAShortLastFileOrAnEmptyList) {
    loadWeek();
    loader->answer(last(), true, listOf({"f1.gz", "f2.gz"}));
    EXPECT_TRUE(home.logHas("********** [EURUSD] add history file:2"));
    ASSERT_EQ(lastRequest().url, FILE_BASE + "f1.gz");
    deliverFile(historyFile(1, 200));
    EXPECT_EQ(series().size(), 800u);
    EXPECT_EQ(host.keptCounts.back(), 200);
    EXPECT_TRUE(home.logHas("1 [EURUSD] add history finished!!!"));

    // The next file comes with the next tick while the view stays at the oldest bar.
    ASSERT_TRUE(pumpUntil([&] { return lastRequest().url == FILE_BASE + "f2.gz"; }));
    deliverFile(historyFile(2, 199));
    EXPECT_EQ(series().size(), 999u);
    EXPECT_TRUE(isStrictlyAscending(series()));
    // 199 bars and nothing queued: complete.
    EXPECT_EQ(loader->getHistoryBatchState(), BATCH_COMPLETE);
    EXPECT_EQ(host.tint, (std::vector<int>{250, 0, 0}));
    EXPECT_TRUE(home.logHas("2 ********** [EURUSD] add history file all done!!"));
    const size_t sent = loader->sent.size();
    stepFor(1.0f, TIMER_STEP);
    EXPECT_EQ(loader->sent.size(), sent);

    // An empty list: complete at once.
    loader->setTimeType(2, true);
    loadWeek(300);
    loader->answer(last(), true, std::string("{\"result\":1,\"list\":[]}"));
    EXPECT_EQ(loader->getHistoryBatchState(), BATCH_COMPLETE);
    EXPECT_EQ(host.tint, (std::vector<int>{250, 0, 0}));
    EXPECT_TRUE(home.logHas("********** [EURUSD] add history file all done!!"));
}

TEST_F(KLineHistoryLoaderTest, AFullLastFileLeadsToTheNextListAndNoProgressEndsHistory) {
    loadWeek();
    loader->answer(last(), true, listOf({"f1.gz"}));
    deliverFile(historyFile(1, 200));
    // 200 bars: not the end. Back at the oldest bar, the next list asks for what lies before them.
    ASSERT_EQ(loader->getHistoryBatchState(), BATCH_IDLE);
    ASSERT_TRUE(pumpUntil([&] { return lastRequest().method == "POST" && loader->sent.size() == 4; }));
    rapidjson::Document document;
    document.Parse(lastRequest().body.c_str());
    EXPECT_EQ(document["etime"].GetUint(), WEEK_START - 200 * STEP);
    EXPECT_EQ(loader->getLastRequestEndTime(), WEEK_START - 200 * STEP);

    // A file that brings nothing older (all its bars are held): the next list would repeat the end
    // time, so history is complete without sending it.
    loader->answer(last(), true, listOf({"same.gz"}));
    const size_t download = last();
    ASSERT_EQ(loader->sent[download].url, FILE_BASE + "same.gz");
    deliverFile(historyFile(1, 200));
    ASSERT_TRUE(pumpUntil([&] { return loader->getHistoryBatchState() == BATCH_COMPLETE; }));
    EXPECT_EQ(series().size(), 800u);
    EXPECT_TRUE(home.logHas("[EURUSD] insert history kline:0 => 800"));
    EXPECT_EQ(loader->sent.size(), download + 1);
    EXPECT_EQ(host.tint, (std::vector<int>{250, 0, 0}));
    EXPECT_TRUE(home.logHas("get [EURUSD][15]history data finished with end time:" +
                            std::to_string(WEEK_START - 200 * STEP)));
}

TEST_F(KLineHistoryLoaderTest, CachedFilesAreUsedAndBadOnesFetchedAgain) {
    loadWeek();
    const std::vector<unsigned char> first = gzipWithTool(historyFile(1, 200));
    ASSERT_TRUE(writeWholeFile(cachePath("cached.gz"), first));
    ASSERT_TRUE(writeWholeFile(cachePath("empty.gz"), {}));
    ASSERT_TRUE(writeWholeFile(cachePath("corrupt.gz"), bytesOf("this is not gzip")));
    const size_t listRequest = last();
    loader->answer(listRequest, true, listOf({"cached.gz", "empty.gz", "corrupt.gz"}));

    // Cache hit: no download.
    ASSERT_TRUE(pumpUntil([&] { return series().size() == 800; }));
    EXPECT_EQ(loader->sent.size(), listRequest + 1);

    // Present but empty: downloaded. A download that does not parse is neither cached nor merged;
    // it is fetched again after a delay, not at once.
    ASSERT_TRUE(pumpUntil([&] { return lastRequest().url == FILE_BASE + "empty.gz"; }));
    const std::string tag = lastRequest().tag;
    EXPECT_TRUE(home.logHas("download file:[EURUSD] " + FILE_BASE + "empty.gz"));
    loader->answer(last(), true, std::string("<html>502</html>"));
    ASSERT_TRUE(pumpUntil([&] { return loader->getHistoryBatchState() == BATCH_WAITING; }));
    const size_t afterFailure = loader->sent.size();
    stepFor(2.5f, TIMER_STEP);
    EXPECT_EQ(loader->sent.size(), afterFailure);
    EXPECT_TRUE(readWholeFile(cachePath("empty.gz")).empty());
    stepFor(1.0f, TIMER_STEP);
    ASSERT_EQ(loader->sent.size(), afterFailure + 1);
    EXPECT_EQ(lastRequest().url, FILE_BASE + "empty.gz");
    const std::vector<unsigned char> second = gzipWithTool(historyFile(2, 200));
    loader->answer(last(), true, second);
    ASSERT_TRUE(pumpUntil([&] { return series().size() == 1000; }));
    EXPECT_EQ(readWholeFile(cachePath("empty.gz")), second);

    // A cached copy that does not inflate: state 3, then downloaded at once and replaced.
    ASSERT_TRUE(pumpUntil([&] { return lastRequest().url == FILE_BASE + "corrupt.gz"; }));
    EXPECT_TRUE(
        home.logHas("cached history file failed to parse, download again:" + FILE_BASE + "corrupt.gz"));
    const std::vector<unsigned char> third = gzipWithTool(historyFile(3, 200));
    loader->answer(last(), true, third);
    ASSERT_TRUE(pumpUntil([&] { return series().size() == 1200; }));
    EXPECT_EQ(readWholeFile(cachePath("corrupt.gz")), third);
    EXPECT_TRUE(isStrictlyAscending(series()));
}

TEST_F(KLineHistoryLoaderTest, NamesThatAreNotPlainFileNamesAreNeverCachePaths) {
    EXPECT_EQ(KLineHistoryLoader::fileNameOfUrl("http://h/hfiles/a.gz"), "a.gz");
    EXPECT_EQ(KLineHistoryLoader::fileNameOfUrl("C:\\data\\b.gz"), "b.gz");
    EXPECT_EQ(KLineHistoryLoader::fileNameOfUrl("plain.gz"), "plain.gz");
    EXPECT_EQ(KLineHistoryLoader::fileNameOfUrl("http://h/x\\y.gz"), "x\\y.gz");
    for (const char* bad : {"", ".", "..", "a..b.gz", "x\\y.gz", "a/b", "tab\there", "del\x7f"}) {
        EXPECT_FALSE(KLineHistoryLoader::isSafeCacheName(bad)) << bad;
    }
    EXPECT_TRUE(KLineHistoryLoader::isSafeCacheName("EURUSD_15_s1688w5_1000_200.gz"));

    loadWeek();
    loader->answer(last(), true, listOf({"..x.gz"}));
    EXPECT_EQ(lastRequest().url, FILE_BASE + "..x.gz");
    deliverFile(historyFile(1, 200));
    EXPECT_EQ(series().size(), 800u);
    std::vector<std::string> cached;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home.folder() + "hCache")) {
        if (entry.is_regular_file()) cached.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(cached, std::vector<std::string>{"EURUSD"});

    // A symbol that is not a plain name is not cached either, but still loads.
    ASSERT_TRUE(loader->setSymbol("../EUR"));
    loader->setTimeType(2, true);
    EXPECT_TRUE(loader->cachePathFor("f.gz").empty());
    loadWeek(100);
    EXPECT_FALSE(fileExists(home.folder() + "EUR"));
}

TEST_F(KLineHistoryLoaderTest, FailedRequestsAreRetriedAfterADelay) {
    // Week download: after 5 s.
    loader->answer(0, false, std::string());
    EXPECT_TRUE(
        home.logHas("GetKLineWeekHistoryCallback failed:" + loader->sent[0].tag + ", will retry after:5"));
    stepFor(4.8f, TIMER_STEP);
    EXPECT_EQ(loader->sent.size(), 1u);
    stepFor(0.4f, TIMER_STEP);
    ASSERT_EQ(loader->sent.size(), 2u);
    EXPECT_EQ(lastRequest().url, loader->sent[0].url);

    // A week body that does not inflate: state 3, then again after 5 s.
    host.scrollOffset = 1;
    loader->answer(1, true, std::string("garbage"));
    ASSERT_TRUE(pumpUntil([&] { return loader->getWeekBatchState() == BATCH_WAITING; }));
    stepFor(4.8f, TIMER_STEP);
    EXPECT_EQ(loader->sent.size(), 2u);
    stepFor(0.4f, TIMER_STEP);
    ASSERT_EQ(loader->sent.size(), 3u);

    // History list: a failure or a refused answer is asked again after 3 s with the same end time,
    // and history is not declared complete.
    loadWeek();
    const size_t list = last();
    loader->answer(list, false, std::string());
    EXPECT_TRUE(home.logHas("GetStockHistoryDataCallback error:" + loader->sent[list].tag));
    stepFor(2.8f, TIMER_STEP);
    EXPECT_EQ(loader->sent.size(), list + 1);
    stepFor(0.4f, TIMER_STEP);
    ASSERT_EQ(loader->sent.size(), list + 2);
    EXPECT_EQ(lastRequest().method, "POST");
    rapidjson::Document document;
    document.Parse(lastRequest().body.c_str());
    EXPECT_EQ(document["etime"].GetUint(), WEEK_START);
    loader->answer(last(), true, std::string("{\"result\":0}"));
    EXPECT_EQ(loader->getHistoryBatchState(), BATCH_WAITING);
    stepFor(3.2f, TIMER_STEP);
    ASSERT_EQ(loader->sent.size(), list + 3);
    EXPECT_EQ(lastRequest().method, "POST");

    // History file download: after 3 s.
    loader->answer(last(), true, listOf({"f1.gz"}));
    const size_t download = last();
    loader->answer(download, false, std::string(), 404);
    EXPECT_TRUE(home.logHas("DownloadStockHistoryDataCallback failed! retry:" + FILE_BASE + "f1.gz"));
    stepFor(2.8f, TIMER_STEP);
    EXPECT_EQ(loader->sent.size(), download + 1);
    stepFor(0.4f, TIMER_STEP);
    ASSERT_EQ(loader->sent.size(), download + 2);
    EXPECT_EQ(lastRequest().url, FILE_BASE + "f1.gz");
    EXPECT_EQ(lastRequest().tag, loader->sent[download].tag);
}

TEST_F(KLineHistoryLoaderTest, RefillMergesUpToTheHeldBarsAndShowsTheNewest) {
    loadWeek();
    host.scrollOffset = -50;  // the user looks at the newest bars
    loader->refill();
    EXPECT_TRUE(loader->isRefillMode());
    ASSERT_EQ(lastRequest().method, "GET");
    const int shown = host.showNewestCount;
    // Missed while disconnected: 100 new bars after the 600 held.
    loader->answer(last(), true, gzipWithTool(barLines(WEEK_START, 700, STEP)));
    ASSERT_TRUE(pumpUntil([&] { return !loader->isRefillMode(); }));
    EXPECT_EQ(series().size(), 700u);
    EXPECT_TRUE(isStrictlyAscending(series()));
    EXPECT_EQ(host.showNewestCount, shown + 1);
    EXPECT_EQ(loader->getWeekBatchState(), BATCH_IDLE);
    EXPECT_TRUE(home.logHas("insertWeekHistoryKLine: got same kline then remove all exist Kline"));
}

TEST_F(KLineHistoryLoaderTest, AHiddenWindowHoldsItsRetriesUntilItIsShown) {
    // A refused history list, the window hidden before its retry falls due: nothing goes out.
    loadWeek();
    loader->answer(last(), true, std::string("{\"result\":0}"));
    loader->setWindowShown(false);
    const size_t refused = loader->sent.size();
    stepFor(30.0f, TIMER_STEP);
    EXPECT_EQ(loader->sent.size(), refused);
    EXPECT_TRUE(home.logHas("[EURUSD] window hidden: retry held until it is shown"));
    // Shown again: the held retry goes out at once, once.
    loader->setWindowShown(true);
    ASSERT_EQ(loader->sent.size(), refused + 1);
    EXPECT_EQ(lastRequest().method, "POST");

    // The same for a failed download and a failed week request.
    loader->answer(last(), true, listOf({"f1.gz"}));
    loader->answer(last(), false, std::string(), 404);
    loader->setWindowShown(false);
    stepFor(30.0f, TIMER_STEP);
    EXPECT_EQ(loader->sent.size(), refused + 2);
    loader->setWindowShown(true);
    ASSERT_EQ(loader->sent.size(), refused + 3);
    EXPECT_EQ(lastRequest().url, FILE_BASE + "f1.gz");

    loader->setTimeType(3, true);
    loader->answer(last(), false, std::string());
    loader->setWindowShown(false);
    stepFor(30.0f, TIMER_STEP);
    EXPECT_EQ(loader->sent.size(), refused + 4);
    loader->setWindowShown(true);
    ASSERT_EQ(loader->sent.size(), refused + 5);
    EXPECT_EQ(lastRequest().url, std::string(DEFAULT_KWEEK_DATA_URL) + "EURUSD/30");
}

TEST_F(KLineHistoryLoaderTest, AFileThatInflatesBeyondItsCapIsACorruptFile) {
    EXPECT_EQ(KLineHistoryLoader::inflatedLimit(1000), 64000u);
    EXPECT_EQ(KLineHistoryLoader::inflatedLimit(size_t{16} << 20), size_t{256} << 20);
    EXPECT_EQ(KLineHistoryLoader::inflatedLimit(SIZE_MAX), size_t{256} << 20);

    // 8 MiB of zeros shrink to a few KiB: far more than 64 times.
    loadWeek();
    loader->answer(last(), true, listOf({"bomb.gz"}));
    const std::vector<unsigned char> bomb = gzipWithTool(std::string(size_t{8} << 20, '\0'));
    ASSERT_FALSE(bomb.empty());
    ASSERT_LT(bomb.size() * 64, size_t{8} << 20);
    loader->answer(last(), true, bomb);
    ASSERT_TRUE(pumpUntil([&] { return home.logHas("history file failed to parse, will retry after:3"); }));
    EXPECT_TRUE(home.logHas("gzipInflate failed: output larger than the limit"));
    EXPECT_EQ(series().size(), 600u);
    EXPECT_FALSE(fileExists(cachePath("bomb.gz")));
}
