#include "KLineBar.h"

#include <algorithm>

namespace {
constexpr int drawingGroupStart(int group) {
    int start = 0;
    for (int g = 0; g < group; ++g) start += KLineBar::DRAWING_GROUP_SIZES[g];
    return start;
}
static_assert(drawingGroupStart(KLineBar::DRAWING_GROUP_COUNT) == KLineBar::DRAWING_CACHE_POINTS,
              "the drawing-cache groups must fill the cache");
}  // namespace

KLineBar::KLineBar(uint32_t barTime, float barOpen, float barHigh, float barLow, float barClose,
                   int32_t barVolume)
    : time(barTime), open(barOpen), high(barHigh), low(barLow), close(barClose), volume(barVolume) {}

void KLineBar::copyPrices(const KLineBar& other) {
    open = other.open;
    high = other.high;
    low = other.low;
    close = other.close;
    volume = other.volume;
}

cocos2d::CCPoint* KLineBar::drawingGroup(int group) {
    if (group < 0 || group >= DRAWING_GROUP_COUNT) return nullptr;
    return drawingCache + drawingGroupStart(group);
}
