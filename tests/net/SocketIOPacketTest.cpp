#include <gtest/gtest.h>

#include "SocketIOPacket.h"
#include "SocketIOPacketV10x.h"

namespace {

using Version = SocketIOPacket::SocketIOVersion;

std::unique_ptr<SocketIOPacket> packet(const std::string& type, Version version) {
    return SocketIOPacket::createPacketWithType(type, version);
}

std::unique_ptr<SocketIOPacket> emitted(Version version, const std::string& endpoint, const std::string& name,
                                        const std::string& args, const std::string& id) {
    auto p = packet("event", version);
    p->setEndpoint(endpoint);
    p->setEvent(name);
    p->addData(args);
    p->setId(id);
    if (version == Version::V09x && !id.empty()) p->setAck("data");
    p->setCompactFraming(true);
    return p;
}

// A received frame as type|endpoint|id|event|data, or the part that could not be read.
std::string decoded(const std::string& text, Version version) {
    const auto p = SocketIOPacket::decode(text, version);
    if (!p->getDecodeError().empty()) return "unreadable " + p->getDecodeError();
    return p->getType() + "|" + p->getEndpoint() + "|" + p->getId() + "|" + p->getEvent() + "|" +
           p->getData().front();
}

TEST(SocketIOPacket, TypeNumbersFollowTheTables) {
    EXPECT_EQ(packet("disconnect", Version::V09x)->typeAsNumber(), 0);
    EXPECT_EQ(packet("heartbeat", Version::V09x)->typeAsNumber(), 2);
    EXPECT_EQ(packet("event", Version::V09x)->typeAsNumber(), 5);
    EXPECT_EQ(packet("ack", Version::V09x)->typeAsNumber(), 6);
    EXPECT_EQ(packet("noop", Version::V09x)->typeAsNumber(), 8);
    EXPECT_EQ(packet("connect", Version::V10x)->typeAsNumber(), 40);
    EXPECT_EQ(packet("disconnect", Version::V10x)->typeAsNumber(), 41);
    EXPECT_EQ(packet("event", Version::V10x)->typeAsNumber(), 42);
    EXPECT_EQ(packet("ack", Version::V10x)->typeAsNumber(), 43);
    EXPECT_EQ(packet("binaryack", Version::V10x)->typeAsNumber(), 46);
    EXPECT_EQ(packet("heartbeat", Version::V10x)->typeAsNumber(), 2);
    EXPECT_EQ(packet("pong", Version::V10x)->typeAsNumber(), 3);
    EXPECT_EQ(packet("upgrade", Version::V10x)->typeAsNumber(), 5);
    EXPECT_EQ(packet("no such type", Version::V10x)->typeAsNumber(), -1);
    EXPECT_EQ(packet("event", Version::V10x)->getId(), "1");
    EXPECT_FALSE(packet("event", Version::V10x)->isCompactFraming());

    SocketIOPacket byIndex;
    byIndex.initWithTypeIndex(7);
    EXPECT_EQ(byIndex.getType(), "error");
    byIndex.initWithTypeIndex(42);
    EXPECT_EQ(byIndex.getType(), "");
}

TEST(SocketIOPacket, FramesOfProtocol1x) {
    EXPECT_EQ(emitted(Version::V10x, "", "sub", R"({"a":1})", "")->toString(), R"(42["sub",{"a":1}])");
    EXPECT_EQ(emitted(Version::V10x, "", "setKlineSubscription", R"({"list":[]})", "9")->toString(),
              R"(429["setKlineSubscription",{"list":[]}])");
    // Engine.IO ping carrying the id "1".
    EXPECT_EQ(packet("heartbeat", Version::V10x)->toString(), "21");
    // Real servers reject the id in "401/news,": the namespace connect carries none.
    auto connect = packet("connect", Version::V10x);
    connect->setEndpoint("/news");
    EXPECT_EQ(connect->toString(), "40/news,");
    auto connectDefault = packet("connect", Version::V10x);
    connectDefault->setEndpoint("/");
    EXPECT_EQ(connectDefault->toString(), "40");
}

TEST(SocketIOPacket, EventsOnANamespaceAndWithoutArgumentsStayValid) {
    EXPECT_EQ(emitted(Version::V10x, "/news", "echo", R"("x")", "9")->toString(), R"(42/news,9["echo","x"])");
    auto bare = packet("event", Version::V10x);
    bare->setEvent("ping");
    bare->setId("");
    bare->setCompactFraming(true);
    EXPECT_EQ(bare->toString(), R"(42["ping"])");
    auto quoted = emitted(Version::V10x, "", "say \"hi\"", "1", "");
    EXPECT_EQ(quoted->toString(), R"(42["say \"hi\"",1])");
}

TEST(SocketIOPacket, FramesOfProtocol09) {
    EXPECT_EQ(packet("heartbeat", Version::V09x)->toString(), "2:1::");
    auto connect = packet("connect", Version::V09x);
    connect->setEndpoint("/news");
    EXPECT_EQ(connect->toString(), "1:1:/news:");
    // An emit is a 0.9 event frame with its arguments as JSON; "+" asks for the acknowledgement.
    EXPECT_EQ(emitted(Version::V09x, "", "setKlineSubscription", R"({"list":[]})", "9")->toString(),
              R"(5:9+::{"name":"setKlineSubscription","args":[{"list":[]}]})");
    EXPECT_EQ(emitted(Version::V09x, "/news", "echo", R"("x")", "")->toString(),
              R"(5::/news:{"name":"echo","args":["x"]})");
}

