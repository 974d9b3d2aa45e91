#include "KLineSeries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "WindowTestSupport.h"
#include "reference/IndicatorReference.h"

namespace {
constexpr size_t REFERENCE_COUNT = std::size(INDICATOR_REFERENCE);

std::unique_ptr<KLineBar> referenceBar(size_t i) {
    const IndicatorReferenceRow& row = INDICATOR_REFERENCE[i];
    return std::make_unique<KLineBar>(row.time, row.open, row.high, row.low, row.close, row.volume);
}

// Parks bars in a batch as the parse thread would leave them.
void parkBatch(ParseKLineStruct& batch, std::vector<std::unique_ptr<KLineBar>> bars) {
    std::lock_guard<std::mutex> guard(batch.lock);
    batch.bars = std::move(bars);
    batch.state = BATCH_PARSED;
}

std::vector<std::unique_ptr<KLineBar>> barsAt(const std::vector<uint32_t>& times, float close = 1.5f) {
    std::vector<std::unique_ptr<KLineBar>> bars;
    for (uint32_t time : times)
        bars.push_back(std::make_unique<KLineBar>(time, close, close + 1, close - 1, close, 7));
    return bars;
}

// Float values computed the same way agree to a few units in the last place.
void expectClose(float actual, float expected, const char* what, size_t i) {
    EXPECT_NEAR(actual, expected, 1e-6 + 4e-7 * std::fabs(expected)) << what << " of bar " << i;
}

bool sameColour(const KLineBar& bar, const float* colour) {
    return std::equal(bar.color, bar.color + 4, colour);
}

class KLineSeriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        series.setHost(&host);
        series.setView(&host);
        series.setSymbol("EURUSD");
    }
    void loadReference() {
        std::vector<std::unique_ptr<KLineBar>> bars;
        for (size_t i = 0; i < REFERENCE_COUNT; ++i) bars.push_back(referenceBar(i));
        parkBatch(*series.getHistoryBatch(), std::move(bars));
        ASSERT_EQ(series.insertHistoryKLine(), REFERENCE_COUNT);
    }

    ScopedHome home;
    RecordingHost host;
    KLineSeries series;
};
}  // namespace

TEST_F(KLineSeriesTest, WholeSeriesIndicatorsMatchTheReference) {
    loadReference();
    ASSERT_EQ(series.size(), REFERENCE_COUNT);
    // The reference data reaches both KDJ clamps and the flat stretch where the range is 0.
    bool sawTop = false;
    bool sawBottom = false;
    for (const auto& row : INDICATOR_REFERENCE) {
        sawTop = sawTop || row.k == 100.0f;
        sawBottom = sawBottom || row.j == 1.0f;
    }
    EXPECT_TRUE(sawTop && sawBottom);

    for (size_t i = 0; i < REFERENCE_COUNT; ++i) {
        const KLineBar& bar = *series.barAt(i);
        const IndicatorReferenceRow& row = INDICATOR_REFERENCE[i];
        EXPECT_EQ(bar.index, static_cast<int32_t>(i));
        for (int slot = 0; slot < 3; ++slot) expectClose(bar.ma[slot], row.ma[slot], "MA", i);
        expectClose(bar.kdjK, row.k, "K", i);
        expectClose(bar.kdjD, row.d, "D", i);
        expectClose(bar.kdjJ, row.j, "J", i);
        EXPECT_GE(bar.kdjJ, 1.0f);
        EXPECT_LE(bar.kdjJ, 100.0f);
        expectClose(bar.ema12, row.ema12, "EMA12", i);
        expectClose(bar.ema26, row.ema26, "EMA26", i);
        expectClose(bar.dif, row.dif, "DIF", i);
        expectClose(bar.dea, row.dea, "DEA", i);
        expectClose(bar.macd, row.macd, "MACD", i);
        // The default Bollinger period is 20.
        expectClose(bar.bollMid, row.boll[2][0], "BOLL mid", i);
        EXPECT_EQ(bar.bollMA, bar.bollMid);
        expectClose(bar.bollUpper, row.boll[2][1], "BOLL upper", i);
        expectClose(bar.bollLower, row.boll[2][2], "BOLL lower", i);
    }
    // Bars 0 to 8 keep the KDJ start values; bar 0 has no MACD.
    EXPECT_EQ(series.barAt(8)->kdjK, 50.0f);
    EXPECT_EQ(series.barAt(0)->macd, 0.0f);
    EXPECT_NE(series.barAt(1)->ema12, 0.0f);
}

