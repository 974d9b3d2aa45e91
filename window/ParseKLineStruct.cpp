#include "ParseKLineStruct.h"

#include "KLineCsvReader.h"

namespace {
// History lines run near 50 bytes; a low guess only costs one more reallocation or block.
constexpr size_t TYPICAL_LINE_BYTES = 48;
}  // namespace

void ParseKLineStruct::discardLocked() {
    rawData.clear();
    rawData.shrink_to_fit();
    rawSize = 0;
    bars.clear();
    parsedRaw.clear();
    parsedRaw.shrink_to_fit();
    cachePath.clear();
    ++ticket;
}

std::vector<std::unique_ptr<KLineBar>> ParseKLineStruct::parseBars(const unsigned char* bytes, size_t length,
                                                                   size_t& skipped) {
    skipped = 0;
    if (!bytes || length == 0) return {};
    KLineCsvReader reader(length / TYPICAL_LINE_BYTES + 1);
    reader.feed(reinterpret_cast<const char*>(bytes), length);
    return reader.finish(skipped);
}
