#include "KLineSeries.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "CDebugModule.h"
#include "KLineChartHost.h"
#include "KLineChartView.h"

namespace {
constexpr double KDJ_MIN = 1.0;
constexpr double KDJ_MAX = 100.0;
constexpr double EMA12_KEEP = 11.0 / 13.0;
constexpr double EMA12_TAKE = 2.0 / 13.0;
constexpr double EMA26_KEEP = 25.0 / 27.0;
constexpr double EMA26_TAKE = 2.0 / 27.0;
constexpr double DEA_KEEP = 8.0 / 10.0;
constexpr double DEA_TAKE = 2.0 / 10.0;
constexpr int BOLL_PERIOD_COUNT = static_cast<int>(std::size(BOLL_PERIODS));
// The longest window an indicator looks back over.
constexpr size_t MAX_LOOK_BACK = 20;
static_assert(MAX_LOOK_BACK >= static_cast<size_t>(KDJ_WINDOW) && MAX_LOOK_BACK >= MA_PERIODS[2] &&
                  MAX_LOOK_BACK >= BOLL_PERIODS[2],
              "the price columns must reach back over the longest indicator window");

bool earlier(const std::unique_ptr<KLineBar>& a, const std::unique_ptr<KLineBar>& b) {
    return a->time < b->time;
}

// The formulas. Sums and quotients are taken in double precision and stored as floats; the price
// accessors read either the bars themselves or columns copied from them.

// Closes first to last (inclusive), in four running sums so that the additions overlap.
template <typename Close>
double sumOf(Close close, size_t first, size_t last) {
    double a = 0;
    double b = 0;
    double c = 0;
    double d = 0;
    size_t k = first;
    for (; k + 3 <= last; k += 4) {
        a += close(k);
        b += close(k + 1);
        c += close(k + 2);
        d += close(k + 3);
    }
    for (; k <= last; ++k) a += close(k);
    return (a + b) + (c + d);
}

// The sums of the last 5, 10 and 20 closes up to bar i, each built on the one before; a period
// longer than i + 1 bars gets no sum. Returns how many sums were made.
static_assert(MA_PERIODS[0] < MA_PERIODS[1] && MA_PERIODS[1] < MA_PERIODS[2], "periods must grow");
static_assert(BOLL_PERIODS[0] == MA_PERIODS[0] && BOLL_PERIODS[1] == MA_PERIODS[1] &&
                  BOLL_PERIODS[2] == MA_PERIODS[2],
              "the Bollinger periods share the moving averages' sums");
template <typename Close>
int closeSums(Close close, size_t i, double* sums) {
    double sum = 0;
    size_t end = i + 1;
    for (int slot = 0; slot < KLineBar::MA_COUNT; ++slot) {
        const size_t period = static_cast<size_t>(MA_PERIODS[slot]);
        if (i + 1 < period) return slot;
        sum += sumOf(close, i + 1 - period, end - 1);
        sums[slot] = sum;
        end = i + 1 - period;
    }
    return KLineBar::MA_COUNT;
}

// From the nine bars before bar i (not bar i itself); K, D and J are each kept within 1 to 100.
template <typename Low, typename High>
void computeKDJ(KLineBar& bar, const KLineBar& previous, size_t i, Low low, High high) {
    if (!bar.valid) return;
    double lowest = low(i - KDJ_WINDOW);
    double highest = high(i - KDJ_WINDOW);
    for (size_t k = i - KDJ_WINDOW + 1; k < i; ++k) {
        lowest = std::min(lowest, low(k));
        highest = std::max(highest, high(k));
    }
    double range = highest - lowest;
    if (range == 0) range = 1;
    const double rsv = (bar.close - lowest) / range * 100.0;
    const double k = std::clamp((rsv + 2.0 * previous.kdjK) / 3.0, KDJ_MIN, KDJ_MAX);
    const double d = std::clamp((2.0 * previous.kdjD + k) / 3.0, KDJ_MIN, KDJ_MAX);
    const double j = std::clamp(3.0 * k - 2.0 * d, KDJ_MIN, KDJ_MAX);
    bar.kdjK = static_cast<float>(k);
    bar.kdjD = static_cast<float>(d);
    bar.kdjJ = static_cast<float>(j);
}

// Bar 1 starts both averages from the close of bar 0.
void computeMACD(KLineBar& bar, const KLineBar& previous, size_t i) {
    double ema12;
    double ema26;
    double dif;
    double dea;
    if (i == 1) {
        ema12 = previous.close * EMA12_KEEP + bar.close * EMA12_TAKE;
        ema26 = previous.close * EMA26_KEEP + bar.close * EMA26_TAKE;
        dif = ema12 - ema26;
        dea = dif * DEA_TAKE;
    } else {
        ema12 = previous.ema12 * EMA12_KEEP + bar.close * EMA12_TAKE;
        ema26 = previous.ema26 * EMA26_KEEP + bar.close * EMA26_TAKE;
        dif = ema12 - ema26;
        dea = previous.dea * DEA_KEEP + dif * DEA_TAKE;
    }
    bar.ema12 = static_cast<float>(ema12);
    bar.ema26 = static_cast<float>(ema26);
    bar.dif = static_cast<float>(dif);
    bar.dea = static_cast<float>(dea);
    bar.macd = static_cast<float>((dif - dea) * 2.0);
}

// The deviation is the population one (divided by the period); sum is the sum of the period's closes.
template <typename Close>
void computeBOLL(KLineBar& bar, size_t i, size_t period, double sum, Close close) {
    const double mean = sum / static_cast<double>(period);
    double squares[4] = {0, 0, 0, 0};
    for (size_t k = i + 1 - period; k <= i; ++k) {
        const double deviation = close(k) - mean;
        squares[k % 4] += deviation * deviation;
    }
    const double spread =
        std::sqrt(((squares[0] + squares[1]) + (squares[2] + squares[3])) / static_cast<double>(period));
    bar.bollMA = bar.bollMid = static_cast<float>(mean);
    bar.bollUpper = static_cast<float>(mean + 2.0 * spread);
    bar.bollLower = static_cast<float>(mean - 2.0 * spread);
}

void clearBOLL(KLineBar& bar) {
    bar.bollMA = bar.bollUpper = bar.bollMid = bar.bollLower = 0;
}
}  // namespace

