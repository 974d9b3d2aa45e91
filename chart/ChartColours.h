#pragma once

#include <cstdint>

#include "ccTypes.h"

// Colours the chart view and its window share: the moving-average lines and their read-out labels must
// agree, so both take them from here.

// The three moving averages (periods 5, 10 and 20), in line order.
inline constexpr int MA_LINE_COUNT = 3;
inline constexpr cocos2d::ccColor4F MA_COLOURS[MA_LINE_COUNT] = {
    {0.71f, 0.0f, 0.0f, 1.0f}, {0.75f, 0.6f, 0.16f, 1.0f}, {0.11f, 0.45f, 0.7f, 1.0f}};

// A line colour as an 8-bit label colour.
constexpr cocos2d::ccColor3B labelColourOf(const cocos2d::ccColor4F& colour) {
    return {static_cast<uint8_t>(colour.r * 255 + 0.5f), static_cast<uint8_t>(colour.g * 255 + 0.5f),
            static_cast<uint8_t>(colour.b * 255 + 0.5f)};
}
