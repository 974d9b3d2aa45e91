#include "CCmdPacket.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {
// Backs off from a cut inside a multi-byte UTF-8 character.
size_t utf8CutLength(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text.size();
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}
}  // namespace

CCmdPacket::CCmdPacket(std::vector<unsigned char> bytes) : data_(std::move(bytes)) {
    if (data_.size() > INT_MAX) data_.resize(INT_MAX);
    length_ = static_cast<int>(data_.size());
}

CCmdPacket::CCmdPacket(const unsigned char* bytes, int count)
    : CCmdPacket(bytes && count > 0 ? std::vector<unsigned char>(bytes, bytes + count)
                                    : std::vector<unsigned char>()) {}

CCmdPacket::CCmdPacket(int capacity) : data_(static_cast<size_t>(std::max(capacity, 0)), 0) {}

bool CCmdPacket::setPosition(int position) {
    if (position < 0 || position > length_) return false;
    position_ = position;
    return true;
}

bool CCmdPacket::writeRaw(const void* bytes, int size) {
    if (size < 0 || !canWrite(size)) return false;
    if (size > 0) std::memcpy(data_.data() + position_, bytes, static_cast<size_t>(size));
    position_ += size;
    length_ = std::max(length_, position_);
    return true;
}

bool CCmdPacket::writeLittleEndian(uint32_t value, int size) {
    unsigned char bytes[4];
    for (int i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    return writeRaw(bytes, size);
}

uint32_t CCmdPacket::readLittleEndian(int size) {
    if (!canRead(size)) return 0;
    uint32_t value = 0;
    for (int i = 0; i < size; ++i) value |= static_cast<uint32_t>(data_[position_ + i]) << (8 * i);
    position_ += size;
    return value;
}

bool CCmdPacket::writeUInt8(uint8_t value) {
    return writeLittleEndian(value, 1);
}
bool CCmdPacket::writeBool(bool value) {
    return writeLittleEndian(value ? 1 : 0, 1);
}
bool CCmdPacket::writeInt16(int16_t value) {
    return writeLittleEndian(static_cast<uint16_t>(value), 2);
}
bool CCmdPacket::writeUInt16(uint16_t value) {
    return writeLittleEndian(value, 2);
}
bool CCmdPacket::writeInt32(int32_t value) {
    return writeLittleEndian(static_cast<uint32_t>(value), 4);
}
bool CCmdPacket::writeUInt32(uint32_t value) {
    return writeLittleEndian(value, 4);
}

bool CCmdPacket::writeFloat(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return writeLittleEndian(bits, 4);
}

bool CCmdPacket::writeString(const std::string& text) {
    size_t count = utf8CutLength(text, MAX_STRING_LENGTH);
    if (!canWrite(1 + static_cast<int>(count))) return false;
    writeUInt8(static_cast<uint8_t>(count));
    return writeRaw(text.data(), static_cast<int>(count));
}

bool CCmdPacket::writeLongString(const std::string& text) {
    if (text.size() > MAX_LONG_STRING_LENGTH) return false;
    int count = static_cast<int>(text.size());
    int prefix = count < 128 ? 1 : 2;
    if (!canWrite(prefix + count)) return false;
    if (count < 128) {
        writeUInt8(static_cast<uint8_t>(count));
    } else {
        writeUInt8(static_cast<uint8_t>(128 + count % 128));
        writeUInt8(static_cast<uint8_t>(count / 128));
    }
    return writeRaw(text.data(), count);
}

uint8_t CCmdPacket::readUInt8() {
    return static_cast<uint8_t>(readLittleEndian(1));
}
int8_t CCmdPacket::readInt8() {
    return static_cast<int8_t>(readLittleEndian(1));
}
bool CCmdPacket::readBool() {
    return readUInt8() == 1;
}
int16_t CCmdPacket::readInt16() {
    return static_cast<int16_t>(readLittleEndian(2));
}
uint16_t CCmdPacket::readUInt16() {
    return static_cast<uint16_t>(readLittleEndian(2));
}
int32_t CCmdPacket::readInt32() {
    return static_cast<int32_t>(readLittleEndian(4));
}
uint32_t CCmdPacket::readUInt32() {
    return readLittleEndian(4);
}

float CCmdPacket::readFloat() {
    uint32_t bits = readLittleEndian(4);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

std::string CCmdPacket::readString() {
    int count = readUInt8();
    if (count == 0 || !canRead(count)) return std::string();
    std::string text(reinterpret_cast<const char*>(data_.data() + position_), static_cast<size_t>(count));
    position_ += count;
    return text;
}

std::string CCmdPacket::readLongString() {
    int count = readUInt8();
    if (count >= 128) count = (count - 128) + 128 * readInt8();
    if (count < 1 || !canRead(count)) return std::string();
    std::string text(reinterpret_cast<const char*>(data_.data() + position_), static_cast<size_t>(count));
    position_ += count;
    return text;
}
