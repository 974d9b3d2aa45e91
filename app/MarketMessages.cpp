#include "MarketMessages.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace market_messages {
namespace {
constexpr unsigned PARSE_FLAGS = rapidjson::kParseIterativeFlag;

bool parse(const std::string& text, rapidjson::Document& document) {
    document.Parse<PARSE_FLAGS>(text.c_str(), text.size());
    return !document.HasParseError();
}

// Numbers arrive as doubles of any size: clamp before converting so a huge or broken value cannot
// make the conversion undefined.
template <typename Int>
Int toInt(const rapidjson::Value& value) {
    const double number = value.GetDouble();
    if (std::isnan(number)) return 0;
    // The limits as doubles may round past the range: compare, never convert an out-of-range value.
    if (number >= static_cast<double>(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    if (number <= static_cast<double>(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    return static_cast<Int>(number);
}

float toFloat(const rapidjson::Value& value) {
    const double number = value.GetDouble();
    if (std::isnan(number)) return 0;
    // A double beyond the float range would not convert.
    return static_cast<float>(std::clamp(number, -static_cast<double>(std::numeric_limits<float>::max()),
                                         static_cast<double>(std::numeric_limits<float>::max())));
}
}  // namespace

std::string quoteSubscription(const std::vector<std::string>& codes) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("list");
    writer.StartArray();
    for (const std::string& code : codes)
        writer.String(code.c_str(), static_cast<rapidjson::SizeType>(code.size()));
    writer.EndArray();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string klineSubscription(const std::vector<std::pair<std::string, int>>& windows) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("list");
    writer.StartArray();
    for (const auto& [code, timeType] : windows) {
        writer.StartObject();
        writer.Key("symbol");
        writer.String(code.c_str(), static_cast<rapidjson::SizeType>(code.size()));
        writer.Key("timeType");
        writer.Int(timeType);
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

ParseResult parseQuote(const std::string& text, Quote& quote) {
    rapidjson::Document document;
    if (!parse(text, document)) return ParseResult::BadJson;
    if (!document.IsArray()) return ParseResult::NotArray;
    const auto size = document.Size();
    if (size > 0 && document[0].IsString())
        quote.code.assign(document[0].GetString(), document[0].GetStringLength());
    float* prices[] = {&quote.reference, &quote.high, &quote.low, &quote.last};
    for (rapidjson::SizeType k = 1; k <= 4; ++k)
        if (size > k && document[k].IsNumber()) *prices[k - 1] = toFloat(document[k]);
    if (size > 5 && document[5].IsNumber()) quote.time = toInt<int64_t>(document[5]);
    return ParseResult::Ok;
}

ParseResult parseBars(const std::string& text, std::vector<LiveBar>& bars) {
    rapidjson::Document document;
    if (!parse(text, document)) return ParseResult::BadJson;
    if (!document.IsArray()) return ParseResult::NotArray;
    for (const rapidjson::Value& element : document.GetArray()) {
        if (!element.IsArray()) continue;
        LiveBar bar;
        const auto size = std::min<rapidjson::SizeType>(element.Size(), 8);
        for (rapidjson::SizeType k = size; k-- > 0;) {
            const rapidjson::Value& item = element[k];
            if (k == 0) {
                if (item.IsString()) bar.code.assign(item.GetString(), item.GetStringLength());
                continue;
            }
            if (!item.IsNumber()) continue;
            switch (k) {
                case 1:
                    bar.time = toInt<uint32_t>(item);
                    break;
                case 2:
                    bar.open = toFloat(item);
                    break;
                case 3:
                    bar.high = toFloat(item);
                    break;
                case 4:
                    bar.low = toFloat(item);
                    break;
                case 5:
                    bar.close = toFloat(item);
                    break;
                case 6:
                    bar.volume = toInt<int32_t>(item);
                    break;
                case 7:
                    bar.timeType = toInt<int>(item);
                    break;
                default:
                    break;
            }
        }
        bars.push_back(std::move(bar));
    }
    return ParseResult::Ok;
}

bool isJson(const std::string& text) {
    rapidjson::Document document;
    return parse(text, document);
}

}  // namespace market_messages
