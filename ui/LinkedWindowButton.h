#pragma once

#include <string>

// What a chart window tells the quote-list button linked to it. Main thread only.
class LinkedWindowButton {
public:
    virtual ~LinkedWindowButton() = default;

    virtual void showQuote(float last, float changePercent) = 0;
    virtual void setDisplayName(const std::string& name) = 0;
    // The window's series changed: redraw the small chart.
    virtual void redrawChart() = 0;
    virtual void setChartShown(bool shown) = 0;
};
