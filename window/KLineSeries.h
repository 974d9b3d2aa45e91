#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KLineBar.h"
#include "ParseKLineStruct.h"

class KLineChartHost;
class KLineChartView;

// Time types: bar lengths in minutes, chosen by an index 0 to 8; the value is sent as `ttype`.
constexpr int TIME_TYPE_COUNT = 9;
constexpr int TIME_TYPES[TIME_TYPE_COUNT] = {1, 5, 15, 30, 60, 240, 360, 720, 1440};
// The time type value of an index, or -1 for an index outside 0 to 8.
int timeTypeValue(int index);

constexpr int MA_PERIODS[KLineBar::MA_COUNT] = {5, 10, 20};
constexpr int BOLL_PERIODS[3] = {5, 10, 20};
constexpr int KDJ_WINDOW = 9;
// A week batch is merged at most this many bars per tick, so a large one does not stall a frame.
constexpr size_t WEEK_MERGE_CHUNK = 501;
// Room reserved for bars when a series is made, so that prepending history rarely reallocates.
constexpr size_t BAR_RESERVE = 200000;

// The K-line bars of one chart window, oldest first, with their indicator values and colours.
//
// Bars are kept in ascending time order with at most one bar per time, and a bar's index equals
// its position after every operation. The array is also the time index: a look-up by time is a
// binary search (times compared as unsigned 32-bit numbers). Bars arrive three ways: a live bar
// (updateKLine), a batch of older history and a batch of week history (the two batch buffers,
// filled by the parse thread). Bars or batches out of order are put at their sorted position.
//
// Main thread only, except the two batches, which are shared with their parse threads under each
// batch's own lock. The host (the chart window) and the view are not owned and may be null.
class KLineSeries {
public:
    KLineSeries();
    ~KLineSeries();
    KLineSeries(const KLineSeries&) = delete;
    KLineSeries& operator=(const KLineSeries&) = delete;

    void setHost(KLineChartHost* host) { host_ = host; }
    void setView(KLineChartView* view) { view_ = view; }
    // The instrument, for log lines.
    void setSymbol(const std::string& symbol) { symbol_ = symbol; }

    // Applies one live bar: updates the bar of that time in place or adds a new one, recomputes
    // that bar's indicators and colour and tells the host.
    void updateKLine(uint32_t time, float open, float high, float low, float close, int32_t volume);
    // Merges the whole parsed older-history batch. Returns the number of bars the batch held.
    size_t insertHistoryKLine();
    // Merges up to WEEK_MERGE_CHUNK bars of the parsed week batch (newest first). When the batch is
    // empty afterwards both batches become idle. In refill mode the merge stops, and the rest of the
    // batch is dropped, once a piece met a bar the series already held.
    void insertWeekHistoryKLine();
    // Rebuilds a non-empty series after a batch: indices, colours, indicators, then places the view.
    void refreshAllKLine(int newCount, bool sortFirst, bool toNewest);

    bool getRiseGreen() const { return riseGreen_; }
    // Recolours every bar when the convention changes.
    void setRiseGreen(bool riseGreen);
    int getBollPeriodIndex() const { return bollPeriodIndex_; }
    // Recomputes the Bollinger values of every bar when the index changes; indices outside 0 to 2
    // take the nearest end of the period table.
    void setBollPeriodIndex(int index);
    int getBollPeriod() const;

    // The bar of this time, or null.
    KLineBar* findBar(uint32_t time) const;
    size_t size() const { return bars_.size(); }
    bool empty() const { return bars_.empty(); }
    KLineBar* barAt(size_t position) const {
        return position < bars_.size() ? bars_[position].get() : nullptr;
    }
    KLineBar* newestBar() const { return bars_.empty() ? nullptr : bars_.back().get(); }
    const std::vector<std::unique_ptr<KLineBar>>& bars() const { return bars_; }
    size_t capacity() const { return bars_.capacity(); }
    // Time of bar 0 as of the last rebuild; 0 for a new or emptied series.
    uint32_t getEarliestTime() const { return earliestTime_; }

    // Frees every bar; the reserved room stays.
    void clear();
    // Set when the time type is chosen: the next rebuild shows the newest bars.
    void setFirstFill(bool firstFill) { firstFill_ = firstFill; }
    bool isFirstFill() const { return firstFill_; }

    const std::shared_ptr<ParseKLineStruct>& getHistoryBatch() const { return historyBatch_; }
    const std::shared_ptr<ParseKLineStruct>& getWeekBatch() const { return weekBatch_; }

private:
    struct MergeResult {
        int added = 0;
        bool matched = false;
    };
    // Takes the last count bars off the batch (newest first): a bar whose time is held updates that
    // bar's prices, the others are put at their sorted position.
    MergeResult mergeBars(std::vector<std::unique_ptr<KLineBar>>& batchBars, size_t count);
    size_t lowerBound(uint32_t time) const;
    // The Bollinger period's place in the period table.
    int bollPeriodSlot() const;
    void recolourAll();
    // Index, colour and every indicator of the bars from position `from` on (the whole-series pass).
    void rebuildFrom(size_t from);
    void recomputeBollinger();
    // The live update's step: bar i's indicators from the bars before it.
    void calcLiveBarIndicators(size_t i);

    std::vector<std::unique_ptr<KLineBar>> bars_;
    uint32_t earliestTime_ = 0;
    bool riseGreen_ = false;
    int bollPeriodIndex_ = 2;
    bool firstFill_ = true;
    std::string symbol_;
    KLineChartHost* host_ = nullptr;
    KLineChartView* view_ = nullptr;
    std::shared_ptr<ParseKLineStruct> historyBatch_;
    std::shared_ptr<ParseKLineStruct> weekBatch_;
};