TEST_F(KLineSeriesTest, BollingerFollowsThePeriodIndexWithOutOfRangeIndicesClamped) {
    loadReference();
    const struct {
        int index;
        int column;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {7, 2}, {-1, 0}, {3, 2}};
    for (const auto& c : cases) {
        series.setBollPeriodIndex(c.index);
        EXPECT_EQ(host.viewBollPeriodIndex, c.index);
        for (size_t i = 0; i < REFERENCE_COUNT; ++i) {
            const KLineBar& bar = *series.barAt(i);
            const float* expected = INDICATOR_REFERENCE[i].boll[c.column];
            expectClose(bar.bollMid, expected[0], "BOLL mid", i);
            expectClose(bar.bollUpper, expected[1], "BOLL upper", i);
            expectClose(bar.bollLower, expected[2], "BOLL lower", i);
        }
    }
    // Setting the same value again changes nothing.
    host.viewBollPeriodIndex = -100;
    series.setBollPeriodIndex(3);
    EXPECT_EQ(host.viewBollPeriodIndex, -100);
}

TEST_F(KLineSeriesTest, LiveBarsComputeTheNewestBarOnly) {
    // Fed one by one, each bar gets its values from the bars before it; a moving average waits until
    // the index is above its period and the bands until it is above theirs.
    for (size_t i = 0; i < REFERENCE_COUNT; ++i) {
        const IndicatorReferenceRow& row = INDICATOR_REFERENCE[i];
        series.updateKLine(row.time, row.open, row.high, row.low, row.close, row.volume);
        EXPECT_TRUE(host.changedIsNew);
        EXPECT_EQ(host.changedBar, series.barAt(i));
    }
    const int periods[3] = {5, 10, 20};
    for (size_t i = 0; i < REFERENCE_COUNT; ++i) {
        const KLineBar& bar = *series.barAt(i);
        const IndicatorReferenceRow& row = INDICATOR_REFERENCE[i];
        for (int slot = 0; slot < 3; ++slot) {
            expectClose(bar.ma[slot], i > static_cast<size_t>(periods[slot]) ? row.ma[slot] : 0.0f, "MA", i);
        }
        expectClose(bar.kdjK, row.k, "K", i);
        expectClose(bar.kdjJ, row.j, "J", i);
        expectClose(bar.macd, row.macd, "MACD", i);
        expectClose(bar.bollUpper, i > 20 ? row.boll[2][1] : 0.0f, "BOLL upper", i);
    }
    EXPECT_EQ(host.priceLabel, INDICATOR_REFERENCE[REFERENCE_COUNT - 1].close);
    EXPECT_EQ(host.buttonRedrawCount, static_cast<int>(REFERENCE_COUNT));
    // A live update leaves the rest of the series alone: no rebuild, no re-placing of the view.
    EXPECT_EQ(host.dropCount, 0);
    EXPECT_EQ(host.showNewestCount, 0);
}

TEST_F(KLineSeriesTest, LiveBarIsAppendedOrUpdatedInPlace) {
    series.updateKLine(600, 1.0f, 1.2f, 0.9f, 1.1f, 5);
    ASSERT_EQ(series.size(), 1u);
    EXPECT_TRUE(host.changedIsNew);
    // A new bar on an empty series takes its own close as the colour reference.
    EXPECT_TRUE(sameColour(*series.barAt(0), KLINE_RED));

    series.updateKLine(660, 1.1f, 1.3f, 1.0f, 1.2f, 6);
    series.updateKLine(720, 1.2f, 1.25f, 1.1f, 1.15f, 7);
    ASSERT_EQ(series.size(), 3u);
    KLineBar* middle = series.barAt(1);
    series.updateKLine(660, 1.1f, 1.4f, 1.0f, 1.35f, 9);
    EXPECT_EQ(series.size(), 3u);
    EXPECT_FALSE(host.changedIsNew);
    EXPECT_EQ(host.changedBar, middle);
    EXPECT_EQ(middle->index, 1);
    EXPECT_EQ(middle->close, 1.35f);
    EXPECT_EQ(middle->high, 1.4f);
    EXPECT_EQ(middle->volume, 9);
    EXPECT_EQ(series.findBar(660), middle);
    EXPECT_EQ(series.findBar(661), nullptr);
}

