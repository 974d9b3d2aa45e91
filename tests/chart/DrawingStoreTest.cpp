// The saved drawings file and the anchoring of saved points on a series.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CCCommon.h"
#include "DrawingAnchors.h"
#include "DrawingStore.h"
#include "KLineBar.h"
#include "TempHome.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {
std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

DrawingRecord drawing(int type, size_t pointCount, int64_t firstTime = 1700000000) {
    DrawingRecord record;
    record.type = type;
    for (size_t k = 0; k < pointCount; ++k) {
        record.points.push_back({firstTime + static_cast<int64_t>(k) * 300, 100.25 + static_cast<double>(k)});
    }
    return record;
}

// A file of one chart ("EURUSD", 5) with these drawing objects.
std::string fileWith(const std::string& drawings) {
    return R"({"format":"zento-drawings","version":1,"charts":[{"symbol":"EURUSD","ttype":5,"drawings":[)" +
           drawings + "]}]}";
}

class DrawingStoreTest : public ::testing::Test {
protected:
    DrawingStoreTest() {
        cocos2d::CCLogSetSink([this](const std::string& line) { log_.push_back(line); });
    }
    ~DrawingStoreTest() override { cocos2d::CCLogSetSink(nullptr); }

    std::string path() const { return home_.file(DrawingStore::FILE_NAME); }
    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(home_.path()))
            names.push_back(entry.path().filename());
        return names;
    }
    size_t logLinesWith(const std::string& text) const {
        size_t count = 0;
        for (const std::string& line : log_) count += line.find(text) != std::string::npos;
        return count;
    }

    TempHome home_{"zento-drawings", TempHome::Use::FOLDER};
    std::vector<std::string> log_;
};
}  // namespace

TEST_F(DrawingStoreTest, EveryFieldSurvivesSaveAndLoad) {
    DrawingRecord text = drawing(15, 1, 0);
    text.colour[0] = 0.125f;
    text.colour[1] = 0.3f;
    text.colour[2] = 1.0f;
    text.colour[3] = 0.0f;
    text.colourIndex = 7;
    text.widthIndex = 2;
    text.lineWidth = 2.7f;
    text.locked = true;
    text.hidden = true;
    text.text = std::string("Støtte \"A\"\n\t\\ 支撑位 ") + '\0' + "end";
    text.points[0].price = 1.0000000000000002;
    DrawingRecord polygon = drawing(6, 24);
    polygon.points.back() = {DrawingStore::MAX_POINT_TIME, -1e-300};

    DrawingStore store(home_.path());
    ASSERT_TRUE(store.load());
    ASSERT_TRUE(store.put("EURUSD", 15, {text, polygon}));
    ASSERT_TRUE(store.put("EURUSD", 1440, {drawing(1, 2)}));

    DrawingStore reloaded(home_.folder());
    ASSERT_TRUE(reloaded.load());
    EXPECT_EQ(reloaded.get("EURUSD", 15), (std::vector<DrawingRecord>{text, polygon}));
    EXPECT_EQ(reloaded.get("EURUSD", 1440), std::vector<DrawingRecord>{drawing(1, 2)});
    const std::vector<DrawingStore::ChartKey> charts{{"EURUSD", 15}, {"EURUSD", 1440}};
    EXPECT_EQ(reloaded.charts(), charts);
    EXPECT_EQ(
        readBytes(path()).rfind(R"({"format":"zento-drawings","version":1,"charts":[{"symbol":"EURUSD")", 0),
        0u);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"drawings.json"}) << "no temporary file is left";
}

