#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A bounds-checked little-endian byte buffer with one read/write position: it encodes the settings
// file and decodes the data tables. Numbers are packed without alignment or padding.
//
// Writes that would pass the capacity write nothing and return false. Reads that would pass the
// valid data return 0 (an empty string) and leave the position where it was. The packet owns its
// bytes. Not shared between threads.
class CCmdPacket {
public:
    // Longest string writeString stores (one length byte).
    static constexpr int MAX_STRING_LENGTH = 255;
    // Longest string writeLongString stores (two length bytes).
    static constexpr int MAX_LONG_STRING_LENGTH = 16383;

    // Read mode over received bytes: length = capacity = their count, position 0.
    explicit CCmdPacket(std::vector<unsigned char> bytes);
    CCmdPacket(const unsigned char* bytes, int count);
    // Write mode: capacity zeroed bytes, length and position 0.
    explicit CCmdPacket(int capacity);
    virtual ~CCmdPacket() = default;

    CCmdPacket(const CCmdPacket&) = delete;
    CCmdPacket& operator=(const CCmdPacket&) = delete;

    bool writeUInt8(uint8_t value);
    bool writeBool(bool value);  // 0 or 1
    bool writeInt16(int16_t value);
    bool writeUInt16(uint16_t value);
    bool writeInt32(int32_t value);
    bool writeUInt32(uint32_t value);
    bool writeFloat(float value);  // the four IEEE single-precision bytes
    // One length byte, then the bytes. A longer string is cut to MAX_STRING_LENGTH bytes at a UTF-8
    // character boundary, so the records after it stay in place.
    bool writeString(const std::string& text);
    // The data-table form read by readLongString; false (nothing written) beyond
    // MAX_LONG_STRING_LENGTH bytes.
    bool writeLongString(const std::string& text);

    uint8_t readUInt8();
    int8_t readInt8();
    bool readBool();  // true only when the byte is 1
    int16_t readInt16();
    uint16_t readUInt16();
    int32_t readInt32();
    uint32_t readUInt32();
    float readFloat();
    // Empty when the length byte is 0 or the bytes would run past the data; the length byte is
    // consumed either way.
    std::string readString();
    // One byte b; when b >= 128 a second, signed byte c follows and the length is (b - 128) + 128 * c.
    // A length below 1 or one that runs past the data gives an empty string; only the length bytes
    // are consumed then.
    std::string readLongString();

    const unsigned char* getData() const { return data_.data(); }
    int getLength() const { return length_; }
    int getPosition() const { return position_; }
    int getCapacity() const { return static_cast<int>(data_.size()); }
    int getRemaining() const { return length_ - position_; }
    // Moves the position within the valid data; false (position kept) outside 0..length.
    bool setPosition(int position);

private:
    bool canWrite(int size) const { return size <= getCapacity() - position_; }
    bool canRead(int size) const { return size <= length_ - position_; }
    bool writeRaw(const void* bytes, int size);
    bool writeLittleEndian(uint32_t value, int size);
    uint32_t readLittleEndian(int size);

    std::vector<unsigned char> data_;
    int length_ = 0;
    int position_ = 0;
};
