#include "SocketIOPacket.h"

#include <algorithm>
#include <cstdio>

#include "SocketIOPacketV10x.h"

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