TEST_F(DrawingStoreTest, UnusableFilesAreLoggedAndLeftAloneUntilAPut) {
    const std::string valid = fileWith(R"({"type":2,"points":[[1700000000,1.5]]})");
    const std::vector<std::pair<std::string, std::string>> files{
        {"garbage", "\x89PNG\r\n\x1a\n\0\0 not json"s},
        {"truncated", valid.substr(0, valid.size() - 7)},
        {"foreign", R"({"format":"other-drawings","version":1,"charts":[]})"},
        {"newer", R"({"format":"zento-drawings","version":2,"charts":[]})"},
        {"no version", R"({"format":"zento-drawings","charts":[]})"},
        {"charts not a list", R"({"format":"zento-drawings","version":1,"charts":{}})"},
        {"symbol a number",
         R"({"format":"zento-drawings","version":1,"charts":[{"symbol":5,"ttype":5,"drawings":[]}]})"},
        {"top is a list", "[1,2,3]"},
        {"NaN price", fileWith(R"({"type":2,"points":[[1700000000,NaN]]})")},
        {"price below the smallest double",
         fileWith(R"({"type":2,"points":[[1700000000,0.000000000000000000000000006E-322]]})")},
        {"too large", valid + std::string(DrawingStore::MAX_FILE_BYTES, ' ')},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        writeBytes(path(), bytes);
        log_.clear();
        DrawingStore store(home_.path());
        EXPECT_FALSE(store.load());
        EXPECT_TRUE(store.charts().empty());
        EXPECT_EQ(log_.size(), 1u);
        EXPECT_EQ(logLinesWith("drawings.json"), 1u);
        EXPECT_EQ(readBytes(path()), bytes);
    }

    // The first put replaces the unusable file with a good one.
    DrawingStore store(home_.path());
    EXPECT_FALSE(store.load());
    ASSERT_TRUE(store.put("EURUSD", 5, {drawing(2, 1)}));
    DrawingStore reloaded(home_.path());
    EXPECT_TRUE(reloaded.load());
    EXPECT_EQ(reloaded.get("EURUSD", 5), std::vector<DrawingRecord>{drawing(2, 1)});

    // No file at all is an empty store, not a failure.
    fs::remove(path());
    DrawingStore fresh(home_.path());
    EXPECT_TRUE(fresh.load());
    EXPECT_FALSE(fs::exists(path()));
}

TEST_F(DrawingStoreTest, SenselessDrawingsAreSkippedAndBadIndicesDefaulted) {
    const std::string kept = R"({"type":2,"points":[[1,1]],"colourIndex":7,"widthIndex":0},)"
                             R"({"type":24,"points":[[1,1]],"colourIndex":8,"widthIndex":3},)"
                             R"({"type":14,"points":[[1,1],[2,2]],"colourIndex":-5,"widthIndex":-1},)"
                             R"({"type":7,"points":[[1,1],[2,2],[3,3]]},)"
                             R"({"type":6,"points":[[1,1],[2,2],[3,3]]},)"
                             R"({"type":26,"points":[[1,1],[2,2],[3,3],[4294967296,4]]})";
    const std::string skipped = R"({"type":9,"points":[[1,1]]},)"
                                R"({"type":27,"points":[[1,1]]},)"
                                R"({"type":0,"points":[[1,1]]},)"
                                R"({"type":2,"points":[[1,1],[2,2]]},)"
                                R"({"type":1,"points":[[1,1]]},)"
                                R"({"type":6,"points":[[1,1],[2,2]]},)"
                                R"({"type":25,"points":[[1,1],[2,2],[3,3]]},)"
                                R"({"type":2,"points":[[-1,1]]},)"
                                R"({"type":2,"points":[[4294967297,1]]},)"
                                R"({"type":2,"points":[[1.5,1]]},)"
                                R"({"type":2,"points":[[1,"1"]]},)"
                                R"({"type":2,"points":[[1,1]],"locked":1},)"
                                R"({"type":2,"points":[[1,1]],"colour":[1,1,1]},)"
                                R"({"type":"2","points":[[1,1]]},)"
                                "17,";
    writeBytes(path(), fileWith(skipped + kept));
    DrawingStore store(home_.path());
    ASSERT_TRUE(store.load());
    const std::vector<DrawingRecord>& records = store.get("EURUSD", 5);
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[0].colourIndex, 7);
    EXPECT_EQ(records[0].widthIndex, 0);
    EXPECT_EQ(records[1].colourIndex, -1);
    EXPECT_EQ(records[1].widthIndex, -1);
    EXPECT_EQ(records[2].colourIndex, -1);
    EXPECT_EQ(records[5].points.back().time, DrawingStore::MAX_POINT_TIME);
    EXPECT_EQ(logLinesWith("skipped 15 drawings"), 1u);
    EXPECT_EQ(log_.size(), 1u);

    // put() keeps only what a load would keep.
    DrawingRecord noPrice = drawing(2, 1);
    noPrice.points[0].price = std::numeric_limits<double>::quiet_NaN();
    DrawingRecord badColour = drawing(2, 1);
    badColour.colour[3] = std::numeric_limits<float>::infinity();
    DrawingRecord outOfRange = drawing(2, 1);
    outOfRange.colourIndex = 9;
    outOfRange.colour[0] = 3.0f;
    ASSERT_TRUE(store.put("EURUSD", 5, {noPrice, drawing(9, 1), badColour, outOfRange}));
    ASSERT_EQ(store.get("EURUSD", 5).size(), 1u);
    EXPECT_EQ(store.get("EURUSD", 5)[0].colourIndex, -1);
    EXPECT_EQ(store.get("EURUSD", 5)[0].colour[0], 1.0f);
}

