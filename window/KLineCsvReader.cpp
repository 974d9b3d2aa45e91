#include "KLineCsvReader.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <iterator>

#include "KLineBarPool.h"

namespace {
constexpr int FIELD_COUNT = 6;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The field without surrounding blanks; false when nothing is left.
bool trimmed(const char*& begin, const char*& end) {
    while (begin < end && isBlank(*begin)) ++begin;
    while (end > begin && isBlank(end[-1])) --end;
    return begin < end;
}

// Powers of ten that a float holds exactly.
constexpr float EXACT_POWERS_OF_TEN[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
constexpr uint64_t EXACT_FLOAT_INTEGER_LIMIT = uint64_t{1} << 24;
constexpr int MAX_FAST_DIGITS = 18;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A decimal number at p; returns where it ends, or null when there is none. Prices of up to seven
// digits are one exact float division, which rounds correctly (as from_chars does); any other form
// goes to from_chars.
const char* readPrice(const char* p, const char* end, float& value) {
    const char* q = p;
    const bool negative = q < end && *q == '-';
    if (negative) ++q;
    uint64_t mantissa = 0;
    int digits = 0;
    int fraction = 0;
    for (; q < end && isDigit(*q) && digits <= MAX_FAST_DIGITS; ++q, ++digits)
        mantissa = mantissa * 10 + (*q - '0');
    if (q < end && *q == '.') {
        for (++q; q < end && isDigit(*q) && digits <= MAX_FAST_DIGITS; ++q, ++digits, ++fraction) {
            mantissa = mantissa * 10 + (*q - '0');
        }
    }
    const bool plain =
        digits > 0 && digits <= MAX_FAST_DIGITS && (q == end || (!isDigit(*q) && *q != 'e' && *q != 'E'));
    if (plain && mantissa <= EXACT_FLOAT_INTEGER_LIMIT &&
        fraction < static_cast<int>(std::size(EXACT_POWERS_OF_TEN))) {
        const float magnitude = static_cast<float>(mantissa) / EXACT_POWERS_OF_TEN[fraction];
        value = negative ? -magnitude : magnitude;
        return q;
    }
    auto [stop, error] = std::from_chars(p, end, value);
    return error == std::errc() && stop != p && std::isfinite(value) ? stop : nullptr;
}

bool parsePrice(const char* begin, const char* end, float& value) {
    if (!trimmed(begin, end)) return false;
    return readPrice(begin, end, value) == end;
}

bool parseTime(const char* begin, const char* end, uint32_t& value) {
    if (!trimmed(begin, end)) return false;
    uint64_t wide = 0;
    auto [stop, error] = std::from_chars(begin, end, wide);
    if (error != std::errc() || stop != end || wide > UINT32_MAX) return false;
    value = static_cast<uint32_t>(wide);
    return true;
}

// A whole number; a decimal one is cut and out-of-range values are clamped, as volumes are counts.
bool parseVolume(const char* begin, const char* end, int32_t& value) {
    if (!trimmed(begin, end)) return false;
    int64_t wide = 0;
    auto [stop, error] = std::from_chars(begin, end, wide);
    if (error == std::errc() && stop == end) {
        value = static_cast<int32_t>(std::clamp<int64_t>(wide, INT32_MIN, INT32_MAX));
        return true;
    }
    double real = 0;
    auto [realStop, realError] = std::from_chars(begin, end, real);
    if (realError != std::errc() || realStop != end || std::isnan(real)) return false;
    value = static_cast<int32_t>(std::clamp<double>(real, INT32_MIN, INT32_MAX));
    return true;
}

// The common line, "time,open,high,low,close,volume" without blanks, in one pass. Returns where the
// next line starts, or null when the line is anything else.
const char* parseWellFormedLine(const char* p, const char* end, uint32_t& time, float* prices,
                                int32_t& volume) {
    uint64_t wideTime = 0;
    auto [afterTime, timeError] = std::from_chars(p, end, wideTime);
    if (timeError != std::errc() || afterTime == p || afterTime == end || *afterTime != ',' ||
        wideTime > UINT32_MAX) {
        return nullptr;
    }
    p = afterTime + 1;
    for (int k = 0; k < 4; ++k) {
        const char* afterPrice = readPrice(p, end, prices[k]);
        if (!afterPrice || afterPrice == end || *afterPrice != ',') return nullptr;
        p = afterPrice + 1;
    }
    int64_t wideVolume = 0;
    auto [afterVolume, volumeError] = std::from_chars(p, end, wideVolume);
    if (volumeError != std::errc() || afterVolume == p) return nullptr;
    if (afterVolume < end && *afterVolume == '\r') ++afterVolume;
    if (afterVolume < end && *afterVolume != '\n') return nullptr;
    time = static_cast<uint32_t>(wideTime);
    volume = static_cast<int32_t>(std::clamp<int64_t>(wideVolume, INT32_MIN, INT32_MAX));
    return afterVolume < end ? afterVolume + 1 : end;
}
}  // namespace

KLineCsvReader::KLineCsvReader(size_t expectedBars) {
    bars_.reserve(expectedBars);
    KLineBarPool::reserve(expectedBars);
}

void KLineCsvReader::feed(const char* text, size_t length) {
    if (!text || length == 0) return;
    const char* const end = text + length;
    if (!partialLine_.empty()) {
        const char* newline = static_cast<const char*>(std::memchr(text, '\n', length));
        if (!newline) {
            partialLine_.append(text, length);
            return;
        }
        partialLine_.append(text, newline + 1);
        readLines(partialLine_.data(), partialLine_.data() + partialLine_.size());
        partialLine_.clear();
        text = newline + 1;
    }
    const char* last = static_cast<const char*>(memrchr(text, '\n', static_cast<size_t>(end - text)));
    if (!last) {
        partialLine_.assign(text, end);
        return;
    }
    readLines(text, last + 1);
    partialLine_.assign(last + 1, end);
}

std::vector<std::unique_ptr<KLineBar>> KLineCsvReader::finish(size_t& skipped) {
    if (!partialLine_.empty()) readLines(partialLine_.data(), partialLine_.data() + partialLine_.size());
    partialLine_.clear();
    // A guess that was too high must not size the thread's next blocks.
    KLineBarPool::reserve(0);
    if (!strictlyAscending_) {
        // Sorted by time; of several lines with one time the first is kept.
        std::stable_sort(bars_.begin(), bars_.end(),
                         [](const std::unique_ptr<KLineBar>& a, const std::unique_ptr<KLineBar>& b) {
                             return a->time < b->time;
                         });
        auto sameTime = [](const std::unique_ptr<KLineBar>& a, const std::unique_ptr<KLineBar>& b) {
            return a->time == b->time;
        };
        bars_.erase(std::unique(bars_.begin(), bars_.end(), sameTime), bars_.end());
    }
    skipped = skipped_;
    skipped_ = 0;
    strictlyAscending_ = true;
    return std::move(bars_);
}

void KLineCsvReader::readLines(const char* text, const char* textEnd) {
    const char* fields[FIELD_COUNT + 1];
    for (const char* line = text; line < textEnd;) {
        uint32_t time = 0;
        float prices[4];
        int32_t volume = 0;
        const char* next = parseWellFormedLine(line, textEnd, time, prices, volume);
        if (!next) {
            // Anything else (blanks, decimals in the volume, another field count) takes the careful way.
            const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', textEnd - line));
            if (!lineEnd) lineEnd = textEnd;
            next = lineEnd + 1;
            // fields[k] is where field k starts; fields[k + 1] - 1 is its end.
            int commas = 0;
            fields[0] = line;
            for (const char* p = line; p < lineEnd && commas < FIELD_COUNT; ++p) {
                p = static_cast<const char*>(std::memchr(p, ',', lineEnd - p));
                if (!p) break;
                fields[++commas] = p + 1;
            }
            if (commas != FIELD_COUNT - 1) {
                const char* begin = line;
                const char* end = lineEnd;
                if (commas != 0 || trimmed(begin, end)) ++skipped_;
                line = next;
                continue;
            }
            bool good = parseTime(fields[0], fields[1] - 1, time);
            for (int k = 0; good && k < 4; ++k)
                good = parsePrice(fields[k + 1], fields[k + 2] - 1, prices[k]);
            good = good && parseVolume(fields[5], lineEnd, volume);
            if (!good) {
                ++skipped_;
                line = next;
                continue;
            }
        }
        line = next;
        auto bar = std::make_unique<KLineBar>(time, prices[0], prices[1], prices[2], prices[3], volume);
        if (bars_.empty()) {
            bar->updateColor(bar->close, true);
        } else {
            bar->updateColor(bars_.back()->close, true);
            strictlyAscending_ = strictlyAscending_ && bars_.back()->time < time;
        }
        bars_.push_back(std::move(bar));
    }
}
