#include "KLineBarPool.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "KLineBar.h"
#include "KLineSeries.h"
#include "ParseKLineStruct.h"
#include "WindowTestSupport.h"

namespace {
KLineBar marked(uint32_t mark) {
    return KLineBar(mark, static_cast<float>(mark), 0, 0, static_cast<float>(mark),
                    static_cast<int32_t>(mark));
}

bool holdsMark(const KLineBar& bar, uint32_t mark) {
    return bar.time == mark && bar.open == static_cast<float>(mark) &&
           bar.close == static_cast<float>(mark) && bar.volume == static_cast<int32_t>(mark);
}
}  // namespace

// Bars made on a parse thread (a reserved run of blocks, then grown ones) outlive it, are freed on
// this thread in any order while this thread makes its own, and no two live bars ever share room.
TEST(KLineBarPool, BarsNeverShareRoomAndOutliveTheirThread) {
    std::vector<std::unique_ptr<KLineBar>> bars;
    std::thread parser([&] {
        KLineBarPool::reserve(30000);
        for (uint32_t k = 0; k < 40000; ++k) bars.push_back(std::make_unique<KLineBar>(marked(k)));
        KLineBarPool::reserve(0);
    });
    parser.join();
    std::mt19937 random(3);
    std::shuffle(bars.begin(), bars.end(), random);
    for (uint32_t k = 0; k < 30000; ++k) {
        bars[k].reset();
        bars[k] = std::make_unique<KLineBar>(marked(100000 + k));
    }
    bars.resize(35000);
    for (const auto& bar : bars) {
        const uint32_t mark = bar->time;
        *bar = marked(mark);
    }
    size_t intact = 0;
    for (const auto& bar : bars) intact += holdsMark(*bar, bar->time) ? 1 : 0;
    EXPECT_EQ(intact, bars.size());
    std::vector<const KLineBar*> addresses;
    for (const auto& bar : bars) addresses.push_back(bar.get());
    std::sort(addresses.begin(), addresses.end());
    for (size_t k = 1; k < addresses.size(); ++k)
        ASSERT_GE(
            reinterpret_cast<const char*>(addresses[k]) - reinterpret_cast<const char*>(addresses[k - 1]),
            static_cast<std::ptrdiff_t>(sizeof(KLineBar)));
}

// The chart keeps pointers to bars: merging a large history before and after them moves none.
TEST(KLineBarPool, BarsStayPutWhileLargeHistoriesMerge) {
    ScopedHome home;
    KLineSeries series;
    series.updateKLine(1800000000, 1, 2, 0.5, 1.5, 3);
    KLineBar* live = series.findBar(1800000000);
    ASSERT_NE(live, nullptr);
    for (const char* close : {"1.2", "1.4"}) {
        std::string csv;
        for (int i = 0; i < 300000; ++i)
            csv += std::to_string(1700000000 + 60 * i) + ",1.1,1.5,1.0," + close + ",15\n";
        size_t skipped = 0;
        auto parsed = ParseKLineStruct::parseBars(reinterpret_cast<const unsigned char*>(csv.data()),
                                                  csv.size(), skipped);
        {
            std::lock_guard<std::mutex> guard(series.getHistoryBatch()->lock);
            series.getHistoryBatch()->bars = std::move(parsed);
            series.getHistoryBatch()->state = BATCH_PARSED;
        }
        // The second batch brings only known times: their prices are updated in place.
        KLineBar* middle = series.findBar(1700000000 + 60 * 150000);
        series.insertHistoryKLine();
        ASSERT_EQ(series.size(), 300001u);
        EXPECT_EQ(series.findBar(1800000000), live);
        EXPECT_EQ(live->close, 1.5f);
        EXPECT_EQ(series.findBar(1700000000 + 60 * 150000)->close, std::stof(close));
        if (middle) {
            EXPECT_EQ(series.findBar(1700000000 + 60 * 150000), middle);
        }
    }
}
