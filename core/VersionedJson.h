#pragma once

#include <cstddef>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

// The JSON files the terminal keeps for itself ("drawings.json", "alerts.json"): one object named by
// its "format" and numbered by its "version", rewritten whole.
namespace versioned_json {

// A document read without recursion (a deeply nested file must not exhaust the stack) and with its
// numbers rounded exactly: rapidjson 1.1's full-precision reader reads past its table of powers on long
// fractions with large exponents, so numbers arrive as text and from_chars rounds them.
class Document : public rapidjson::Document {
public:
    // Null when bytes hold an object of this format at a version from 1 to maxVersion; else why not,
    // in words for a log line about the file.
    const char* read(const char* bytes, size_t size, const char* format, int maxVersion);

    // The reader's handler for numbers kept as text.
    bool RawNumber(const char* text, rapidjson::SizeType length, bool copy);
};

// The value of a member, or null.
const rapidjson::Value* member(const rapidjson::Value& object, const char* name);

// Starts the top object with its format and version; the caller adds its members and ends it.
void startFile(rapidjson::Writer<rapidjson::StringBuffer>& writer, const char* format, int version);

}  // namespace versioned_json
