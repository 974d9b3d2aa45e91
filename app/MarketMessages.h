#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The market stream's messages: the two subscriptions we send, and the quotes and live bars we
// receive. Texts in, values out; nothing here touches the network or the scene.
namespace market_messages {

// {"list":["AUDJPY",...]}, compact, codes in the given order (duplicates kept).
std::string quoteSubscription(const std::vector<std::string>& codes);
// {"list":[{"symbol":"AUDJPY","timeType":1},...]}, compact, in the given order.
std::string klineSubscription(const std::vector<std::pair<std::string, int>>& windows);

struct Quote {
    std::string code;
    float reference = 0;
    float high = 0;
    float low = 0;
    float last = 0;
    int64_t time = 0;
};

struct LiveBar {
    std::string code;
    uint32_t time = 0;
    float open = 0;
    float high = 0;
    float low = 0;
    float close = 0;
    int32_t volume = 0;
    int timeType = 1;
};

enum class ParseResult { Ok, BadJson, NotArray };

// [code, reference, high, low, last, time]: missing or mistyped elements keep their defaults.
ParseResult parseQuote(const std::string& text, Quote& quote);
// [[code, time, open, high, low, close, volume, timeType], ...]: elements that are not arrays are
// skipped; inside a bar, missing or mistyped items keep their defaults (time type 1).
ParseResult parseBars(const std::string& text, std::vector<LiveBar>& bars);
// Whether the text is JSON at all (the subscription acknowledgement is only checked).
bool isJson(const std::string& text);

}  // namespace market_messages
