#pragma once

// The four ways a chart draws its bars; the numbers are those the settings file stores.
enum ChartType : int {
    CHART_CANDLES = 0,
    CHART_LINE = 1,
    CHART_AREA = 2,
    CHART_BARS = 3,
};

// Candles and bars span high to low; the line and the area follow the closes.
constexpr bool spansHighToLow(int chartType) {
    return chartType == CHART_CANDLES || chartType == CHART_BARS;
}