TEST_F(DrawingStoreTest, TextsDrawingsChartsAndSavesAreCapped) {
    DrawingStore store(home_.path());
    ASSERT_TRUE(store.load());
    DrawingRecord twoByteText = drawing(15, 1);
    for (int k = 0; k < 200; ++k) twoByteText.text += "é";
    DrawingRecord brokenText = drawing(15, 1);
    brokenText.text = std::string(255, 'a') + "é" + "\xff";
    DrawingRecord invalidBytes = drawing(15, 1);
    invalidBytes.text =
        "a\xc3(b\xed\xa0\x80"
        "c\xf4\x90\x80\x80";
    std::vector<DrawingRecord> many(DrawingStore::MAX_DRAWINGS_PER_CHART + 1, drawing(2, 1));
    many.front() = twoByteText;
    many[1] = brokenText;
    many[2] = invalidBytes;
    ASSERT_TRUE(store.put("EURUSD", 5, many));
    const std::vector<DrawingRecord>& kept = store.get("EURUSD", 5);
    ASSERT_EQ(kept.size(), DrawingStore::MAX_DRAWINGS_PER_CHART);
    EXPECT_EQ(kept[0].text.size(), 256u);
    EXPECT_EQ(kept[0].text.substr(0, 4), "éé");
    EXPECT_EQ(kept[1].text, std::string(255, 'a'));
    EXPECT_EQ(kept[2].text, "a(bc");

    for (int k = 1; k < static_cast<int>(DrawingStore::MAX_CHARTS); ++k) {
        ASSERT_TRUE(store.put("S" + std::to_string(k), 60, {drawing(2, 1)}));
    }
    EXPECT_FALSE(store.put("ONE_TOO_MANY", 60, {drawing(2, 1)}));
    EXPECT_TRUE(store.get("ONE_TOO_MANY", 60).empty());
    EXPECT_TRUE(store.put("S1", 60, {drawing(3, 2)})) << "an existing chart may still change";
    EXPECT_TRUE(store.put("S1", 60, {}));
    EXPECT_TRUE(store.put("ONE_TOO_MANY", 60, {drawing(2, 1)})) << "an emptied chart frees its place";

    // A file with more charts than allowed keeps the first ones.
    std::string charts;
    for (int k = 0; k <= static_cast<int>(DrawingStore::MAX_CHARTS); ++k) {
        charts += std::string(k ? "," : "") + R"({"symbol":"S)" + std::to_string(k) +
                  R"(","ttype":1,"drawings":[{"type":2,"points":[[1,1]]}]})";
    }
    writeBytes(path(), R"({"format":"zento-drawings","version":1,"charts":[)" + charts + "]}");
    DrawingStore capped(home_.path());
    ASSERT_TRUE(capped.load());
    EXPECT_EQ(capped.charts().size(), DrawingStore::MAX_CHARTS);
    EXPECT_TRUE(capped.get("S200", 1).empty());

    // Saving what the loader would refuse fails and keeps the old file.
    const std::string before = readBytes(path());
    const std::string record =
        R"({"type":15,"text":")" + std::string(DrawingStore::MAX_TEXT_BYTES, 'x') + R"(","points":[[1,1]]})";
    std::string big;
    for (size_t chart = 0; big.size() <= DrawingStore::MAX_FILE_BYTES; ++chart) {
        big += std::string(chart ? "," : "") + R"({"symbol":"B)" + std::to_string(chart) +
               R"(","ttype":1,"drawings":[)";
        for (size_t k = 0; k < DrawingStore::MAX_DRAWINGS_PER_CHART; ++k) big += (k ? "," : "") + record;
        big += "]}";
    }
    big = R"({"format":"zento-drawings","version":1,"charts":[)" + big + "]}";
    ASSERT_TRUE(capped.loadFromBytes(big.data(), big.size()));
    log_.clear();
    EXPECT_FALSE(capped.save());
    EXPECT_EQ(logLinesWith("would exceed"), 1u);
    EXPECT_EQ(readBytes(path()), before);
}

