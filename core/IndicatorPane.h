#pragma once

// One indicator pane of a chart window as the settings file keeps it.
struct IndicatorPane {
    static constexpr int MIN_TYPE = 1;
    static constexpr int MAX_TYPE = 5;
    static constexpr float MIN_HEIGHT_RATIO = 0.05f;
    static constexpr float MAX_HEIGHT_RATIO = 0.8f;
    // Taken for a stored ratio that is not a number.
    static constexpr float DEFAULT_HEIGHT_RATIO = 0.2f;

    int type = MIN_TYPE;                       // indicator type 1-5
    float heightRatio = DEFAULT_HEIGHT_RATIO;  // share of the window's height the pane takes

    bool operator==(const IndicatorPane&) const = default;
};
