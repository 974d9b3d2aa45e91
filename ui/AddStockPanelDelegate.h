#pragma once

#include <string>

#include "CCGeometry.h"

class StockWindow;

// What the add-instrument chooser needs from the main scene. Main thread only.
class AddStockPanelDelegate {
public:
    virtual ~AddStockPanelDelegate() = default;
    // Adds a chart window for symbol, or switches target to it; null when refused (too many charts).
    virtual StockWindow* addStockWindow(const std::string& symbol, const cocos2d::CCPoint& at,
                                        StockWindow* target) = 0;
    virtual void refreshQuoteSubscriptions() = 0;
    virtual void saveWindowLayout() = 0;
    virtual void setKeyboardEnabled(bool enabled) = 0;
};