TEST_F(DrawingStoreTest, ChartsAreKeptApartAndListenersHearTheirChanges) {
    DrawingStore store(home_.path());
    ASSERT_TRUE(store.load());
    std::vector<DrawingStore::ChartKey> heard;
    const int token =
        store.addListener([&](const std::string& symbol, int ttype) { heard.emplace_back(symbol, ttype); });
    int selfRemovingCalls = 0;
    int selfRemoving = 0;
    selfRemoving = store.addListener([&](const std::string&, int) {
        ++selfRemovingCalls;
        store.removeListener(selfRemoving);
    });

    ASSERT_TRUE(store.put("EURUSD", 5, {drawing(1, 2)}));
    ASSERT_TRUE(store.put("EURUSD", 15, {drawing(2, 1), drawing(2, 1)}));
    ASSERT_TRUE(store.put("USDJPY", 5, {drawing(3, 2), drawing(3, 2), drawing(3, 2)}));
    EXPECT_EQ(store.get("EURUSD", 5).size(), 1u);
    EXPECT_EQ(store.get("EURUSD", 15).size(), 2u);
    EXPECT_EQ(store.get("USDJPY", 5).size(), 3u);
    EXPECT_TRUE(store.get("USDJPY", 15).empty());
    const std::vector<DrawingStore::ChartKey> expected{{"EURUSD", 5}, {"EURUSD", 15}, {"USDJPY", 5}};
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(selfRemovingCalls, 1);

    // Refused charts change nothing and tell nobody.
    EXPECT_FALSE(store.put("EURUSD", 7, {drawing(1, 2)}));
    EXPECT_FALSE(store.put("", 5, {drawing(1, 2)}));
    EXPECT_FALSE(store.put(std::string(DrawingStore::MAX_SYMBOL_BYTES + 1, 'S'), 5, {drawing(1, 2)}));
    EXPECT_EQ(heard.size(), 3u);

    store.removeListener(token);
    ASSERT_TRUE(store.put("EURUSD", 5, {}));
    EXPECT_EQ(heard.size(), 3u);
    DrawingStore reloaded(home_.path());
    ASSERT_TRUE(reloaded.load());
    EXPECT_EQ(reloaded.charts(), (std::vector<DrawingStore::ChartKey>{{"EURUSD", 15}, {"USDJPY", 5}}));
}

TEST_F(DrawingStoreTest, AFailedWriteKeepsTheOldFileAndTheListsInMemory) {
    DrawingStore store(home_.path());
    ASSERT_TRUE(store.load());
    ASSERT_TRUE(store.put("EURUSD", 5, {drawing(2, 1)}));
    const std::string before = readBytes(path());
    DrawingRecord longText = drawing(15, 1);
    longText.text = std::string(DrawingStore::MAX_TEXT_BYTES, 'x');

    // Even root cannot write past the file size limit.
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit lowered = previous;
    lowered.rlim_cur = before.size() + 16;
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &lowered);
    log_.clear();
    const bool saved = store.put("EURUSD", 5, {longText});
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(log_.size(), 1u);
    EXPECT_EQ(logLinesWith("drawings.json"), 1u);
    EXPECT_EQ(store.get("EURUSD", 5), std::vector<DrawingRecord>{longText});
    EXPECT_EQ(readBytes(path()), before);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"drawings.json"});

    // A folder that cannot hold the file fails the same way.
    writeBytes(home_.file("blocker"), "x");
    DrawingStore blocked(home_.file("blocker"));
    EXPECT_FALSE(blocked.put("EURUSD", 5, {drawing(2, 1)}));
    EXPECT_EQ(blocked.get("EURUSD", 5).size(), 1u);
}

