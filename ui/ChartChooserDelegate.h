#pragma once

// What the chart-type and time-type choosers need from the main scene.
class ChartChooserDelegate {
public:
    virtual ~ChartChooserDelegate() = default;
    // Captures the shown windows as the saved layout and writes the settings, so a window's new chart
    // type survives a restart.
    virtual void saveWindowLayout() = 0;
    // A window changed its time type: subscribe the K-line streams of the windows afresh.
    virtual void renewKLineSubscriptions() = 0;
};
