#include "XcTableWriter.h"

#include <climits>

#include "CCmdPacket.h"
#include "FileHelpers.h"

std::vector<unsigned char> XcTableWriter::pack(const std::vector<std::vector<std::string>>& rows,
                                               std::string& error) {
    if (rows.size() > MAX_ROWS) {
        error = std::to_string(rows.size()) + " entries; a table holds at most " + std::to_string(MAX_ROWS);
        return {};
    }
    size_t size = 2;
    for (const auto& row : rows) {
        for (const std::string& text : row) size += 2 + text.size();
    }
    if (size > static_cast<size_t>(INT_MAX)) {
        error = "the table would exceed " + std::to_string(INT_MAX) + " bytes";
        return {};
    }
    CCmdPacket packet(static_cast<int>(size));
    packet.writeUInt16(static_cast<uint16_t>(rows.size()));
    for (const auto& row : rows) {
        for (const std::string& text : row) {
            if (text.size() > static_cast<size_t>(CCmdPacket::MAX_LONG_STRING_LENGTH) ||
                !packet.writeLongString(text)) {
                error = "\"" + row[0] + "\": a text of " + std::to_string(text.size()) +
                        " bytes does not fit (at most " + std::to_string(CCmdPacket::MAX_LONG_STRING_LENGTH) +
                        ")";
                return {};
            }
        }
    }
    std::vector<unsigned char> bytes(packet.getData(), packet.getData() + packet.getLength());
    for (unsigned char& byte : bytes) byte ^= DATA_TABLE_KEY;
    return bytes;
}

std::vector<std::vector<std::string>> XcTableWriter::unpack(std::vector<unsigned char> bytes,
                                                            size_t columns) {
    for (unsigned char& byte : bytes) byte ^= DATA_TABLE_KEY;
    CCmdPacket packet(std::move(bytes));
    std::vector<std::vector<std::string>> rows;
    const int count = packet.readUInt16();
    for (int k = 0; k < count; ++k) {
        std::vector<std::string> row;
        for (size_t column = 0; column < columns; ++column) row.push_back(packet.readLongString());
        rows.push_back(std::move(row));
    }
    return rows;
}
