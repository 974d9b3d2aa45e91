#pragma once

#include <string>
#include <vector>

#include "IndicatorPane.h"

// The saved description of one chart window: instrument, chart type, time type, zoom and panes.
struct WindowSetting {
    static constexpr int MAX_CHART_TYPE = 3;
    static constexpr int MAX_TIME_TYPE_INDEX = 8;
    static constexpr float MIN_ZOOM = 1.1f;
    static constexpr float MAX_ZOOM = 26.0f;
    // Zoom of a new window, and of a stored zoom that is not a number.
    static constexpr float DEFAULT_ZOOM = 6.0f;

    std::string code;
    int chartType = 0;      // 0-3
    int timeTypeIndex = 0;  // 0-8, index into the catalogue's time types
    float zoom = DEFAULT_ZOOM;
    std::vector<IndicatorPane> panes;

    bool operator==(const WindowSetting&) const = default;
};
