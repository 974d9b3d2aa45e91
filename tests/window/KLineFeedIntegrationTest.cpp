// A series filled from the real local feed over HTTP: week history, then every history file back to
// the start of the feed's history, compared bar by bar with the feed's own data.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "CCDirector.h"
#include "CCHttpClient.h"
#include "CCNode.h"
#include "CCmdPacket.h"
#include "ConfigTable.h"
#include "FileHelpers.h"
#include "KLineHistoryLoader.h"
#include "NodePeer.h"
#include "WindowTestSupport.h"

USING_NS_CC;

namespace {
constexpr int HISTORY_DAYS = 14;
constexpr int TIME_TYPE_INDEX = 1;  // 5 minutes: about eight history files behind the week history
constexpr double LOAD_DEADLINE_SECONDS = 180;

struct FeedBar {
    uint32_t time = 0;
    float open = 0, high = 0, low = 0, close = 0;
    int32_t volume = 0;
};

std::vector<FeedBar> parseFeedBars(const std::string& text) {
    std::vector<FeedBar> bars;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        FeedBar bar;
        unsigned long time = 0;
        long volume = 0;
        if (std::sscanf(line.c_str(), "%lu,%f,%f,%f,%f,%ld", &time, &bar.open, &bar.high, &bar.low,
                        &bar.close, &volume) != 6) {
            continue;
        }
        bar.time = static_cast<uint32_t>(time);
        bar.volume = static_cast<int32_t>(volume);
        bars.push_back(bar);
    }
    return bars;
}

bool writeConfigTable(const std::string& path, const std::string& key, const std::string& value) {
    CCmdPacket packet(4096);
    packet.writeUInt16(1);
    packet.writeLongString(key);
    packet.writeLongString(value);
    std::vector<unsigned char> bytes(packet.getData(), packet.getData() + packet.getLength());
    scrambleDataTable(bytes.data(), bytes.size());
    return writeWholeFile(path, bytes);
}

size_t countLines(const std::string& text, const std::string& needle) {
    size_t count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
    return count;
}

class KLineFeedIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string feed = ZENTO_FEED_DIR;
        if (access((feed + "/node_modules").c_str(), F_OK) != 0) {
            GTEST_SKIP()
                << "the feed's modules are not installed (npm ci in feed/, scripts/setup.sh does it)";
        }
        ASSERT_TRUE(feedPeer.start(feed + "/server.js",
                                   {"--port", "0", "--news-port", "0", "--data", home.folder() + "feed-data",
                                    "--history-days", std::to_string(HISTORY_DAYS), "--quiet"},
                                   "feed: listening http=", 30))
            << "the feed did not start: " << feedPeer.error();
        port = feedPeer.port();
        base = "http://127.0.0.1:" + std::to_string(port);
        ASSERT_TRUE(
            writeConfigTable(home.folder() + "config.xc", CONFIG_KEY_KWEEK_DATA_URL, base + "/aweek/"));
        ASSERT_TRUE(loadConfigTable(home.folder() + "config.xc"));
        host.historyServer = base + "/history.php";
        // The user keeps the chart at its oldest bar, so history loads until it is complete.
        host.scrollOffset = 1;

        CCDirector::purgeDirector();
        scene = CCScene::create();
        CCDirector::sharedDirector()->runWithScene(scene);
    }
    void TearDown() override {
        if (loader) loader->shutdown();
        CCHttpClient::destroyInstance();
        CCDirector::purgeDirector();
        clearConfigTable();
        feedPeer.stop();
    }

    // A window showing EURUSD at 5 minutes, loaded until its history is complete.
    void loadEverything() {
        if (loader) {
            loader->shutdown();
            loader->removeFromParent();
        }
        loader = KLineHistoryLoader::create(&host);
        loader->setView(&host);
        scene->addChild(loader);
        loader->setSymbol("EURUSD");
        loader->setTimeType(TIME_TYPE_INDEX, true);
        loader->scheduleHistoryTick();
        ASSERT_TRUE(pumpUntil([&] { return loader->getHistoryBatchState() == BATCH_COMPLETE; },
                              LOAD_DEADLINE_SECONDS))
            << "week state " << loader->getWeekBatchState() << ", history state "
            << loader->getHistoryBatchState() << ", bars " << loader->series().size();
    }

    ScopedHome home;
    NodePeer feedPeer;
    RecordingHost host;
    int port = 0;
    std::string base;
    CCScene* scene = nullptr;
    KLineHistoryLoader* loader = nullptr;
};
}  // namespace

TEST_F(KLineFeedIntegrationTest, SeriesLoadsEveryHistoryFileAndEqualsTheFeedsData) {
    loadEverything();
    const KLineSeries& series = loader->series();
    EXPECT_GT(host.weekMergedCount, 0);
    EXPECT_TRUE(isStrictlyAscending(series));
    const std::string log = home.logText();
    const size_t downloads = countLines(log, "download file:[EURUSD]");
    EXPECT_GE(downloads, 5u) << "the history should span several files";

    std::string dump;
    ASSERT_TRUE(runForOutput({"node", std::string(ZENTO_WINDOW_TEST_DIR) + "/peers/feedBars.js",
                              ZENTO_FEED_DIR, "EURUSD", "5", std::to_string(HISTORY_DAYS)},
                             dump));
    const std::vector<FeedBar> expected = parseFeedBars(dump);
    ASSERT_FALSE(expected.empty());

    // The newest bar of the series was in progress when the week history was made; every bar before
    // it must be exactly the feed's, with none missing and none extra.
    const uint32_t newest = series.newestBar()->time;
    size_t complete = 0;
    while (complete < expected.size() && expected[complete].time < newest) ++complete;
    ASSERT_EQ(series.size() - 1, complete);
    for (size_t i = 0; i < complete; ++i) {
        const KLineBar& bar = *series.barAt(i);
        const FeedBar& want = expected[i];
        ASSERT_EQ(bar.time, want.time) << "bar " << i;
        EXPECT_EQ(bar.open, want.open) << "bar " << i;
        EXPECT_EQ(bar.high, want.high) << "bar " << i;
        EXPECT_EQ(bar.low, want.low) << "bar " << i;
        EXPECT_EQ(bar.close, want.close) << "bar " << i;
        EXPECT_EQ(bar.volume, want.volume) << "bar " << i;
    }
    EXPECT_EQ(host.tint, (std::vector<int>{250, 0, 0}));
    // A live bar continues the series.
    loader->updateKLine(newest + 300, 1.0f, 1.1f, 0.9f, 1.05f, 10);
    EXPECT_EQ(series.size(), complete + 2);
    EXPECT_TRUE(isStrictlyAscending(series));

    // Every history file is in the cache now: a second window of the same instrument and time type
    // downloads none of them again and ends with the same bars.
    std::vector<uint32_t> firstTimes;
    for (size_t i = 0; i + 1 < series.size(); ++i) firstTimes.push_back(series.barAt(i)->time);
    loadEverything();
    EXPECT_EQ(countLines(home.logText(), "download file:[EURUSD]"), downloads);
    ASSERT_GE(loader->series().size(), firstTimes.size() - 1);
    for (size_t i = 0; i + 1 < firstTimes.size(); ++i) {
        ASSERT_EQ(loader->series().barAt(i)->time, firstTimes[i]) << "bar " << i;
    }
}
