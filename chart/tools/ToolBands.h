#pragma once

#include "ccTypes.h"

// Fill colours of the Fibonacci bands and the Gann fan's sectors, in band order.
inline constexpr int TOOL_BAND_COUNT = 9;
inline constexpr float TOOL_BAND_ALPHA = 0.13f;
inline constexpr cocos2d::ccColor4F TOOL_BAND_COLOURS[TOOL_BAND_COUNT] = {
    {0.93f, 0.41f, 0.25f, TOOL_BAND_ALPHA}, {0.97f, 0.71f, 0.32f, TOOL_BAND_ALPHA},
    {0.71f, 0.83f, 0.4f, TOOL_BAND_ALPHA},  {0.49f, 0.81f, 0.96f, TOOL_BAND_ALPHA},
    {0.98f, 0.8f, 0.54f, TOOL_BAND_ALPHA},  {0.77f, 0.42f, 0.43f, TOOL_BAND_ALPHA},
    {0.95f, 0.61f, 0.46f, TOOL_BAND_ALPHA}, {0.54f, 0.44f, 0.53f, TOOL_BAND_ALPHA},
    {0.95f, 0.62f, 0.76f, TOOL_BAND_ALPHA}};
// The diagonal of the retracement and the planners' trade line.
inline constexpr cocos2d::ccColor4F TOOL_GREY{0.6f, 0.6f, 0.6f, 1.0f};
