#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "KLineBar.h"

// States of a batch.
constexpr int32_t BATCH_WAITING = 0;   // request sent, waiting for the response
constexpr int32_t BATCH_PARSING = 1;   // raw data handed to the parse thread
constexpr int32_t BATCH_PARSED = 2;    // bars ready to merge
constexpr int32_t BATCH_FAILED = 3;    // no data, or inflating failed
constexpr int32_t BATCH_MERGING = 4;   // merge under way (the week batch merges in pieces)
constexpr int32_t BATCH_IDLE = 5;      // ready for the next step
constexpr int32_t BATCH_COMPLETE = 6;  // no older history exists

// One batch of downloaded or cached history on its way into a series: the raw gzip body, then
// the bars the parse thread made of it.
//
// Shared between the main thread and the parse thread, always through a std::shared_ptr so that a
// running parse thread keeps its batch alive; every field is guarded by `lock`. The parse thread
// takes the raw data and publishes its bars under the lock but inflates and parses without it.
//
// Each hand-over to a parse thread and each reset draws a new ticket; a parse thread publishes only
// while the batch still carries the ticket it was started with, so a result for an earlier
// instrument or time type is dropped, never merged.
struct ParseKLineStruct {
    std::vector<unsigned char> rawData;  // one response body or cache file, still compressed
    uint32_t rawSize = 0;
    std::vector<std::unique_ptr<KLineBar>> bars;  // strictly ascending time order
    int32_t state = BATCH_WAITING;
    bool refillMode = false;  // week batch only: week history fetched again after a reconnect
    std::mutex lock;

    uint64_t ticket = 0;
    // Where the raw data is cached once it has parsed (empty: not cached), and the raw data kept
    // for that until the main thread writes it.
    std::string cachePath;
    std::vector<unsigned char> parsedRaw;
    // What the raw data came from, for a retry after a failed parse.
    std::string sourceUrl;
    std::string sourceName;
    bool fromCache = false;

    // Frees raw data and bars and draws a new ticket, so that a parse still running is ignored.
    // Caller holds the lock.
    void discardLocked();

    // Splits inflated history text into bars: lines separated by "\n", each of six fields separated
    // by ",": time, open, high, low, close, volume. Lines with another number of fields or with a
    // field that is not a number are skipped (skipped counts those that were not empty). Bars get
    // the rising-green colour with the close of the bar before as reference (the first its own),
    // and come back strictly ascending in time (of several lines with one time the first is kept).
    // Any thread.
    static std::vector<std::unique_ptr<KLineBar>> parseBars(const unsigned char* text, size_t length,
                                                            size_t& skipped);
};
