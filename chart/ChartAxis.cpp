#include "ChartAxis.h"

#include <cstdio>
#include <ctime>

#include "DisplayTimeZone.h"

namespace ChartAxis {

namespace {
constexpr int ROW_COUNT = 11;
constexpr float THRESHOLDS[ROW_COUNT + 1] = {30, 25, 24, 18, 15, 12, 9, 6, 4, 2.5f, 1.8f, 1.0f};
constexpr GridStep STEPS[ROW_COUNT] = {
    {1, 2, 2},   {2, 1, 2},   {2, 4, 4},    {4, 1, 4},   {4, 8, 8},    {8, 1, 8},
    {8, 16, 16}, {16, 1, 16}, {16, 32, 32}, {32, 1, 32}, {32, 64, 64},
};
constexpr int DAILY = 1440;
constexpr int HOURLY = 60;
// Long periods align on multiples of 4 s instead of 60 s.
constexpr int LONG_PERIOD = 360;
}  // namespace

int stepRow(float barWidth) {
    for (int i = 0; i < ROW_COUNT; ++i)
        if (THRESHOLDS[i] > barWidth && barWidth >= THRESHOLDS[i + 1]) return i;
    return 0;
}

const GridStep& step(int row) {
    return STEPS[row >= 0 && row < ROW_COUNT ? row : 0];
}

int64_t alignmentPeriod(int timeType, int alignMultiplier) {
    int64_t unit = timeType >= LONG_PERIOD ? 4 : 60;
    return static_cast<int64_t>(timeType) * alignMultiplier * unit;
}

std::string timeLabelText(int64_t time, int timeType) {
    char text[32];
    if (timeType == DAILY) {
        const time_t t = static_cast<time_t>(time);
        struct tm utc {};
        if (!gmtime_r(&t, &utc)) return std::string();
        std::snprintf(text, sizeof(text), "%02d-%02d-%02d", utc.tm_year % 100, utc.tm_mon + 1, utc.tm_mday);
        return text;
    }
    const ZonedTime shown = DisplayTimeZone::shared().at(time);
    if (timeType >= HOURLY && timeType < DAILY)
        std::snprintf(text, sizeof(text), "%02d-%02d:00", shown.day, shown.hour);
    else
        std::snprintf(text, sizeof(text), "%02d:%02d:%02d", shown.hour, shown.minute, shown.second);
    return text;
}

std::string crosshairTimeText(int64_t time, int timeType) {
    if (timeType == DAILY) {
        const time_t t = static_cast<time_t>(time);
        struct tm utc {};
        char text[32];
        if (!gmtime_r(&t, &utc) || std::strftime(text, sizeof(text), "%Y-%m-%d", &utc) == 0)
            return std::string();
        return text;
    }
    return DisplayTimeZone::shared().format(time, "%Y-%m-%d %H:%M:%S");
}

}  // namespace ChartAxis