TEST_F(KLineSeriesTest, OutOfOrderBarsKeepTheSeriesAscending) {
    series.updateKLine(600, 1.0f, 1.2f, 0.9f, 1.1f, 5);
    series.updateKLine(720, 1.2f, 1.25f, 1.1f, 1.15f, 7);
    // A late live bar goes to its place; the bars after it move up one index.
    series.updateKLine(660, 1.1f, 1.3f, 1.0f, 1.2f, 6);
    ASSERT_EQ(series.size(), 3u);
    EXPECT_TRUE(isStrictlyAscending(series));
    EXPECT_EQ(series.barAt(1)->time, 660u);
    EXPECT_GT(host.dropCount, 0);
    // Its values and its successor's are recomputed as if the bars had come in order.
    KLineSeries inOrder;
    inOrder.updateKLine(600, 1.0f, 1.2f, 0.9f, 1.1f, 5);
    inOrder.updateKLine(660, 1.1f, 1.3f, 1.0f, 1.2f, 6);
    inOrder.updateKLine(720, 1.2f, 1.25f, 1.1f, 1.15f, 7);
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(series.barAt(i)->ema12, inOrder.barAt(i)->ema12) << i;
        EXPECT_EQ(series.barAt(i)->dif, inOrder.barAt(i)->dif) << i;
        EXPECT_EQ(series.barAt(i)->macd, inOrder.barAt(i)->macd) << i;
    }

    // A week batch that straddles what is held is merged in order, known bars updated.
    parkBatch(*series.getWeekBatch(), barsAt({540, 630, 660, 690, 780}, 2.0f));
    series.insertWeekHistoryKLine();
    ASSERT_EQ(series.size(), 7u);
    EXPECT_TRUE(isStrictlyAscending(series));
    EXPECT_EQ(series.findBar(660)->close, 2.0f);
    EXPECT_EQ(series.getEarliestTime(), 540u);
}

TEST_F(KLineSeriesTest, ColoursFollowTheConventionAndFlatBarsTheReference) {
    KLineBar rising(0, 1.0f, 2.0f, 0.5f, 1.5f, 0);
    rising.updateColor(0, false);
    EXPECT_TRUE(sameColour(rising, KLINE_RED));
    rising.updateColor(0, true);
    EXPECT_TRUE(sameColour(rising, KLINE_GREEN));
    KLineBar falling(0, 1.5f, 2.0f, 0.5f, 1.0f, 0);
    falling.updateColor(0, false);
    EXPECT_TRUE(sameColour(falling, KLINE_GREEN));
    // open = close with another high or low rises, whatever the reference.
    KLineBar doji(0, 1.0f, 1.5f, 0.5f, 1.0f, 0);
    doji.updateColor(9.0f, false);
    EXPECT_TRUE(sameColour(doji, KLINE_RED));
    // A flat bar rises only above its reference.
    KLineBar flat(0, 1.0f, 1.0f, 1.0f, 1.0f, 0);
    flat.updateColor(0.5f, false);
    EXPECT_TRUE(sameColour(flat, KLINE_RED));
    flat.updateColor(1.0f, false);
    EXPECT_TRUE(sameColour(flat, KLINE_GREEN));
    flat.updateColor(1.5f, true);
    EXPECT_TRUE(sameColour(flat, KLINE_RED));

    // A new bar: start values, then its colour at once.
    KLineBar fresh;
    EXPECT_EQ(fresh.valid, 1);
    EXPECT_EQ(fresh.kdjK, 50.0f);
    EXPECT_EQ(fresh.kdjD, 50.0f);
    EXPECT_EQ(fresh.kdjJ, 50.0f);
    EXPECT_EQ(fresh.ma[2], 0.0f);
    EXPECT_EQ(fresh.bollUpper, 0.0f);
    EXPECT_EQ(fresh.macd, 0.0f);
    EXPECT_EQ(fresh.drawingGroup(6), fresh.drawingCache + 26);
    EXPECT_EQ(fresh.drawingGroup(7), nullptr);
}

TEST_F(KLineSeriesTest, SwitchingRiseGreenSwapsEveryColourButFlatBarsFollowTheirReference) {
    // Closes 1.0, then a rising bar to 2.0, then flat bars at 2.0 (not above) and 3.0 (above).
    series.updateKLine(60, 1.0f, 1.1f, 0.9f, 1.0f, 1);
    series.updateKLine(120, 1.0f, 2.1f, 0.9f, 2.0f, 1);
    series.updateKLine(180, 2.0f, 2.0f, 2.0f, 2.0f, 1);
    series.updateKLine(240, 3.0f, 3.0f, 3.0f, 3.0f, 1);
    series.refreshAllKLine(0, false, false);
    EXPECT_TRUE(sameColour(*series.barAt(1), KLINE_RED));
    EXPECT_TRUE(sameColour(*series.barAt(2), KLINE_GREEN));
    EXPECT_TRUE(sameColour(*series.barAt(3), KLINE_RED));

    series.setRiseGreen(true);
    EXPECT_EQ(host.conventions, std::vector<bool>{true});
    EXPECT_TRUE(sameColour(*series.barAt(1), KLINE_GREEN));
    // The flat bars keep their rise or fall, which now has the other colour.
    EXPECT_TRUE(sameColour(*series.barAt(2), KLINE_RED));
    EXPECT_TRUE(sameColour(*series.barAt(3), KLINE_GREEN));
    series.setRiseGreen(true);
    EXPECT_EQ(host.conventions.size(), 1u);
}

