#pragma once

#include <cstdint>
#include <string>

#include "Resources.h"
#include "ccTypes.h"

// The rules shared by the chart's time and price axes and by the indicator panes: the grid step
// table chosen by the zoom level, the time-label texts, and the grid record both grid passes fill.

// One grid line: x of a vertical line or y of a horizontal one.
struct GridRecord {
    int position = 0;
    // Seconds; 0 for a line without a time label.
    int time = 0;
    cocos2d::ccColor4F colour;
    float reserved = -1.0f;
};

// One row of the grid step table.
struct GridStep {
    int minorStep;        // bars (vertical lines) or spacing units (horizontal lines) between lines
    int majorModulus;     // every line whose count from the start is a multiple of it is major
    int alignMultiplier;  // the alignment period is timeType x this x 60 s (x 4 s from 360 minutes on)
};

namespace ChartAxis {

inline constexpr cocos2d::ccColor4F MAJOR_COLOUR{0.18f, 0.22f, 0.27f, 1.0f};
inline constexpr cocos2d::ccColor4F MINOR_COLOUR{0.15f, 0.16f, 0.22f, 1.0f};
// The time-axis row at the bottom of the chart, px.
inline constexpr float TIME_AXIS_HEIGHT = 18.0f;
inline constexpr float TIME_LABEL_Y = 9.0f;
inline constexpr float LABEL_FONT_SIZE = 13.0f;
inline constexpr const char* LABEL_FONT = FONT_FILE;
inline constexpr cocos2d::ccColor3B LABEL_COLOUR{80, 88, 108};

// The first row i with T[i] > barWidth >= T[i + 1]; row 0 when none matches.
int stepRow(float barWidth);
const GridStep& step(int row);
// Seconds between aligned grid lines.
int64_t alignmentPeriod(int timeType, int alignMultiplier);
// The axis text of a bar time in the display zone: "dd-hh:00" for 60 to 720 minutes, "hh:mm:ss"
// below. Daily bars start at 00:00 UTC and are labelled "yy-mm-dd" with that date in every zone.
std::string timeLabelText(int64_t time, int timeType);
// The crosshair text in the display zone, "%Y-%m-%d %H:%M:%S"; for daily bars their UTC date.
std::string crosshairTimeText(int64_t time, int timeType = 0);

}  // namespace ChartAxis
