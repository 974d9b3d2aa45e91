#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "DrawingRecord.h"

// The user's drawings of every chart, kept in "drawings.json" in the writable folder, one list per
// (symbol, time type). The file is read once; each put() replaces one list and rewrites the whole
// file atomically, so a crash leaves either the old or the new file.
//
// A file that cannot be used (unreadable, corrupt, truncated, of another format or a newer version,
// with wrong value types, too large) is logged once and yields no drawings; its bytes stay as they
// are until the first put() replaces them. Single drawings that make no sense (unknown type, wrong
// point count, absurd numbers) are dropped and counted in one log line per load. A failed write is
// logged once; the lists in memory stay and the old file stays intact.
//
// Main thread only. Listeners are called on the main thread from put().
class DrawingStore {
public:
    static constexpr const char* FILE_NAME = "drawings.json";
    static constexpr const char* FORMAT_NAME = "zento-drawings";
    static constexpr int FORMAT_VERSION = 1;
    static constexpr size_t MAX_TEXT_BYTES = 256;
    static constexpr size_t MAX_DRAWINGS_PER_CHART = 500;
    static constexpr size_t MAX_CHARTS = 200;
    static constexpr size_t MAX_SYMBOL_BYTES = 64;
    static constexpr size_t MAX_FILE_BYTES = 8 * 1024 * 1024;
    static constexpr int64_t MAX_POINT_TIME = int64_t{1} << 32;
    static constexpr int COLOUR_TABLE_SIZE = 8;
    static constexpr int WIDTH_TABLE_SIZE = 3;
    static constexpr float MAX_LINE_WIDTH = 255.0f;

    using ChartKey = std::pair<std::string, int>;  // symbol, time type
    using Listener = std::function<void(const std::string& symbol, int ttype)>;

    // folder: the writable folder, with or without a trailing "/".
    explicit DrawingStore(std::string folder);

    const std::string& filePath() const { return path_; }

    // Reads the file; later calls do nothing. False when the file exists but could not be used (it is
    // then left alone); a missing file is an empty store.
    bool load();
    // The same over the bytes of a file, replacing whatever the store holds; no listener is called and
    // no size cap applies (that is load()'s, for the file).
    bool loadFromBytes(const char* bytes, size_t size);

    // The list of one chart; empty when it has none. Valid until the next put() or load.
    const std::vector<DrawingRecord>& get(const std::string& symbol, int ttype) const;
    // Every chart that has drawings, ordered by symbol, then time type (the file's order).
    std::vector<ChartKey> charts() const;

    // Replaces the list of one chart (an empty list removes the chart), then saves and tells the
    // listeners. Drawings that could not be loaded back are dropped, texts and counts capped. False
    // for an unknown time type, an empty or over-long symbol, a new chart beyond MAX_CHARTS (nothing
    // changes then) or a failed save (the new list stays in memory).
    bool put(const std::string& symbol, int ttype, std::vector<DrawingRecord> records);

    // Writes every list to the file. False (and one log line) when it cannot be written or would
    // exceed MAX_FILE_BYTES; the old file then stays.
    bool save() const;
    // The file's bytes as save() writes them.
    std::string encode() const;

    // The callback hears of every put() that took its list (saved or not), with the chart it changed. The
    // token removes it again; removing from inside a callback is safe.
    int addListener(Listener listener);
    void removeListener(int token);

private:
    std::string path_;
    bool loaded_ = false;
    bool loadResult_ = true;
    std::map<ChartKey, std::vector<DrawingRecord>> charts_;
    std::map<int, Listener> listeners_;
    int nextToken_ = 1;
};
