#pragma once

#include <string>

class KLineBar;

// What a bar series and its history loader need of the chart window that owns them (the chart
// view's part is KLineChartView). The window implements it; tests implement it with a double.
// Every call comes on the main thread.
class KLineChartHost {
public:
    virtual ~KLineChartHost() = default;

    // The price label shows this bar's close.
    virtual void updatePriceLabel(const KLineBar& newest) = 0;
    // The linked quote-list button redraws its small chart.
    virtual void redrawLinkedButton() = 0;
    // The price label, the chart view and the linked button take the new colour convention.
    virtual void setRiseGreenConvention(bool riseGreen) = 0;
    // The title shows the current instrument and time type.
    virtual void updateTitle() = 0;
    // A piece of week history was merged (the main scene may now dismiss the connecting screen).
    virtual void weekHistoryMerged() = 0;
    // The history server to send the next history-list request to (the main scene draws one at
    // random from its list); empty means the built-in one.
    virtual std::string getKlineHistoryServer() = 0;
};
