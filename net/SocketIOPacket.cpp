#include "SocketIOPacket.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <cstdio>

#include "SocketIOPacketV10x.h"

namespace {

constexpr int JSON_FLAGS = rapidjson::kParseIterativeFlag;

std::string compactJson(const rapidjson::Value& value) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    value.Accept(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

// {"name":"ev","args":[...]} of 0.9: the name and the arguments' text (joined by commas).
bool splitEventObject(const std::string& text, std::string& name, std::string& data) {
    rapidjson::Document doc;
    doc.Parse<JSON_FLAGS>(text.c_str(), text.size());
    if (doc.HasParseError() || !doc.IsObject()) return false;
    const auto nameMember = doc.FindMember("name");
    if (nameMember == doc.MemberEnd() || !nameMember->value.IsString()) return false;
    name.assign(nameMember->value.GetString(), nameMember->value.GetStringLength());
    data.clear();
    const auto args = doc.FindMember("args");
    if (args == doc.MemberEnd() || !args->value.IsArray()) return true;
    // The usual layout keeps the arguments' own text; anything else is written back compactly.
    const std::string prefix = "{\"name\":" + compactJson(nameMember->value) + ",\"args\":[";
    const std::string suffix = "]}";
    if (text.size() >= prefix.size() + suffix.size() && text.compare(0, prefix.size(), prefix) == 0 &&
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
        data.assign(text, prefix.size(), text.size() - prefix.size() - suffix.size());
        return true;
    }
    for (rapidjson::SizeType i = 0; i < args->value.Size(); ++i) {
        if (i) data += ",";
        data += compactJson(args->value[i]);
    }
    return true;
}

}  // namespace

SocketIOPacket::SocketIOPacket()
    : pId_("1"), separator_(":"), types_{"disconnect", "connect", "heartbeat", "message", "json",
                                         "event",      "ack",     "error",     "noop"} {}

SocketIOPacket::~SocketIOPacket() {}

std::unique_ptr<SocketIOPacket> SocketIOPacket::createPacketWithType(const std::string& type,
                                                                     SocketIOVersion version) {
    std::unique_ptr<SocketIOPacket> packet;
    if (version == SocketIOVersion::V10x) {
        packet = std::make_unique<SocketIOPacketV10x>();
    } else {
        packet = std::make_unique<SocketIOPacket>();
    }
    packet->initWithType(type);
    return packet;
}

std::unique_ptr<SocketIOPacket> SocketIOPacket::decode(const std::string& text, SocketIOVersion version) {
    auto packet = createPacketWithType(std::string(), version);
    packet->pId_.clear();
    packet->endpoint_ = "/";
    packet->args_.assign(1, std::string());
    if (text.empty() || text[0] < '0' || text[0] > '9') {
        packet->decodeError_ = "frame";
    } else {
        packet->decodeFrame(text);
    }
    return packet;
}

void SocketIOPacket::decodeFrame(const std::string& text) {
    initWithTypeIndex(text[0] - '0');
    // type:id:endpoint:data
    const size_t first = text.find(':', 1);
    if (first == std::string::npos) {
        decodeError_ = "frame";
        return;
    }
    std::string rest = text.substr(first + 1);
    const size_t second = rest.find(':');
    pId_ = rest.substr(0, second);
    if (!pId_.empty() && pId_.back() == '+') {
        pId_.pop_back();
        ack_ = "data";
    }
    rest = second == std::string::npos ? std::string() : rest.substr(second + 1);
    const size_t third = rest.find(':');
    endpoint_ = rest.substr(0, third);
    if (endpoint_.empty()) endpoint_ = "/";
    std::string& data = args_.front();
    data = third == std::string::npos ? std::string() : rest.substr(third + 1);
    if (type_ == "event") {
        std::string args;
        if (!splitEventObject(data, name_, args)) decodeError_ = "event";
        data = args;
    } else if (type_ == "ack") {
        // 9+[...] acknowledges the emit with id 9.
        std::string args;
        if (!splitAck(data, pId_, args)) decodeError_ = "acknowledgement";
        if (!pId_.empty() && pId_.back() == '+') pId_.pop_back();
        name_ = pId_;
        data = args;
    }
}

bool SocketIOPacket::splitAck(const std::string& text, std::string& id, std::string& data) {
    const size_t open = text.find('[');
    if (open == std::string::npos || text.back() != ']') return false;
    id.assign(text, 0, open);
    data.assign(text, open + 1, text.size() - open - 2);
    return true;
}

void SocketIOPacket::initWithTypeIndex(int index) {
    type_ = typeForIndex(index);
}

std::string SocketIOPacket::typeForIndex(int index) const {
    if (index < 0 || index >= static_cast<int>(types_.size())) return std::string();
    return types_[static_cast<size_t>(index)];
}

int SocketIOPacket::typeAsNumber() const {
    const auto it = std::find(types_.begin(), types_.end(), type_);
    return it == types_.end() ? -1 : static_cast<int>(it - types_.begin());
}

bool SocketIOPacket::omitsIdInClassicFrame() const {
    return false;
}

std::string SocketIOPacket::toString() const {
    // 0.9 has no compact form: its events always travel as {"name":...,"args":[...]} in a classic frame.
    if (!compactFraming_ || getVersion() == SocketIOVersion::V09x) return classicFrame();
    std::string frame = std::to_string(typeAsNumber());
    // Without the namespace a real server would deliver the event to the default one.
    if (!endpoint_.empty() && endpoint_ != "/") frame += endpoint_ + ",";
    frame += pId_;
    frame += "[";
    frame += stringify();
    frame += "]";
    return frame;
}

std::string SocketIOPacket::classicFrame() const {
    std::string frame = std::to_string(typeAsNumber());
    frame += separator_;
    if (type_ != "ack" && !omitsIdInClassicFrame()) {
        frame += pId_;
        if (ack_ == "data") frame += "+";
    }
    frame += separator_;
    if (!endpoint_.empty() && endpoint_ != "/" && type_ != "ack" && type_ != "heartbeat" &&
        type_ != "disconnect") {
        frame += endpoint_ + endpointSeparator_;
    }
    frame += separator_;
    // A 0.9 event needs its object even without arguments, or the server cannot parse it.
    const bool eventOf09 = type_ == "event" && getVersion() == SocketIOVersion::V09x;
    if (!args_.empty() || eventOf09) {
        if (type_ == "ack") frame += pId_ + "+";
        frame += stringify();
    }
    return frame;
}

std::string SocketIOPacket::stringify() const {
    if (type_ == "message") return args_.empty() ? std::string() : args_.front();
    std::string out = "{\"name\":";
    appendJsonString(out, name_);
    out += ",\"args\":[";
    for (size_t i = 0; i < args_.size(); ++i) {
        if (i) out += ",";
        // Emitted arguments are JSON already; others are plain texts.
        if (compactFraming_) {
            out += args_[i];
        } else {
            appendJsonString(out, args_[i]);
        }
    }
    out += "]}";
    return out;
}

void SocketIOPacket::appendJsonString(std::string& out, const std::string& text) {
    out += '"';
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}
