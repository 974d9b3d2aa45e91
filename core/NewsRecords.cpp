#include "NewsRecords.h"

#include <climits>
#include <cmath>
#include <ctime>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "CDebugModule.h"
#include "FeedDefaults.h"

namespace news_records {

namespace {
constexpr int HISTORY_LIMIT = 50;
constexpr size_t TIMESTR_LENGTH = 19;
constexpr int HISTORY_OK = 200;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits at [at, at + count) of text, or -1.
int digitsAt(const std::string& text, size_t at, size_t count) {
    if (at + count > text.size()) return -1;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!isDigit(text[i])) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

int daysInMonth(int year, int month) {
    static const int DAYS[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : DAYS[month - 1];
}

struct Fields {
    int year, month, day, hour, minute, second;
};

// The positional date and time of "YYYY-MM-DD?HH:MM[:SS]"; false when a field is missing or out of range.
bool readFields(const std::string& text, bool withSeconds, Fields& f) {
    f.year = digitsAt(text, 0, 4);
    f.month = digitsAt(text, 5, 2);
    f.day = digitsAt(text, 8, 2);
    f.hour = digitsAt(text, 11, 2);
    f.minute = digitsAt(text, 14, 2);
    f.second = withSeconds ? digitsAt(text, 17, 2) : 0;
    if (text.size() < 16 || text[4] != '-' || text[7] != '-' || text[13] != ':') return false;
    if (withSeconds && (text.size() < TIMESTR_LENGTH || text[16] != ':')) return false;
    if (f.year < 1970 || f.month < 1 || f.month > 12 || f.day < 1 || f.hour < 0 || f.hour > 23 ||
        f.minute < 0 || f.minute > 59 || f.second < 0 || f.second > 59)
        return false;
    return f.day <= daysInMonth(f.year, f.month);
}

std::tm toTm(const Fields& f) {
    std::tm tm{};
    tm.tm_year = f.year - 1900;
    tm.tm_mon = f.month - 1;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hour;
    tm.tm_min = f.minute;
    tm.tm_sec = f.second;
    return tm;
}
}  // namespace

std::string historyRequestBody() {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("app");
    writer.String("PC");
    writer.Key("password");
    writer.String(FEED_NEWS_PASSWORD);
    writer.Key("method");
    writer.String("GetFlashListRequest");
    writer.Key("sessionId");
    writer.String("");
    writer.Key("jsonStr");
    writer.StartObject();
    writer.Key("wheres");
    writer.StartObject();
    writer.Key("MaxTime");
    writer.Int(0);
    writer.EndObject();
    writer.Key("limit");
    writer.Int(HISTORY_LIMIT);
    writer.EndObject();
    writer.EndObject();
    return buffer.GetString();
}

std::string stripTags(const std::string& text) {
    std::string out = text;
    size_t open = out.find('<');
    for (int removed = 0; open != std::string::npos && removed < MAX_STRIPPED_TAGS; ++removed) {
        // The ">" that closes this tag; a stray ">" before it is text. An unclosed "<" is kept as text.
        const size_t close = out.find('>', open);
        if (close == std::string::npos) break;
        out.erase(open, close - open + 1);
        open = out.find('<', open);
    }
    return out;
}

std::string cleanNewsText(const std::string& text) {
    if (text.find("</b>") == std::string::npos && text.find("</a>") == std::string::npos) return text;
    return stripTags(text);
}

std::optional<std::string> decodePayload(const std::string& data) {
    if (data.empty() || data[0] != '"') return data;
    rapidjson::Document document;
    document.Parse(data.c_str(), data.size());
    if (document.HasParseError() || !document.IsString()) {
        logWarn("news record is not a valid JSON string, dropped");
        return std::nullopt;
    }
    return std::string(document.GetString(), document.GetStringLength());
}

std::vector<std::string> splitFields(const std::string& record) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t hash = record.find('#', start);
        if (hash == std::string::npos) {
            fields.push_back(record.substr(start));
            return fields;
        }
        fields.push_back(record.substr(start, hash - start));
        start = hash + 1;
    }
}

int recordType(const std::string& field) {
    if (field.size() != 1 || field[0] < '0' || field[0] > '5') return -1;
    return field[0] - '0';
}

std::string historyFlashKey(const std::string& timestr) {
    Fields f{};
    if (timestr.size() < TIMESTR_LENGTH || !readFields(timestr, true, f)) return "";
    std::tm tm = toTm(f);
    time_t stamp;
    if (timestr.size() > TIMESTR_LENGTH && timestr.back() == 'Z') {
        stamp = timegm(&tm);
    } else {
        tm.tm_isdst = -1;
        stamp = mktime(&tm);
    }
    if (stamp == static_cast<time_t>(-1)) return "";
    std::tm utc{};
    if (!gmtime_r(&stamp, &utc)) return "";
    char key[32];
    std::strftime(key, sizeof key, "%Y-%m-%d %H:%M:%S", &utc);
    return key;
}

HistoryReply readHistoryReply(const rapidjson::Document& document, std::vector<HistoryItem>& items) {
    items.clear();
    if (!document.IsObject()) return HistoryReply::Failed;
    const auto status = document.FindMember("status_code");
    if (status == document.MemberEnd() || !status->value.IsNumber() ||
        status->value.GetDouble() != HISTORY_OK)
        return HistoryReply::Failed;
    const auto data = document.FindMember("data");
    if (data == document.MemberEnd() || !data->value.IsArray()) return HistoryReply::NoData;
    for (const auto& element : data->value.GetArray()) {
        if (!element.IsObject()) continue;
        HistoryItem item;
        if (auto type = element.FindMember("type"); type != element.MemberEnd() && type->value.IsNumber()) {
            const double value = type->value.GetDouble();
            item.type = std::isnan(value)  ? 0
                        : value >= INT_MAX ? INT_MAX
                        : value <= INT_MIN ? INT_MIN
                                           : static_cast<int>(value);
        }
        if (auto content = element.FindMember("content");
            content != element.MemberEnd() && content->value.IsString())
            item.content.assign(content->value.GetString(), content->value.GetStringLength());
        if (auto time = element.FindMember("timestr"); time != element.MemberEnd() && time->value.IsString())
            item.timestr.assign(time->value.GetString(), time->value.GetStringLength());
        items.push_back(std::move(item));
    }
    return HistoryReply::Items;
}

std::optional<UtcKey> parseUtcKey(const std::string& key) {
    const bool withSeconds = key.size() == TIMESTR_LENGTH;
    if (!withSeconds && key.size() != 16) return std::nullopt;
    if (key[10] != ' ') return std::nullopt;
    Fields f{};
    if (!readFields(key, withSeconds, f)) return std::nullopt;
    std::tm tm = toTm(f);
    return UtcKey{static_cast<int64_t>(timegm(&tm)), withSeconds};
}

}  // namespace news_records
