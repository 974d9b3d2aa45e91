#include "DrawingStore.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <optional>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "CDebugModule.h"
#include "FileHelpers.h"
#include "KLineSeries.h"
#include "VersionedJson.h"

namespace {
constexpr size_t MIN_POLYGON_POINTS = 3;
constexpr size_t MAX_POLYGON_POINTS = 24;
constexpr size_t READ_CHUNK = 64 * 1024;

using rapidjson::Value;
using versioned_json::member;

bool isTimeType(int ttype) {
    return std::find(std::begin(TIME_TYPES), std::end(TIME_TYPES), ttype) != std::end(TIME_TYPES);
}

bool isUsableSymbol(const std::string& symbol) {
    return !symbol.empty() && symbol.size() <= DrawingStore::MAX_SYMBOL_BYTES;
}

// The number of control points each tool is placed with; 9 is no tool.
bool pointCountFits(int type, size_t count) {
    if (type == 2 || (type >= 15 && type <= 24)) return count == 1;
    if (type == 1 || type == 3 || type == 4 || type == 8 || (type >= 10 && type <= 14)) return count == 2;
    if (type == 5 || type == 7) return count == 3;
    if (type == 6) return count >= MIN_POLYGON_POINTS && count <= MAX_POLYGON_POINTS;
    if (type == 25 || type == 26) return count == 4;
    return false;
}

// Length of the valid UTF-8 sequence at text[i], 0 when it is not one (stray continuation bytes,
// overlong forms, surrogates, code points past U+10FFFF, a cut sequence).
size_t utf8SequenceLength(const std::string& text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    if (length == 0 || i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) return 0;
    }
    if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0)) return 0;
    if ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90)) return 0;
    return length;
}

// Valid UTF-8 of at most MAX_TEXT_BYTES, cut between characters; broken bytes are dropped.
std::string cleanText(const std::string& text) {
    std::string clean;
    size_t i = 0;
    while (i < text.size()) {
        const size_t length = utf8SequenceLength(text, i);
        if (length == 0) {
            ++i;
            continue;
        }
        if (clean.size() + length > DrawingStore::MAX_TEXT_BYTES) break;
        clean.append(text, i, length);
        i += length;
    }
    return clean;
}

// Makes a record fit for the file and for the tools, or refuses it.
bool sanitize(DrawingRecord& record) {
    if (!pointCountFits(record.type, record.points.size())) return false;
    for (const DrawingRecord::Point& point : record.points) {
        if (point.time < 0 || point.time > DrawingStore::MAX_POINT_TIME || !std::isfinite(point.price)) {
            return false;
        }
    }
    for (float& component : record.colour) {
        if (!std::isfinite(component)) return false;
        component = std::clamp(component, 0.0f, 1.0f);
    }
    if (!std::isfinite(record.lineWidth)) return false;
    record.lineWidth = std::clamp(record.lineWidth, 0.0f, DrawingStore::MAX_LINE_WIDTH);
    if (record.colourIndex < 0 || record.colourIndex >= DrawingStore::COLOUR_TABLE_SIZE)
        record.colourIndex = -1;
    if (record.widthIndex < 0 || record.widthIndex >= DrawingStore::WIDTH_TABLE_SIZE) record.widthIndex = -1;
    record.text = cleanText(record.text);
    return true;
}

// A file's float, clamped while still a double so that the narrowing stays defined.
float toFloat(double value, float low, float high) {
    if (!std::isfinite(value)) return NAN;
    return static_cast<float>(std::clamp(value, static_cast<double>(low), static_cast<double>(high)));
}

