#pragma once

#include "SocketIOPacket.h"

// A packet of Socket.IO 1.x over Engine.IO, sent or received: transport packets ("heartbeat" is 2) and
// messages (40 + the message type, so "connect" is 40 and "event" is 42).
class SocketIOPacketV10x : public SocketIOPacket {
public:
    SocketIOPacketV10x();
    ~SocketIOPacketV10x() override;

    int typeAsNumber() const override;
    std::string stringify() const override;
    SocketIOVersion getVersion() const override { return SocketIOVersion::V10x; }

protected:
    bool omitsIdInClassicFrame() const override;
    void decodeFrame(const std::string& text) override;

private:
    std::vector<std::string> typesMessage_;
};
