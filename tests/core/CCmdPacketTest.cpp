#include "CCmdPacket.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using Bytes = std::vector<unsigned char>;

Bytes contents(const CCmdPacket& packet) {
    return Bytes(packet.getData(), packet.getData() + packet.getLength());
}

Bytes withText(Bytes prefix, const std::string& text) {
    prefix.insert(prefix.end(), text.begin(), text.end());
    return prefix;
}
}  // namespace

TEST(CCmdPacket, WritesLittleEndianWithoutPadding) {
    CCmdPacket packet(64);
    EXPECT_EQ(packet.getCapacity(), 64);
    EXPECT_EQ(packet.getLength(), 0);
    ASSERT_TRUE(packet.writeInt32(233));
    ASSERT_TRUE(packet.writeBool(true));
    ASSERT_TRUE(packet.writeBool(false));
    ASSERT_TRUE(packet.writeUInt8(0xAB));
    ASSERT_TRUE(packet.writeString("XAUUSD"));
    ASSERT_TRUE(packet.writeInt16(-2));
    ASSERT_TRUE(packet.writeUInt16(0x1234));
    ASSERT_TRUE(packet.writeFloat(1.5f));
    ASSERT_TRUE(packet.writeString(""));
    ASSERT_TRUE(packet.writeInt32(-1));

    const Bytes expected = {0xE9, 0x00, 0x00, 0x00, 0x01, 0x00, 0xAB, 0x06, 'X',  'A',  'U',  'U',  'S', 'D',
                            0xFE, 0xFF, 0x34, 0x12, 0x00, 0x00, 0xC0, 0x3F, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(contents(packet), expected);
    EXPECT_EQ(packet.getPosition(), static_cast<int>(expected.size()));

    CCmdPacket reader(contents(packet));
    EXPECT_EQ(reader.readInt32(), 233);
    EXPECT_TRUE(reader.readBool());
    EXPECT_FALSE(reader.readBool());
    EXPECT_EQ(reader.readUInt8(), 0xAB);
    EXPECT_EQ(reader.readString(), "XAUUSD");
    EXPECT_EQ(reader.readInt16(), -2);
    EXPECT_EQ(reader.readUInt16(), 0x1234);
    EXPECT_EQ(reader.readFloat(), 1.5f);
    EXPECT_EQ(reader.readString(), "");
    EXPECT_EQ(reader.readInt32(), -1);
    EXPECT_EQ(reader.getRemaining(), 0);
}

TEST(CCmdPacket, WritesPastTheCapacityAreDroppedWhole) {
    CCmdPacket packet(4);
    EXPECT_TRUE(packet.writeInt32(0x01020304));
    EXPECT_FALSE(packet.writeUInt8(9));
    EXPECT_EQ(packet.getLength(), 4);
    EXPECT_EQ(contents(packet), (Bytes{4, 3, 2, 1}));

    // A string that does not fit writes neither its length byte nor its bytes.
    CCmdPacket small(5);
    ASSERT_TRUE(small.writeUInt8(7));
    EXPECT_FALSE(small.writeString("abcd"));
    EXPECT_TRUE(small.writeString("abc"));
    EXPECT_EQ(contents(small), (Bytes{7, 3, 'a', 'b', 'c'}));
    EXPECT_FALSE(small.writeString(""));
}

TEST(CCmdPacket, ReadsPastTheDataReturnZeroAndKeepThePosition) {
    CCmdPacket packet(Bytes{0x11, 0x22, 0x33});
    EXPECT_EQ(packet.readUInt16(), 0x2211);
    EXPECT_EQ(packet.readInt16(), 0);  // one byte left
    EXPECT_EQ(packet.getPosition(), 2);
    EXPECT_EQ(packet.readInt32(), 0);
    EXPECT_EQ(packet.readFloat(), 0.0f);
    EXPECT_EQ(packet.getPosition(), 2);
    EXPECT_EQ(packet.readUInt8(), 0x33);
    EXPECT_EQ(packet.readUInt8(), 0);
    EXPECT_FALSE(packet.readBool());
    EXPECT_EQ(packet.readString(), "");
    EXPECT_EQ(packet.readLongString(), "");
    EXPECT_EQ(packet.getPosition(), 3);

    CCmdPacket empty(Bytes{});
    EXPECT_EQ(empty.readInt32(), 0);
    EXPECT_EQ(empty.readString(), "");
    EXPECT_EQ(empty.getPosition(), 0);
}

TEST(CCmdPacket, BoolIsTrueOnlyForOne) {
    CCmdPacket packet(Bytes{1, 0, 2, 0xFF});
    EXPECT_TRUE(packet.readBool());
    EXPECT_FALSE(packet.readBool());
    EXPECT_FALSE(packet.readBool());
    EXPECT_FALSE(packet.readBool());
}

TEST(CCmdPacket, ShortStringThatRunsPastTheDataConsumesOnlyItsLengthByte) {
    CCmdPacket packet(Bytes{5, 'a', 'b'});
    EXPECT_EQ(packet.readString(), "");
    EXPECT_EQ(packet.getPosition(), 1);
    EXPECT_EQ(packet.readUInt8(), 'a');

    CCmdPacket zero(Bytes{0, 'z'});
    EXPECT_EQ(zero.readString(), "");
    EXPECT_EQ(zero.getPosition(), 1);
}

TEST(CCmdPacket, LongStringLengths) {
    // One byte below 128 is the length.
    CCmdPacket five(withText({5}, "hello!"));
    EXPECT_EQ(five.readLongString(), "hello");
    EXPECT_EQ(five.getPosition(), 6);

    // 0x85 0x01 announces (0x85 - 128) + 128 * 1 = 133.
    const std::string body133(133, 'q');
    CCmdPacket twoBytes(withText({0x85, 0x01}, body133 + "tail"));
    EXPECT_EQ(twoBytes.readLongString(), body133);
    EXPECT_EQ(twoBytes.getPosition(), 135);

    // 0x85 0xFF announces 5 + 128 * -1 = -123: empty, only the length bytes consumed.
    CCmdPacket negative(withText({0x85, 0xFF}, "abcdefgh"));
    EXPECT_EQ(negative.readLongString(), "");
    EXPECT_EQ(negative.getPosition(), 2);

    // A length that runs past the data.
    CCmdPacket tooLong(withText({0x85, 0x01}, "short"));
    EXPECT_EQ(tooLong.readLongString(), "");
    EXPECT_EQ(tooLong.getPosition(), 2);

    // Zero, and 0x80 0x00, are empty.
    CCmdPacket zero(Bytes{0, 0x80, 0x00, 'x'});
    EXPECT_EQ(zero.readLongString(), "");
    EXPECT_EQ(zero.getPosition(), 1);
    EXPECT_EQ(zero.readLongString(), "");
    EXPECT_EQ(zero.getPosition(), 3);

    // A two-byte length cut after its first byte.
    CCmdPacket cut(Bytes{0x90});
    EXPECT_EQ(cut.readLongString(), "");
    EXPECT_EQ(cut.getPosition(), 1);
}

TEST(CCmdPacket, LongStringsRoundTripUpToTheirLimit) {
    for (int length : {0, 1, 127, 128, 133, 255, 16383}) {
        const std::string text(static_cast<size_t>(length), 'k');
        CCmdPacket writer(20000);
        ASSERT_TRUE(writer.writeLongString(text)) << length;
        ASSERT_TRUE(writer.writeUInt8(0xEE));
        EXPECT_EQ(writer.getLength(), (length < 128 ? 1 : 2) + length + 1);
        CCmdPacket reader(contents(writer));
        EXPECT_EQ(reader.readLongString(), text) << length;
        EXPECT_EQ(reader.readUInt8(), 0xEE) << length;
    }
    CCmdPacket writer(20000);
    EXPECT_FALSE(writer.writeLongString(std::string(16384, 'k')));
    EXPECT_EQ(writer.getLength(), 0);
}

TEST(CCmdPacket, OverlongShortStringIsCutAtACharacterBoundary) {
    CCmdPacket ascii(600);
    ASSERT_TRUE(ascii.writeString(std::string(300, 'a')));
    ASSERT_TRUE(ascii.writeUInt8(0x7E));
    CCmdPacket asciiReader(contents(ascii));
    EXPECT_EQ(asciiReader.readString(), std::string(255, 'a'));
    EXPECT_EQ(asciiReader.readUInt8(), 0x7E);

    // 100 three-byte characters: 255 bytes is exactly 85 characters.
    std::string wide;
    for (int k = 0; k < 100; ++k) wide += "\xE4\xB8\xAD";
    CCmdPacket cjk(600);
    ASSERT_TRUE(cjk.writeString("x" + wide));
    CCmdPacket cjkReader(contents(cjk));
    std::string read = cjkReader.readString();
    EXPECT_EQ(read.size(), 253u);  // "x" and 84 whole characters
    EXPECT_EQ(read, ("x" + wide).substr(0, 253));
}

TEST(CCmdPacket, OverwritingInsideTheDataKeepsItsLength) {
    CCmdPacket packet(8);
    ASSERT_TRUE(packet.writeInt32(0x11111111));
    ASSERT_TRUE(packet.writeInt32(0x22222222));
    ASSERT_TRUE(packet.setPosition(2));
    ASSERT_TRUE(packet.writeInt16(0));
    EXPECT_EQ(packet.getLength(), 8);
    EXPECT_EQ(contents(packet), (Bytes{0x11, 0x11, 0, 0, 0x22, 0x22, 0x22, 0x22}));
    EXPECT_FALSE(packet.setPosition(9));
    EXPECT_FALSE(packet.setPosition(-1));
    EXPECT_EQ(packet.getPosition(), 4);
}
