#pragma once

#include <memory>
#include <string>
#include <vector>

// One Socket.IO packet of protocol 0.9, and the base of the 1.x packet, in both directions: toString()
// gives the frame text to send, decode() reads a received one. Plain value object; any thread, but
// the client uses it on the main thread.
class SocketIOPacket {
public:
    enum class SocketIOVersion { V09x = 0, V10x = 1 };

    SocketIOPacket();
    virtual ~SocketIOPacket();

    // Makes a packet of the given protocol generation and type name ("heartbeat", "event", ...).
    static std::unique_ptr<SocketIOPacket> createPacketWithType(const std::string& type,
                                                                SocketIOVersion version);

    // Reads a received frame of the given generation. Never null; the packet holds the type name
    // ("event", "ack", "connect", ...; in 1.x "heartbeat" and "pong" are Engine.IO's ping and pong), the
    // endpoint ("/" when the frame names none), the id, the event name (an acknowledgement is named by
    // its id) and exactly one data text: the arguments as they stand. A part that cannot be read leaves
    // getDecodeError() set and the rest unreliable.
    static std::unique_ptr<SocketIOPacket> decode(const std::string& text, SocketIOVersion version);

    void initWithType(const std::string& packetType) { type_ = packetType; }
    void initWithTypeIndex(int index);

    // The frame text: "5:9+::{...}" (0.9), "42[...]", "21", "40/news," (1.x).
    std::string toString() const;

    // The number of the packet's type on the wire; -1 for a name missing from the tables.
    virtual int typeAsNumber() const;
    // The payload part of the frame: the event object (0.9) or array (1.x).
    virtual std::string stringify() const;

    std::string typeForIndex(int index) const;

    void setEndpoint(const std::string& endpoint) { endpoint_ = endpoint; }
    const std::string& getEndpoint() const { return endpoint_; }
    void setEvent(const std::string& name) { name_ = name; }
    const std::string& getEvent() const { return name_; }
    void addData(const std::string& data) { args_.push_back(data); }
    const std::vector<std::string>& getData() const { return args_; }
    void setId(const std::string& id) { pId_ = id; }
    const std::string& getId() const { return pId_; }
    // "data" asks the server to acknowledge with data (0.9 writes "+" after the id).
    void setAck(const std::string& ack) { ack_ = ack; }
    const std::string& getAck() const { return ack_; }
    const std::string& getType() const { return type_; }
    // Set by emit: the arguments are JSON texts, written as they are.
    void setCompactFraming(bool compact) { compactFraming_ = compact; }
    bool isCompactFraming() const { return compactFraming_; }
    virtual SocketIOVersion getVersion() const { return SocketIOVersion::V09x; }
    // What decode() could not read: "frame", "message", "event" or "acknowledgement"; empty otherwise.
    const std::string& getDecodeError() const { return decodeError_; }

protected:
    // Appends text as a JSON string literal.
    static void appendJsonString(std::string& out, const std::string& text);
    std::string classicFrame() const;
    virtual bool omitsIdInClassicFrame() const;
    // Fills this packet from a received frame that starts with a digit.
    virtual void decodeFrame(const std::string& text);
    // The acknowledgement id in front of its array, as in 12["ok"]: the id, and the array's contents.
    static bool splitAck(const std::string& text, std::string& id, std::string& data);

    std::string pId_;
    std::string ack_;
    std::string name_;
    std::vector<std::string> args_;
    std::string endpoint_;
    std::string endpointSeparator_;
    std::string type_;
    std::string separator_;
    std::vector<std::string> types_;
    bool compactFraming_ = false;
    std::string decodeError_;
};