int timeTypeValue(int index) {
    return index >= 0 && index < TIME_TYPE_COUNT ? TIME_TYPES[index] : -1;
}

KLineSeries::KLineSeries()
    : historyBatch_(std::make_shared<ParseKLineStruct>()), weekBatch_(std::make_shared<ParseKLineStruct>()) {
    bars_.reserve(BAR_RESERVE);
}

KLineSeries::~KLineSeries() = default;

size_t KLineSeries::lowerBound(uint32_t time) const {
    auto found =
        std::lower_bound(bars_.begin(), bars_.end(), time,
                         [](const std::unique_ptr<KLineBar>& bar, uint32_t t) { return bar->time < t; });
    return static_cast<size_t>(found - bars_.begin());
}

KLineBar* KLineSeries::findBar(uint32_t time) const {
    size_t position = lowerBound(time);
    return position < bars_.size() && bars_[position]->time == time ? bars_[position].get() : nullptr;
}

void KLineSeries::clear() {
    bars_.clear();
    earliestTime_ = 0;
}

int KLineSeries::bollPeriodSlot() const {
    return std::clamp(bollPeriodIndex_, 0, BOLL_PERIOD_COUNT - 1);
}

int KLineSeries::getBollPeriod() const {
    return BOLL_PERIODS[bollPeriodSlot()];
}

void KLineSeries::updateKLine(uint32_t time, float open, float high, float low, float close, int32_t volume) {
    const size_t position = lowerBound(time);
    KLineBar* bar = nullptr;
    const bool isNew = position == bars_.size() || bars_[position]->time != time;
    if (isNew) {
        auto fresh = std::make_unique<KLineBar>(time, open, high, low, close, volume);
        fresh->updateColor(bars_.empty() ? close : bars_.back()->close, riseGreen_);
        fresh->index = static_cast<int32_t>(position);
        bar = fresh.get();
        if (position == bars_.size()) {
            bars_.push_back(std::move(fresh));
        } else {
            // The stream delivers bars in time order; one that is not goes to its sorted place, and
            // every bar after it moves up one index and has its values recomputed.
            logInfo("[%s] live kline %u out of order, inserted at %d", symbol_.c_str(), time,
                    static_cast<int>(position));
            bars_.insert(bars_.begin() + static_cast<std::ptrdiff_t>(position), std::move(fresh));
            rebuildFrom(position);
            if (view_) view_->dropCachedPositions();
        }
    } else {
        bar = bars_[position].get();
        const float reference = bars_.back()->close;
        bar->volume = volume;
        bar->open = open;
        bar->high = high;
        bar->low = low;
        bar->close = close;
        bar->updateColor(reference, riseGreen_);
    }
    // Each indicator of this bar from the bars before it; the others are left as they are.
    if (!isNew || position + 1 == bars_.size()) calcLiveBarIndicators(position);
    if (host_) host_->redrawLinkedButton();
    if (view_) view_->barChanged(bar, isNew);
    if (host_) host_->updatePriceLabel(*bar);
}

