#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "CCGeometry.h"
#include "KLineBarPool.h"
#include "RiseFallColours.h"

// One K-line bar with the values of the built-in indicators and its rise/fall colour.
//
// Plain data: the series that holds a bar owns it and computes its indicator values; the chart
// views only read them and write their screen geometry into the drawing cache. A bar may be made on
// any thread (the history parser makes them on its worker) but belongs to the main thread once it
// is in a series.
class KLineBar {
public:
    static constexpr int MA_COUNT = 3;
    static constexpr float KDJ_START = 50.0f;

    // Points of the drawing cache, in groups of 7, 2, 3, 4, 7, 3 and 2: the last group belongs to
    // the quote-list button's small chart, the others to the chart view.
    static constexpr int DRAWING_GROUP_COUNT = 7;
    static constexpr int DRAWING_GROUP_SIZES[DRAWING_GROUP_COUNT] = {7, 2, 3, 4, 7, 3, 2};
    static constexpr int DRAWING_CACHE_POINTS = 28;

    // Bars live in KLineBarPool's blocks: a million of them cost no million heap calls.
    static void* operator new(std::size_t size) { return KLineBarPool::allocate(size); }
    static void operator delete(void* bar) noexcept { KLineBarPool::release(bar); }

    // Start values: index 0, valid 1, zero prices and indicators, KDJ 50; colour not yet set.
    KLineBar() = default;
    // A bar with these prices; its colour is left for updateColor.
    KLineBar(uint32_t time, float open, float high, float low, float close, int32_t volume);

    // Sets the colour. Rising is green under riseGreen, red otherwise; falling is the other one.
    // A flat bar (all four prices equal) rises only when its close is above referenceClose; a bar
    // with open = close but another high or low counts as rising.
    void updateColor(float referenceClose, bool riseGreen);

    // Copies open, high, low, close and volume of another bar.
    void copyPrices(const KLineBar& other);

    // The first point of a drawing-cache group (0 to 6).
    cocos2d::CCPoint* drawingGroup(int group);

    int32_t index = 0;
    int32_t valid = 1;
    uint32_t time = 0;
    float open = 0;
    float high = 0;
    float low = 0;
    float close = 0;
    int32_t volume = 0;
    float ma[MA_COUNT] = {0, 0, 0};
    float kdjJ = KDJ_START;
    float kdjD = KDJ_START;
    float kdjK = KDJ_START;
    float bollMA = 0;
    float bollUpper = 0;
    float bollMid = 0;
    float bollLower = 0;
    float ema12 = 0;
    float ema26 = 0;
    float dif = 0;
    float dea = 0;
    float macd = 0;
    float color[4] = {0, 0, 0, 0};
    cocos2d::CCPoint drawingCache[DRAWING_CACHE_POINTS];
};

// Inline: the rebuild and the parser colour every bar.
inline void KLineBar::updateColor(float referenceClose, bool riseGreen) {
    bool rises;
    if (open == high && open == low && open == close) {
        rises = close > referenceClose;
    } else if (open == close) {
        rises = true;
    } else {
        rises = close > open;
    }
    const float* colour = rises ? riseColour(riseGreen) : fallColour(riseGreen);
    std::copy(colour, colour + 4, color);
}
