#pragma once

#include <string>
#include <vector>

#include "IndicatorPane.h"

// What UserData::saveLayout reads from a chart window. The chart window implements it; the settings
// store knows nothing else about windows. Main thread only; the store keeps no pointer after the call.
class LayoutWindowSource {
public:
    virtual ~LayoutWindowSource() = default;

    // Only shown windows are captured.
    virtual bool isShown() const = 0;
    virtual std::string getCode() const = 0;
    virtual int getChartType() const = 0;
    virtual int getTimeTypeIndex() const = 0;
    // The x component of the chart view's scale value.
    virtual float getZoom() const = 0;
    // One entry per indicator of the window, in the window's indicator order.
    virtual std::vector<IndicatorPane> getIndicatorPanes() const = 0;
};