KLineSeries::MergeResult KLineSeries::mergeBars(std::vector<std::unique_ptr<KLineBar>>& batchBars,
                                                size_t count) {
    MergeResult result;
    count = std::min(count, batchBars.size());
    const size_t begin = batchBars.size() - count;
    if (count == 0) return result;
    // The parser's batches are strictly ascending: one wholly older or newer than the series goes
    // in as it is, without looking at each bar.
    const auto first = batchBars.begin() + static_cast<std::ptrdiff_t>(begin);
    const bool older = bars_.empty() || batchBars.back()->time < bars_.front()->time;
    if (bars_.empty() && begin == 0 && batchBars.capacity() >= bars_.capacity()) {
        // A first fill takes the batch's array as it is: no copy of a million pointers.
        bars_.swap(batchBars);
        batchBars.clear();
        result.added = static_cast<int>(count);
        return result;
    }
    if (older || (*first)->time > bars_.back()->time) {
        bars_.insert(older ? bars_.begin() : bars_.end(), std::make_move_iterator(first),
                     std::make_move_iterator(batchBars.end()));
        batchBars.resize(begin);
        result.added = static_cast<int>(count);
        return result;
    }
    // Collected newest first; a batch bar outside the held range cannot match a held bar.
    std::vector<std::unique_ptr<KLineBar>> fresh;
    fresh.reserve(count);
    const uint32_t heldFirst = bars_.front()->time;
    const uint32_t heldLast = bars_.back()->time;
    bool descending = true;
    for (size_t k = batchBars.size(); k-- > begin;) {
        std::unique_ptr<KLineBar>& bar = batchBars[k];
        const uint32_t time = bar->time;
        KLineBar* known = time >= heldFirst && time <= heldLast ? findBar(time) : nullptr;
        if (known) {
            known->copyPrices(*bar);
            result.matched = true;
        } else if (!fresh.empty() && fresh.back()->time == time) {
            fresh.back()->copyPrices(*bar);
            result.matched = true;
        } else {
            if (!fresh.empty() && fresh.back()->time < time) descending = false;
            fresh.push_back(std::move(bar));
        }
    }
    batchBars.resize(begin);
    if (fresh.empty()) return result;

    std::reverse(fresh.begin(), fresh.end());
    if (!descending) {
        // Not the parser's order: sort, and let the first of equal times take the others' prices.
        std::stable_sort(fresh.begin(), fresh.end(), earlier);
        size_t kept = 0;
        for (size_t k = 0; k < fresh.size(); ++k) {
            if (kept > 0 && fresh[kept - 1]->time == fresh[k]->time) {
                fresh[kept - 1]->copyPrices(*fresh[k]);
                result.matched = true;
            } else {
                fresh[kept++] = std::move(fresh[k]);
            }
        }
        fresh.resize(kept);
    }
    result.added = static_cast<int>(fresh.size());
    if (bars_.empty() || fresh.back()->time < bars_.front()->time) {
        bars_.insert(bars_.begin(), std::make_move_iterator(fresh.begin()),
                     std::make_move_iterator(fresh.end()));
    } else if (fresh.front()->time > bars_.back()->time) {
        bars_.insert(bars_.end(), std::make_move_iterator(fresh.begin()),
                     std::make_move_iterator(fresh.end()));
    } else {
        std::vector<std::unique_ptr<KLineBar>> merged;
        merged.reserve(std::max(bars_.capacity(), bars_.size() + fresh.size()));
        std::merge(std::make_move_iterator(bars_.begin()), std::make_move_iterator(bars_.end()),
                   std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()),
                   std::back_inserter(merged), earlier);
        bars_.swap(merged);
    }
    return result;
}

