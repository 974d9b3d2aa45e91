#include "SocketIOPacketV10x.h"

#include <algorithm>

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
