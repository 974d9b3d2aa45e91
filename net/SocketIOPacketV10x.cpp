#include "SocketIOPacketV10x.h"

#include <rapidjson/document.h>

#include <algorithm>
#include <cctype>

namespace {

constexpr int JSON_FLAGS = rapidjson::kParseIterativeFlag;

// Reads the JSON string starting at text[pos] (a double quote); pos ends after its closing quote.
bool readJsonString(const std::string& text, size_t& pos, std::string& value) {
    if (pos >= text.size() || text[pos] != '"') return false;
    const size_t start = pos;
    bool escaped = false;
    size_t i = pos + 1;
    for (; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\') {
            escaped = true;
            ++i;
        }
    }
    if (i >= text.size()) return false;
    pos = i + 1;
    if (!escaped) {
        value.assign(text, start + 1, i - start - 1);
        return true;
    }
    rapidjson::Document doc;
    doc.Parse<JSON_FLAGS>(text.c_str() + start, pos - start);
    if (doc.HasParseError() || !doc.IsString()) return false;
    value.assign(doc.GetString(), doc.GetStringLength());
    return true;
}

void skipBlanks(const std::string& text, size_t& pos) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
}

// ["name",DATA...] from pos: the decoded name, and the text of the arguments as they stand.
bool splitEventArray(const std::string& text, size_t pos, std::string& name, std::string& data) {
    skipBlanks(text, pos);
    if (pos >= text.size() || text[pos] != '[') return false;
    ++pos;
    skipBlanks(text, pos);
    if (!readJsonString(text, pos, name)) return false;
    const size_t close = text.find_last_not_of(" \t\r\n");
    if (close == std::string::npos || text[close] != ']' || close < pos) return false;
    skipBlanks(text, pos);
    if (pos < close && text[pos] == ',') {
        ++pos;
    } else if (pos != close) {
        return false;
    }
    data.assign(text, pos, close - pos);
    return true;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

SocketIOPacketV10x::SocketIOPacketV10x()
    : typesMessage_{"connect", "disconnect", "event", "ack", "error", "binarevent", "binaryack"} {
    separator_ = "";
    endpointSeparator_ = ",";
    types_ = {"disconnected", "connected", "heartbeat", "pong", "message", "upgrade", "noop"};
}

SocketIOPacketV10x::~SocketIOPacketV10x() {}

int SocketIOPacketV10x::typeAsNumber() const {
    const auto message = std::find(typesMessage_.begin(), typesMessage_.end(), type_);
    if (message != typesMessage_.end()) return 40 + static_cast<int>(message - typesMessage_.begin());
    return SocketIOPacket::typeAsNumber();
}

// A namespace connect or disconnect carrying an id ("401/news,") is rejected by real servers.
bool SocketIOPacketV10x::omitsIdInClassicFrame() const {
    return type_ == "connect" || type_ == "disconnect";
}

void SocketIOPacketV10x::decodeFrame(const std::string& text) {
    initWithTypeIndex(text[0] - '0');
    std::string& data = args_.front();
    data = text.substr(1);
    if (type_ != "message") return;
    // A message: its type, then "/path," for a namespace other than the default one.
    if (data.empty() || !isDigit(data[0])) {
        decodeError_ = "message";
        return;
    }
    const size_t messageType = static_cast<size_t>(data[0] - '0');
    type_ = messageType < typesMessage_.size() ? typesMessage_[messageType] : std::string();
    data.erase(0, 1);
    if (!data.empty() && data[0] == '/') {
        const size_t comma = data.find(',');
        endpoint_ = data.substr(0, comma);
        data = comma == std::string::npos ? std::string() : data.substr(comma + 1);
    }
    std::string args;
    if (type_ == "event") {
        // An event that wants an acknowledgement carries its id in front of the array.
        size_t start = 0;
        while (start < data.size() && isDigit(data[start])) ++start;
        pId_ = data.substr(0, start);
        if (!splitEventArray(data, start, name_, args)) decodeError_ = "event";
        data = args;
    } else if (type_ == "ack") {
        const bool withId = !data.empty() && data[0] != '[';
        if (!(withId ? splitAck(data, pId_, args) : splitEventArray(data, 0, name_, args))) {
            decodeError_ = "acknowledgement";
        }
        if (withId) name_ = pId_;
        data = args;
    }
}

std::string SocketIOPacketV10x::stringify() const {
    std::string out;
    if (compactFraming_) {
        appendJsonString(out, name_);
        // With no argument a trailing comma would make the array invalid JSON.
        if (!args_.empty()) out += ",";
        for (const auto& arg : args_) out += arg;
        return out;
    }
    out = "[";
    appendJsonString(out, name_);
    for (const auto& arg : args_) {
        out += ",";
        appendJsonString(out, arg);
    }
    out += "]";
    return out;
}