TEST_F(KLineSeriesTest, HistoryBatchOfKnownBarsAddsNothingButUpdatesPrices) {
    parkBatch(*series.getHistoryBatch(), barsAt({600, 660, 720}, 1.5f));
    ASSERT_EQ(series.insertHistoryKLine(), 3u);
    // The first fill shows the newest bars.
    EXPECT_EQ(host.showNewestCount, 1);
    EXPECT_EQ(series.getEarliestTime(), 600u);

    parkBatch(*series.getHistoryBatch(), barsAt({600, 660, 720}, 1.8f));
    EXPECT_EQ(series.insertHistoryKLine(), 3u);
    EXPECT_EQ(series.size(), 3u);
    EXPECT_EQ(series.findBar(660)->close, 1.8f);
    EXPECT_TRUE(home.logHas("[EURUSD] insert history kline:0 => 3"));
    EXPECT_EQ(host.keptCounts, std::vector<int>{0});

    // Older bars go in front, and the view keeps what it showed by moving left by their number.
    parkBatch(*series.getHistoryBatch(), barsAt({420, 480, 540}, 1.2f));
    series.insertHistoryKLine();
    EXPECT_EQ(series.size(), 6u);
    EXPECT_TRUE(isStrictlyAscending(series));
    EXPECT_EQ(series.getEarliestTime(), 420u);
    EXPECT_EQ(host.keptCounts.back(), 3);
    EXPECT_TRUE(home.logHas("[EURUSD] insert history kline:3 => 6"));
    // An empty batch merges nothing and does not rebuild.
    const int drops = host.dropCount;
    EXPECT_EQ(series.insertHistoryKLine(), 0u);
    EXPECT_EQ(host.dropCount, drops);
}

TEST_F(KLineSeriesTest, WeekBatchMergesInPiecesAndRefillStopsAtKnownBars) {
    constexpr uint32_t HELD_START = 60000;
    std::vector<uint32_t> times;
    for (uint32_t t = 1; t <= 600; ++t) times.push_back(HELD_START + t * 60);
    parkBatch(*series.getWeekBatch(), barsAt(times));
    {
        std::lock_guard<std::mutex> guard(series.getHistoryBatch()->lock);
        series.getHistoryBatch()->state = BATCH_COMPLETE;
    }
    series.insertWeekHistoryKLine();
    EXPECT_EQ(series.size(), WEEK_MERGE_CHUNK);
    EXPECT_EQ(series.getWeekBatch()->state, BATCH_MERGING);
    EXPECT_EQ(series.getEarliestTime(), HELD_START + 100u * 60);
    series.insertWeekHistoryKLine();
    EXPECT_EQ(series.size(), 600u);
    EXPECT_EQ(series.getWeekBatch()->state, BATCH_IDLE);
    EXPECT_EQ(series.getHistoryBatch()->state, BATCH_IDLE);
    EXPECT_EQ(host.weekMergedCount, 2);
    EXPECT_TRUE(home.logHas("[EURUSD] insert week history kline:501 => 501"));
    EXPECT_TRUE(home.logHas("1 [EURUSD] add week history finished!!!"));

    // Refill after a reconnect. The batch holds 100 bars older than any held, the 600 held ones and
    // 100 newer ones. The newest piece of 501 meets held bars, so the rest of the batch, with the
    // 100 older bars, is dropped: the refill fills up to the bars already there and no further.
    std::vector<uint32_t> week;
    for (uint32_t t = 1; t <= 800; ++t) week.push_back(HELD_START - 100 * 60 + t * 60);
    parkBatch(*series.getWeekBatch(), barsAt(week, 3.0f));
    {
        std::lock_guard<std::mutex> guard(series.getWeekBatch()->lock);
        series.getWeekBatch()->refillMode = true;
    }
    host.showNewestCount = 0;
    series.insertWeekHistoryKLine();
    EXPECT_EQ(series.size(), 700u);
    EXPECT_EQ(series.getEarliestTime(), HELD_START + 60u);
    EXPECT_FALSE(series.getWeekBatch()->refillMode);
    EXPECT_TRUE(series.getWeekBatch()->bars.empty());
    EXPECT_EQ(series.getWeekBatch()->state, BATCH_IDLE);
    EXPECT_EQ(series.findBar(HELD_START + 60 * 650)->close, 3.0f);
    EXPECT_EQ(series.findBar(HELD_START + 60 * 300)->close, 3.0f);
    EXPECT_EQ(series.findBar(HELD_START + 60 * 150)->close, 1.5f);  // in the dropped rest
    EXPECT_EQ(host.showNewestCount, 1);
    EXPECT_TRUE(isStrictlyAscending(series));
    EXPECT_TRUE(home.logHas("insertWeekHistoryKLine: got same kline then remove all exist Kline"));
}