// One drawing as the file has it; none when a value has the wrong type. Optional members keep the
// record's defaults.
std::optional<DrawingRecord> readDrawing(const Value& drawing) {
    if (!drawing.IsObject()) return std::nullopt;
    DrawingRecord record;
    const Value* type = member(drawing, "type");
    const Value* points = member(drawing, "points");
    if (!type || !type->IsInt() || !points || !points->IsArray()) return std::nullopt;
    if (points->Size() > MAX_POLYGON_POINTS) return std::nullopt;
    record.type = type->GetInt();
    for (const Value& point : points->GetArray()) {
        if (!point.IsArray() || point.Size() != 2 || !point[0u].IsInt64() || !point[1u].IsNumber()) {
            return std::nullopt;
        }
        record.points.push_back({point[0u].GetInt64(), point[1u].GetDouble()});
    }
    if (const Value* colour = member(drawing, "colour")) {
        if (!colour->IsArray() || colour->Size() != 4) return std::nullopt;
        for (rapidjson::SizeType k = 0; k < 4; ++k) {
            if (!(*colour)[k].IsNumber()) return std::nullopt;
            record.colour[k] = toFloat((*colour)[k].GetDouble(), 0.0f, 1.0f);
        }
    }
    const auto readInt = [&](const char* name, int& target) {
        const Value* value = member(drawing, name);
        if (value && !value->IsInt()) return false;
        if (value) target = value->GetInt();
        return true;
    };
    const auto readBool = [&](const char* name, bool& target) {
        const Value* value = member(drawing, name);
        if (value && !value->IsBool()) return false;
        if (value) target = value->GetBool();
        return true;
    };
    if (!readInt("colourIndex", record.colourIndex) || !readInt("widthIndex", record.widthIndex) ||
        !readBool("locked", record.locked) || !readBool("hidden", record.hidden)) {
        return std::nullopt;
    }
    if (const Value* width = member(drawing, "lineWidth")) {
        if (!width->IsNumber()) return std::nullopt;
        record.lineWidth = toFloat(width->GetDouble(), 0.0f, DrawingStore::MAX_LINE_WIDTH);
    }
    if (const Value* text = member(drawing, "text")) {
        if (!text->IsString()) return std::nullopt;
        record.text.assign(text->GetString(), text->GetStringLength());
    }
    return record;
}

void writeDrawing(rapidjson::Writer<rapidjson::StringBuffer>& writer, const DrawingRecord& record) {
    writer.StartObject();
    writer.Key("type");
    writer.Int(record.type);
    writer.Key("colour");
    writer.StartArray();
    for (float component : record.colour) writer.Double(component);
    writer.EndArray();
    writer.Key("colourIndex");
    writer.Int(record.colourIndex);
    writer.Key("widthIndex");
    writer.Int(record.widthIndex);
    writer.Key("lineWidth");
    writer.Double(record.lineWidth);
    writer.Key("locked");
    writer.Bool(record.locked);
    writer.Key("hidden");
    writer.Bool(record.hidden);
    writer.Key("text");
    writer.String(record.text.data(), static_cast<rapidjson::SizeType>(record.text.size()));
    writer.Key("points");
    writer.StartArray();
    for (const DrawingRecord::Point& point : record.points) {
        writer.StartArray();
        writer.Int64(point.time);
        writer.Double(point.price);
        writer.EndArray();
    }
    writer.EndArray();
    writer.EndObject();
}

// The whole file, or none when it cannot be read or is larger than the cap (then tooLarge is set).
std::optional<std::string> readCapped(const std::string& path, bool& missing, bool& tooLarge) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        missing = errno == ENOENT;
        return std::nullopt;
    }
    std::string bytes;
    char chunk[READ_CHUNK];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.append(chunk, count);
        if (bytes.size() > DrawingStore::MAX_FILE_BYTES) {
            tooLarge = true;
            break;
        }
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed || tooLarge) return std::nullopt;
    return bytes;
}
}  // namespace

DrawingStore::DrawingStore(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    path_ = folder + FILE_NAME;
}

bool DrawingStore::load() {
    if (loaded_) return loadResult_;
    loaded_ = true;
    bool missing = false;
    bool tooLarge = false;
    const std::optional<std::string> bytes = readCapped(path_, missing, tooLarge);
    if (bytes) {
        loadResult_ = loadFromBytes(bytes->data(), bytes->size());
    } else if (missing) {
        loadResult_ = true;
    } else {
        logWarn("drawings: %s %s; no drawings loaded", path_.c_str(),
                tooLarge ? "is larger than 8 MiB" : "cannot be read");
        loadResult_ = false;
    }
    return loadResult_;
}

