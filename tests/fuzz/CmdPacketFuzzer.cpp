// The packet reader over arbitrary bytes: data tables and settings files come from disk.
// The input is read twice: once the way the table loaders read it, once driven by its own bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "CCmdPacket.h"
#include "FuzzSupport.h"

namespace {
void checkPosition(const CCmdPacket& packet) {
    check(packet.getPosition() >= 0 && packet.getPosition() <= packet.getLength());
    check(packet.getLength() <= packet.getCapacity());
}

// A string read back from a packet of our own writing must come back unchanged.
void checkRoundTrip(const std::string& text, bool longForm) {
    CCmdPacket writer(static_cast<int>(text.size()) + 2);
    bool written = longForm ? writer.writeLongString(text) : writer.writeString(text);
    check(written);
    CCmdPacket reader(writer.getData(), writer.getLength());
    std::string back = longForm ? reader.readLongString() : reader.readString();
    check(back == text);
    check(reader.getRemaining() == 0);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int count = size > 1u << 20 ? 1 << 20 : static_cast<int>(size);

    // As a data table: a 16-bit count, then that many long-string pairs.
    CCmdPacket table(data, count);
    int entries = table.readUInt16();
    // Past the data every further entry reads as two empty strings; one is enough to check.
    for (int k = 0; k < entries; ++k) {
        std::string key = table.readLongString();
        std::string value = table.readLongString();
        checkPosition(table);
        if (k < 4) {
            checkRoundTrip(key, true);
            checkRoundTrip(value, true);
        }
        if (table.getRemaining() == 0) {
            check(table.readLongString().empty());
            break;
        }
    }

    // Driven by its own bytes: each step's selector picks the next read.
    CCmdPacket packet(data, count);
    for (int step = 0; step < 4096 && packet.getRemaining() > 0; ++step) {
        const int before = packet.getPosition();
        const int remaining = packet.getRemaining();
        switch (packet.readUInt8() % 10) {
            case 0:
                packet.readInt8();
                break;
            case 1:
                packet.readBool();
                break;
            case 2:
                packet.readInt16();
                break;
            case 3:
                packet.readUInt16();
                break;
            case 4:
                packet.readInt32();
                break;
            case 5:
                packet.readFloat();
                break;
            case 6: {
                std::string text = packet.readString();
                check(text.size() <= 255);
                checkRoundTrip(text, false);
                break;
            }
            case 7: {
                std::string text = packet.readLongString();
                check(text.size() <= static_cast<size_t>(CCmdPacket::MAX_LONG_STRING_LENGTH));
                checkRoundTrip(text, true);
                break;
            }
            case 8:
                packet.readUInt32();
                break;
            default:
                packet.setPosition(packet.getPosition() + (remaining > 1 ? 1 : 0));
                break;
        }
        checkPosition(packet);
        check(packet.getPosition() > before);
    }
    return 0;
}
