#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A saved drawing tool, free of any bar pointer: its control points are absolute times, so that it
// can be anchored again on whatever history the chart holds when it is loaded. Plain data.
struct DrawingRecord {
    // Anchoring re-expresses a bar and an offset as this.
    struct Point {
        int64_t time = 0;  // Unix seconds
        double price = 0;
        bool operator==(const Point&) const = default;
    };

    int type = 0;
    float colour[4] = {1, 1, 1, 0.8f};
    int colourIndex = -1;  // -1: the default colour, no entry of the colour table
    int widthIndex = -1;   // -1: the default width
    float lineWidth = 1.3f;
    bool locked = false;
    bool hidden = false;
    std::string text;  // UTF-8
    std::vector<Point> points;

    bool operator==(const DrawingRecord&) const = default;
};