size_t KLineSeries::insertHistoryKLine() {
    std::vector<std::unique_ptr<KLineBar>> taken;
    {
        std::lock_guard<std::mutex> guard(historyBatch_->lock);
        taken.swap(historyBatch_->bars);
        historyBatch_->state = BATCH_MERGING;
    }
    const size_t held = taken.size();
    const MergeResult result = mergeBars(taken, held);
    if (held > 0) {
        logInfo("[%s] insert history kline:%d => %d", symbol_.c_str(), result.added,
                static_cast<int>(bars_.size()));
        refreshAllKLine(result.added, false, false);
    }
    return held;
}

void KLineSeries::insertWeekHistoryKLine() {
    std::vector<std::unique_ptr<KLineBar>> piece;
    bool refill = false;
    {
        std::lock_guard<std::mutex> guard(weekBatch_->lock);
        refill = weekBatch_->refillMode;
        std::vector<std::unique_ptr<KLineBar>>& held = weekBatch_->bars;
        const size_t count = std::min(WEEK_MERGE_CHUNK, held.size());
        piece.assign(std::make_move_iterator(held.end() - static_cast<std::ptrdiff_t>(count)),
                     std::make_move_iterator(held.end()));
        held.resize(held.size() - count);
        weekBatch_->state = BATCH_MERGING;
    }
    const MergeResult result = mergeBars(piece, piece.size());
    if (result.matched && refill) {
        {
            std::lock_guard<std::mutex> guard(weekBatch_->lock);
            weekBatch_->bars.clear();
            weekBatch_->rawData.clear();
            weekBatch_->rawSize = 0;
            weekBatch_->refillMode = false;
        }
        logInfo("insertWeekHistoryKLine: got same kline then remove all exist Kline");
    }
    logInfo("[%s] insert week history kline:%d => %d", symbol_.c_str(), result.added,
            static_cast<int>(bars_.size()));
    refreshAllKLine(result.added, refill, refill);

    bool finished = false;
    {
        std::lock_guard<std::mutex> guard(weekBatch_->lock);
        finished = weekBatch_->bars.empty();
        if (finished) weekBatch_->state = BATCH_IDLE;
    }
    if (finished) {
        logInfo("1 [%s] add week history finished!!!", symbol_.c_str());
        // A history file still on its way (a refill can finish while one is) keeps its state, so
        // that its bars are still merged.
        std::lock_guard<std::mutex> guard(historyBatch_->lock);
        if (historyBatch_->state >= BATCH_IDLE) historyBatch_->state = BATCH_IDLE;
    }
    if (host_) host_->weekHistoryMerged();
}

void KLineSeries::refreshAllKLine(int newCount, bool sortFirst, bool toNewest) {
    if (bars_.empty()) return;
    if (sortFirst && !std::is_sorted(bars_.begin(), bars_.end(), earlier)) {
        std::stable_sort(bars_.begin(), bars_.end(), earlier);
    }
    earliestTime_ = bars_.front()->time;
    if (view_) view_->dropCachedPositions();
    // The newest bar takes its colour first: the price label shows it before the rebuild pass.
    const size_t newest = bars_.size() - 1;
    bars_[newest]->updateColor(newest == 0 ? bars_[0]->close : bars_[newest - 1]->close, riseGreen_);
    if (host_) host_->updatePriceLabel(*bars_.back());
    rebuildFrom(0);
    if (host_) host_->redrawLinkedButton();
    if (!view_) {
        firstFill_ = false;
        return;
    }
    view_->clearLabelDictionary();
    if (firstFill_ || toNewest) {
        view_->showNewestBars();
        firstFill_ = false;
    } else {
        view_->keepVisibleBars(newCount);
    }
}

void KLineSeries::setRiseGreen(bool riseGreen) {
    if (riseGreen == riseGreen_) return;
    riseGreen_ = riseGreen;
    recolourAll();
    if (host_) host_->setRiseGreenConvention(riseGreen);
}

void KLineSeries::setBollPeriodIndex(int index) {
    if (index == bollPeriodIndex_) return;
    bollPeriodIndex_ = index;
    recomputeBollinger();
    if (view_) view_->setIndicatorPeriodIndex(index);
}

void KLineSeries::recolourAll() {
    if (bars_.empty()) return;
    const float newestClose = bars_.back()->close;
    for (size_t i = 0; i < bars_.size(); ++i) {
        bars_[i]->updateColor(i == 0 ? newestClose : bars_[i - 1]->close, riseGreen_);
    }
}

