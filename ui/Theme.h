#pragma once

#include "ccTypes.h"

// Colours shared by the panels, so that the popups, the left pane and the frame around the charts
// keep one look.

// Body of the popup choosers, the left pane's pages and the reconnect card.
inline constexpr cocos2d::ccColor3B PANEL_BACKGROUND{23, 27, 41};
// The marked row or category inside a panel.
inline constexpr cocos2d::ccColor4B PANEL_SELECTION{47, 50, 60, 255};
// The bars along the top, left and bottom of the chart area.
inline constexpr cocos2d::ccColor4B FRAME_BAR_BACKGROUND{16, 19, 30, 255};
