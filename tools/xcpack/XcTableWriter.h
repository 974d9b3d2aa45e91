#pragma once

#include <string>
#include <vector>

// Packs table rows into the data-table format the terminal loads: a 16-bit entry count, then each
// row's strings as long strings, every byte XOR-ed with DATA_TABLE_KEY (core/FileHelpers.h).
class XcTableWriter {
public:
    static constexpr size_t MAX_ROWS = 65535;

    // The scrambled bytes; empty with error set when a row does not fit the format.
    static std::vector<unsigned char> pack(const std::vector<std::vector<std::string>>& rows,
                                           std::string& error);
    // The rows of packed bytes, each holding columns strings (the inverse of pack, for inspection).
    static std::vector<std::vector<std::string>> unpack(std::vector<unsigned char> bytes, size_t columns);
};