// One pass over the bars from `from` on sets index and colour and does the work of the four
// whole-series indicator passes (KDJ, MACD, Bollinger, moving averages): each indicator reads only
// prices and its own values of earlier bars, so the order of the passes does not change the
// results. Every window is a fixed number of bars, so the pass is linear in the number of bars; the
// prices of the last bars are kept in a small ring so that the windows do not chase the bars again.
void KLineSeries::rebuildFrom(size_t from) {
    if (from >= bars_.size()) return;
    constexpr size_t RING = 32;
    static_assert(RING > MAX_LOOK_BACK, "the ring must hold every window");
    float closes[RING];
    float highs[RING];
    float lows[RING];
    for (size_t k = from - std::min(from, MAX_LOOK_BACK); k < from; ++k) {
        closes[k % RING] = bars_[k]->close;
        highs[k % RING] = bars_[k]->high;
        lows[k % RING] = bars_[k]->low;
    }
    const auto close = [&](size_t k) { return static_cast<double>(closes[k % RING]); };
    const auto high = [&](size_t k) { return static_cast<double>(highs[k % RING]); };
    const auto low = [&](size_t k) { return static_cast<double>(lows[k % RING]); };
    const float newestClose = bars_.back()->close;
    const int bollSlot = bollPeriodSlot();
    const size_t bollPeriod = static_cast<size_t>(MA_PERIODS[bollSlot]);
    double sums[KLineBar::MA_COUNT];
    for (size_t i = from; i < bars_.size(); ++i) {
        KLineBar& bar = *bars_[i];
        bar.index = static_cast<int32_t>(i);
        bar.updateColor(i == 0 ? newestClose : bars_[i - 1]->close, riseGreen_);
        closes[i % RING] = bar.close;
        highs[i % RING] = bar.high;
        lows[i % RING] = bar.low;
        if (i >= static_cast<size_t>(KDJ_WINDOW)) computeKDJ(bar, *bars_[i - 1], i, low, high);
        if (i >= 1) computeMACD(bar, *bars_[i - 1], i);
        const int made = closeSums(close, i, sums);
        if (i >= bollPeriod) {
            computeBOLL(bar, i, bollPeriod, sums[bollSlot], close);
        } else {
            clearBOLL(bar);
        }
        for (int slot = 0; slot < KLineBar::MA_COUNT; ++slot) {
            bar.ma[slot] = slot < made ? static_cast<float>(sums[slot] / MA_PERIODS[slot]) : 0.0f;
        }
    }
}

// Bars before the period keep no bands of an earlier period.
void KLineSeries::recomputeBollinger() {
    const int bollSlot = bollPeriodSlot();
    const size_t bollPeriod = static_cast<size_t>(MA_PERIODS[bollSlot]);
    const auto close = [&](size_t k) { return static_cast<double>(bars_[k]->close); };
    double sums[KLineBar::MA_COUNT];
    for (size_t i = 0; i < bars_.size(); ++i) {
        KLineBar& bar = *bars_[i];
        if (i >= bollPeriod) {
            closeSums(close, i, sums);
            computeBOLL(bar, i, bollPeriod, sums[bollSlot], close);
        } else {
            clearBOLL(bar);
        }
    }
}

void KLineSeries::calcLiveBarIndicators(size_t i) {
    const auto close = [&](size_t k) { return static_cast<double>(bars_[k]->close); };
    const auto high = [&](size_t k) { return static_cast<double>(bars_[k]->high); };
    const auto low = [&](size_t k) { return static_cast<double>(bars_[k]->low); };
    KLineBar& bar = *bars_[i];
    if (i > static_cast<size_t>(KDJ_WINDOW - 1)) computeKDJ(bar, *bars_[i - 1], i, low, high);
    if (i > 0) computeMACD(bar, *bars_[i - 1], i);
    double sums[KLineBar::MA_COUNT];
    closeSums(close, i, sums);
    const int bollSlot = bollPeriodSlot();
    const size_t bollPeriod = static_cast<size_t>(MA_PERIODS[bollSlot]);
    if (i > bollPeriod) computeBOLL(bar, i, bollPeriod, sums[bollSlot], close);
    for (int slot = 0; slot < KLineBar::MA_COUNT; ++slot) {
        const size_t period = static_cast<size_t>(MA_PERIODS[slot]);
        if (i > period) bar.ma[slot] = static_cast<float>(sums[slot] / MA_PERIODS[slot]);
    }
}
