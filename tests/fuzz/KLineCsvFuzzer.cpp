// The history parser over arbitrary bytes, plain and gzip-wrapped: whatever comes in, the bars that
// come out are strictly ascending in time and have sane prices, and the text fed in two pieces
// (as the inflater hands it over) gives the same bars as the whole.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FileHelpers.h"
#include "FuzzSupport.h"
#include "KLineBar.h"
#include "KLineCsvReader.h"
#include "ParseKLineStruct.h"

namespace {
void parseAndCheck(const unsigned char* text, size_t length) {
    size_t skipped = 0;
    auto bars = ParseKLineStruct::parseBars(text, length, skipped);
    for (size_t i = 1; i < bars.size(); ++i) check(bars[i - 1]->time < bars[i]->time);
    for (const auto& bar : bars) check(!std::isnan(bar->open) && !std::isnan(bar->close));
    if (length == 0) return;
    const size_t cut = text[0] % length;
    KLineCsvReader reader(1);
    reader.feed(reinterpret_cast<const char*>(text), cut);
    reader.feed(reinterpret_cast<const char*>(text) + cut, length - cut);
    size_t pieceSkipped = 0;
    auto pieces = reader.finish(pieceSkipped);
    check(pieceSkipped == skipped && pieces.size() == bars.size());
    for (size_t i = 0; i < bars.size() && i < pieces.size(); ++i)
        check(pieces[i]->time == bars[i]->time && pieces[i]->close == bars[i]->close);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    parseAndCheck(data, size);
    std::vector<unsigned char> inflated;
    if (gzipInflate(data, size, inflated) == 0) parseAndCheck(inflated.data(), inflated.size());
    return 0;
}
