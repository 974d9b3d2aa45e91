#pragma once

#include <cstdlib>

#include "Screenshot.h"

// Where the main scene puts things and what colours the tests look for in a screenshot of it.

// Chart area of the main scene: x 50, y 30 from the bottom, (width - 49) x (height - 85), cells of its
// grid 5 apart, every rectangle truncated to whole units.
constexpr float AREA_X = 50, AREA_Y = 30, AREA_WIDTH_CUT = 49, AREA_HEIGHT_CUT = 85, GAP = 5;

inline bool near(Rgb p, Rgb q, int tolerance) {
    return std::abs(p.r - q.r) <= tolerance && std::abs(p.g - q.g) <= tolerance &&
           std::abs(p.b - q.b) <= tolerance;
}
// The bar colours of the chart view: green rises, red falls.
inline bool candleGreen(Rgb p) {
    return near(p, {43, 153, 66}, 14);
}
inline bool candleRed(Rgb p) {
    return near(p, {191, 66, 66}, 14);
}
inline bool candleColour(Rgb p) {
    return candleGreen(p) || candleRed(p);
}
