// The drawings file over arbitrary bytes: whatever loads stays within the caps, and what the store then
// writes loads back as the same records and the same bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "DrawingStore.h"
#include "FuzzSupport.h"

namespace {
void checkLimits(const DrawingStore& store) {
    check(store.charts().size() <= DrawingStore::MAX_CHARTS);
    for (const auto& [symbol, ttype] : store.charts()) {
        const std::vector<DrawingRecord>& records = store.get(symbol, ttype);
        check(!records.empty() && records.size() <= DrawingStore::MAX_DRAWINGS_PER_CHART);
        for (const DrawingRecord& record : records) {
            check(record.type >= 1 && record.type <= 26 && record.type != 9);
            check(!record.points.empty() && record.text.size() <= DrawingStore::MAX_TEXT_BYTES);
            check(record.colourIndex >= -1 && record.colourIndex < DrawingStore::COLOUR_TABLE_SIZE);
            check(record.widthIndex >= -1 && record.widthIndex < DrawingStore::WIDTH_TABLE_SIZE);
            for (const DrawingRecord::Point& point : record.points) {
                check(point.time >= 0 && point.time <= DrawingStore::MAX_POINT_TIME);
                check(std::isfinite(point.price));
            }
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The folder is never written: only bytes go in and out.
    DrawingStore store("/nonexistent-zento-fuzz");
    store.loadFromBytes(reinterpret_cast<const char*>(data), size);
    checkLimits(store);
    const std::string saved = store.encode();
    DrawingStore reloaded("/nonexistent-zento-fuzz");
    check(reloaded.loadFromBytes(saved.data(), saved.size()));
    check(reloaded.charts() == store.charts());
    for (const auto& [symbol, ttype] : store.charts())
        check(reloaded.get(symbol, ttype) == store.get(symbol, ttype));
    check(reloaded.encode() == saved);
    return 0;
}
