#include "VersionedJson.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>

#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

namespace versioned_json {

namespace {
constexpr unsigned PARSE_FLAGS = rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag;
}  // namespace

bool Document::RawNumber(const char* text, rapidjson::SizeType length, bool) {
    const char* end = text + length;
    if (std::find_if(text, end, [](char c) { return c == '.' || c == 'e' || c == 'E'; }) == end) {
        int64_t whole = 0;
        const auto [stop, error] = std::from_chars(text, end, whole);
        if (error == std::errc() && stop == end) return Int64(whole);
    }
    double real = 0.0;
    const auto [stop, error] = std::from_chars(text, end, real);
    return error == std::errc() && stop == end && Double(real);
}

const char* Document::read(const char* bytes, size_t size, const char* format, int maxVersion) {
    bool parsed = false;
    auto generate = [&](rapidjson::Document& self) {
        rapidjson::MemoryStream stream(bytes, size);
        rapidjson::Reader reader;
        parsed = !reader.Parse<PARSE_FLAGS>(stream, static_cast<Document&>(self)).IsError();
        return parsed;
    };
    Populate(generate);
    if (!parsed) return "is not valid JSON";
    if (!IsObject()) return "has no top object";
    const rapidjson::Value* name = member(*this, "format");
    if (!name || !name->IsString() || std::string(name->GetString(), name->GetStringLength()) != format)
        return "is of another format";
    const rapidjson::Value* version = member(*this, "version");
    if (!version || !version->IsInt() || version->GetInt() < 1) return "has no valid version";
    if (version->GetInt() > maxVersion) return "is of a newer version";
    return nullptr;
}

const rapidjson::Value* member(const rapidjson::Value& object, const char* name) {
    const auto found = object.FindMember(name);
    return found == object.MemberEnd() ? nullptr : &found->value;
}

void startFile(rapidjson::Writer<rapidjson::StringBuffer>& writer, const char* format, int version) {
    writer.StartObject();
    writer.Key("format");
    writer.String(format);
    writer.Key("version");
    writer.Int(version);
}

}  // namespace versioned_json
