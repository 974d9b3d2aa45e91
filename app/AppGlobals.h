#pragma once

#include "CCGeometry.h"

// Process-wide values set at start-up and read by many parts of the terminal.
// Main thread only.
struct AppGlobals {
    // The director's window size when start-up ran.
    static cocos2d::CCSize windowSize;
    // (window width / 640, window height / 960): the design is laid out for 640 x 960.
    static cocos2d::CCPoint designScale;
    // The smaller of the two design factors; 1.0 before start-up.
    static float uniformScale;
    // False while the main window is not the active one.
    static bool windowActive;
    // Zento --stats: the drawing figures in the bottom bar.
    static bool showStats;

    static constexpr float DESIGN_WIDTH = 640;
    static constexpr float DESIGN_HEIGHT = 960;
};