namespace {
constexpr int64_t PERIOD = 300;

// Bars every PERIOD seconds from start, with a gap (a missing bar) after the second.
KLineBarList barsFrom(uint32_t start, int count) {
    KLineBarList bars;
    for (int k = 0; k < count; ++k) {
        auto bar = std::make_unique<KLineBar>();
        bar->time = start + static_cast<uint32_t>((k < 2 ? k : k + 1) * PERIOD);
        bars.push_back(std::move(bar));
    }
    return bars;
}
}  // namespace

TEST(DrawingAnchors, PointsResolveToTheirBarOrBeyondTheEnds) {
    using DrawingAnchors::pointTime;
    using DrawingAnchors::resolveAnchor;
    const uint32_t start = 1700000100;
    KLineBarList bars = barsFrom(start, 4);  // start, +300, +900, +1200
    EXPECT_EQ(pointTime(*bars[1], 0, PERIOD), start + 300);
    EXPECT_EQ(pointTime(*bars[0], -3, PERIOD), int64_t{start} - 900);
    EXPECT_EQ(pointTime(*bars[3], 2, 1440 * 60), int64_t{start} + 1200 + 2 * 86400);
    EXPECT_EQ(pointTime(*bars[3], 1 << 30, int64_t{1} << 40), std::numeric_limits<int64_t>::max());

    const auto expectAnchor = [&](int64_t time, int position, int offset) {
        const DrawingAnchor anchor = resolveAnchor(bars, time, PERIOD);
        EXPECT_TRUE(anchor.resolved) << time;
        EXPECT_EQ(anchor.barPosition, position) << time;
        EXPECT_EQ(anchor.barOffset, offset) << time;
    };
    expectAnchor(start, 0, 0);
    expectAnchor(start + 300, 1, 0);
    expectAnchor(start + 899, 1, 0);  // in the gap: the bar before
    expectAnchor(start + 1200, 3, 0);
    expectAnchor(start + 1200 + 3 * PERIOD, 3, 3);
    expectAnchor(start + 1200 + 3 * PERIOD + 100, 3, 3);  // rounded to whole periods
    expectAnchor(start + 1200 + 3 * PERIOD + 200, 3, 4);
    expectAnchor(start - 2 * PERIOD, 0, -2);
    expectAnchor(start - 2 * PERIOD - 100, 0, -2);
    expectAnchor(std::numeric_limits<int64_t>::min(), 0, std::numeric_limits<int>::min() + 1);
    expectAnchor(std::numeric_limits<int64_t>::max(), 3, std::numeric_limits<int>::max());
    EXPECT_EQ(pointTime(*bars[0], resolveAnchor(bars, start - 7 * PERIOD, PERIOD).barOffset, PERIOD),
              start - 7 * PERIOD);
    EXPECT_FALSE(resolveAnchor(KLineBarList{}, start, PERIOD).resolved);

    // Older history put in front: the same time now finds its real bar.
    const int64_t older = start - 5 * PERIOD;
    ASSERT_EQ(resolveAnchor(bars, older, PERIOD).barOffset, -5);
    KLineBarList history = barsFrom(static_cast<uint32_t>(start - 10 * PERIOD), 9);
    const KLineBar* olderBar = history[4].get();
    ASSERT_EQ(olderBar->time, older);
    history.insert(history.end(), std::make_move_iterator(bars.begin()), std::make_move_iterator(bars.end()));
    const DrawingAnchor anchor = resolveAnchor(history, older, PERIOD);
    ASSERT_TRUE(anchor.resolved);
    EXPECT_EQ(history[anchor.barPosition].get(), olderBar);
    EXPECT_EQ(anchor.barOffset, 0);
}
