#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <rapidjson/document.h>

// The news stream's record format and the news history's request and reply, as pure functions (any
// thread). A live record is one text of "#"-separated fields whose field 0 is its type.
namespace news_records {

enum RecordType {
    FLASH_ADDED = 0,
    DATA_ADDED = 1,
    FLASH_CHANGED = 2,
    DATA_UPDATED = 3,
    IGNORED = 4,
    REMOVED = 5
};

// The history service's request (its password is the feed's), compact, byte for byte.
std::string historyRequestBody();

// Tags are removed left to right, at most this many; the rest of the text stays as it is.
constexpr int MAX_STRIPPED_TAGS = 100;
std::string stripTags(const std::string& text);
// The tag rule of texts shown in rows: a text holding "</b>" or "</a>" loses its tags.
std::string cleanNewsText(const std::string& text);

// The record a peer sent: a JSON string (what a Socket.IO 1.x event argument is) is decoded, escapes
// included; any other text is the record itself. Empty when a quoted payload is not valid JSON.
std::optional<std::string> decodePayload(const std::string& data);
// Splits at every "#": n separators give n + 1 fields.
std::vector<std::string> splitFields(const std::string& record);
// The type of field 0: a whole number from 0 to 5, else -1 (ignored).
int recordType(const std::string& field);

// The flash key of a history item's time: "YYYY-MM-DD?HH:MM:SS" read positionally (a blank or "T"
// between date and time). A trailing "Z" means UTC; otherwise the time is local, as written. Empty
// when the text is shorter than 19 characters or a field is out of range.
std::string historyFlashKey(const std::string& timestr);

struct HistoryItem {
    int type = 0;
    std::string content;
    std::string timestr;
};
enum class HistoryReply { Failed, NoData, Items };
// Reads a history reply: Failed unless it is an object with the number 200 as "status_code"; NoData
// when "data" is missing or not an array. Items are in reply order; elements that are not objects
// are skipped, members of the wrong type read as absent, "type" is clamped to int.
HistoryReply readHistoryReply(const rapidjson::Document& document, std::vector<HistoryItem>& items);

// "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DD HH:MM" read as UTC, with the length of the form it matched;
// empty for any other text.
struct UtcKey {
    int64_t unixSeconds = 0;
    bool withSeconds = false;
};
std::optional<UtcKey> parseUtcKey(const std::string& key);

}  // namespace news_records