TEST(SocketIOPacket, ClassicPayloadsQuoteTheirArguments) {
    auto message = packet("message", Version::V09x);
    message->setId("");
    message->addData("plain text");
    message->addData("ignored");
    EXPECT_EQ(message->toString(), "3:::plain text");

    auto event09 = packet("event", Version::V09x);
    event09->setEvent("n");
    event09->addData("a\"b");
    event09->addData("line\nnext");
    EXPECT_EQ(event09->stringify(), R"({"name":"n","args":["a\"b","line\nnext"]})");
    event09->setCompactFraming(true);
    EXPECT_EQ(event09->stringify(), R"({"name":"n","args":[a"b,line)"
                                    "\n"
                                    R"(next]})");

    auto event10 = packet("event", Version::V10x);
    event10->setEvent("n");
    event10->addData("a");
    event10->addData(std::string("\x01", 1));
    EXPECT_EQ(event10->stringify(), R"(["n","a","\u0001"])");
    event10->setCompactFraming(true);
    EXPECT_EQ(event10->stringify(), std::string(R"("n",a)") + "\x01");
}

TEST(SocketIOPacket, DecodesFramesOfProtocol1x) {
    const auto read = [](const std::string& text) { return decoded(text, Version::V10x); };
    EXPECT_EQ(read("2probe"), "heartbeat|/|||probe");
    EXPECT_EQ(read("3probe"), "pong|/|||probe");
    EXPECT_EQ(read("40"), "connect|/|||");
    EXPECT_EQ(read("40/news"), "connect|/news|||");
    EXPECT_EQ(read("41/news"), "disconnect|/news|||");
    EXPECT_EQ(read(R"(42["quote",{"p":1.5}])"), R"(event|/||quote|{"p":1.5})");
    // An event asking for an acknowledgement carries its id first; arguments stay as they stand.
    EXPECT_EQ(read(R"(4212["quote","a",2])"), R"(event|/|12|quote|"a",2)");
    EXPECT_EQ(read(R"(42["esc\"aped",true])"), R"(event|/||esc"aped|true)");
    EXPECT_EQ(read(R"(42/news,["flash","0#x"])"), R"(event|/news||flash|"0#x")");
    // An acknowledgement is named by its id.
    EXPECT_EQ(read(R"(439[{"a":1}])"), R"(ack|/|9|9|{"a":1})");
    EXPECT_EQ(read(R"(43/news,9[{"a":1}])"), R"(ack|/news|9|9|{"a":1})");
    EXPECT_EQ(read(R"(43["ok",1])"), "ack|/||ok|1");
    EXPECT_EQ(read(R"(44{"message":"bad"})"), R"(error|/|||{"message":"bad"})");
    EXPECT_EQ(read("6"), "noop|/|||");
    // A type missing from the tables has no name, and the connection passes it by.
    EXPECT_EQ(read("9zzz"), "|/|||zzz");

    for (const std::string frame : {"", "x"}) EXPECT_EQ(read(frame), "unreadable frame") << frame;
    for (const std::string frame : {"4", "4x"}) EXPECT_EQ(read(frame), "unreadable message") << frame;
    for (const std::string frame :
         {"42", "42[", "42[\"unterminated", "42[\"a\",1", "42{}", "42[1,2]", "42/news,"}) {
        EXPECT_EQ(read(frame), "unreadable event") << frame;
    }
    for (const std::string frame : {"43", "43abc", "439", "43["}) {
        EXPECT_EQ(read(frame), "unreadable acknowledgement") << frame;
    }
}

TEST(SocketIOPacket, DecodesFramesOfProtocol09) {
    const auto read = [](const std::string& text) { return decoded(text, Version::V09x); };
    EXPECT_EQ(read("1::/news"), "connect|/news|||");
    EXPECT_EQ(read("0::/news"), "disconnect|/news|||");
    EXPECT_EQ(read("2::"), "heartbeat|/|||");
    EXPECT_EQ(read("3:::hello"), "message|/|||hello");
    EXPECT_EQ(read(R"(4:::{"j":1})"), R"(json|/|||{"j":1})");
    EXPECT_EQ(read(R"(5:::{"name":"ev","args":[{"a":1},2]})"), R"(event|/||ev|{"a":1},2)");
    EXPECT_EQ(read(R"(5::/news:{"args":["x"],"name":"flash"})"), R"(event|/news||flash|"x")");
    EXPECT_EQ(read(R"(5:9+::{"name":"bare"})"), "event|/|9|bare|");
    EXPECT_EQ(SocketIOPacket::decode(R"(5:9+::{"name":"bare"})", Version::V09x)->getAck(), "data");
    EXPECT_EQ(read(R"(6:::9+[{"list":[]}])"), R"(ack|/|9|9|{"list":[]})");
    EXPECT_EQ(read("7:::bad thing"), "error|/|||bad thing");

    for (const std::string frame : {"", "5", "1", ":::"}) EXPECT_EQ(read(frame), "unreadable frame") << frame;
    for (const std::string frame : {"5::", "5:::", "5:::{", "5:::[]"}) {
        EXPECT_EQ(read(frame), "unreadable event") << frame;
    }
    for (const std::string frame : {"6:::9", "6:::9+[", "6:::"}) {
        EXPECT_EQ(read(frame), "unreadable acknowledgement") << frame;
    }
}

}  // namespace