bool DrawingStore::loadFromBytes(const char* bytes, size_t size) {
    loaded_ = true;
    charts_.clear();
    const auto refuse = [&](const char* why) {
        logWarn("drawings: %s %s; no drawings loaded", path_.c_str(), why);
        return false;
    };
    versioned_json::Document document;
    if (const char* problem = document.read(bytes, size, FORMAT_NAME, FORMAT_VERSION)) return refuse(problem);
    const Value* charts = member(document, "charts");
    if (!charts || !charts->IsArray()) return refuse("has no chart list");

    std::map<ChartKey, std::vector<DrawingRecord>> loaded;
    size_t skippedDrawings = 0;
    size_t skippedCharts = 0;
    for (const Value& chart : charts->GetArray()) {
        const Value* symbol = chart.IsObject() ? member(chart, "symbol") : nullptr;
        const Value* ttype = chart.IsObject() ? member(chart, "ttype") : nullptr;
        const Value* drawings = chart.IsObject() ? member(chart, "drawings") : nullptr;
        if (!symbol || !symbol->IsString() || !ttype || !ttype->IsInt() || !drawings ||
            !drawings->IsArray()) {
            return refuse("has a chart of the wrong shape");
        }
        ChartKey key{std::string(symbol->GetString(), symbol->GetStringLength()), ttype->GetInt()};
        if (!isUsableSymbol(key.first) || !isTimeType(key.second) || loaded.count(key) != 0 ||
            loaded.size() >= MAX_CHARTS) {
            ++skippedCharts;
            continue;
        }
        std::vector<DrawingRecord> records;
        for (const Value& drawing : drawings->GetArray()) {
            std::optional<DrawingRecord> record = readDrawing(drawing);
            if (!record || !sanitize(*record) || records.size() >= MAX_DRAWINGS_PER_CHART) {
                ++skippedDrawings;
                continue;
            }
            records.push_back(std::move(*record));
        }
        if (!records.empty()) loaded.emplace(std::move(key), std::move(records));
    }
    if (skippedDrawings > 0 || skippedCharts > 0) {
        logWarn("drawings: skipped %zu drawings and %zu charts of %s", skippedDrawings, skippedCharts,
                path_.c_str());
    }
    charts_ = std::move(loaded);
    return true;
}

const std::vector<DrawingRecord>& DrawingStore::get(const std::string& symbol, int ttype) const {
    static const std::vector<DrawingRecord> NONE;
    const auto found = charts_.find(ChartKey{symbol, ttype});
    return found == charts_.end() ? NONE : found->second;
}

std::vector<DrawingStore::ChartKey> DrawingStore::charts() const {
    std::vector<ChartKey> keys;
    keys.reserve(charts_.size());
    for (const auto& chart : charts_) keys.push_back(chart.first);
    return keys;
}

bool DrawingStore::put(const std::string& symbol, int ttype, std::vector<DrawingRecord> records) {
    load();
    if (!isUsableSymbol(symbol) || !isTimeType(ttype)) {
        logWarn("drawings: no chart [%s][%d]; drawings not kept", symbol.c_str(), ttype);
        return false;
    }
    ChartKey key{symbol, ttype};
    std::erase_if(records, [](DrawingRecord& record) { return !sanitize(record); });
    if (records.size() > MAX_DRAWINGS_PER_CHART) {
        logWarn("drawings: [%s][%d] keeps only its first %zu drawings", symbol.c_str(), ttype,
                MAX_DRAWINGS_PER_CHART);
        records.resize(MAX_DRAWINGS_PER_CHART);
    }
    if (records.empty()) {
        charts_.erase(key);
    } else if (charts_.count(key) == 0 && charts_.size() >= MAX_CHARTS) {
        logWarn("drawings: %zu charts already have drawings; [%s][%d] not kept", MAX_CHARTS, symbol.c_str(),
                ttype);
        return false;
    } else {
        charts_[key] = std::move(records);
    }
    const bool saved = save();
    // Copied: a listener may remove itself or others while it runs.
    const std::map<int, Listener> listeners = listeners_;
    for (const auto& [token, listener] : listeners) {
        if (listeners_.count(token) != 0) listener(symbol, ttype);
    }
    return saved;
}

std::string DrawingStore::encode() const {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    versioned_json::startFile(writer, FORMAT_NAME, FORMAT_VERSION);
    writer.Key("charts");
    writer.StartArray();
    for (const auto& [key, records] : charts_) {
        writer.StartObject();
        writer.Key("symbol");
        writer.String(key.first.data(), static_cast<rapidjson::SizeType>(key.first.size()));
        writer.Key("ttype");
        writer.Int(key.second);
        writer.Key("drawings");
        writer.StartArray();
        for (const DrawingRecord& record : records) writeDrawing(writer, record);
        writer.EndArray();
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

bool DrawingStore::save() const {
    const std::string bytes = encode();
    // The loader would refuse such a file, and every drawing in it would be gone.
    if (bytes.size() > MAX_FILE_BYTES) {
        logWarn("drawings: %zu bytes would exceed the 8 MiB of %s; not saved", bytes.size(), path_.c_str());
        return false;
    }
    // saveFile logs the failure.
    return saveFile(path_, bytes.data(), bytes.size());
}

int DrawingStore::addListener(Listener listener) {
    const int token = nextToken_++;
    listeners_.emplace(token, std::move(listener));
    return token;
}

void DrawingStore::removeListener(int token) {
    listeners_.erase(token);
}
