#pragma once

#include <vector>

class StockWindow;

// What the window button strip asks of the main scene. Main thread only.
class StockButtonPanelDelegate {
public:
    virtual ~StockButtonPanelDelegate() = default;

    virtual void activateWindow(StockWindow* window) = 0;
    virtual void closeWindow(StockWindow* window) = 0;
    // The strip's new order after a drag; the scene reorders its windows to match.
    virtual void windowsReordered(const std::vector<StockWindow*>& order) = 0;
    // False while the scene cannot have its windows reordered (a drag is then ignored).
    virtual bool canDragButtons() { return true; }
    // The layout (tag 1) or add (tag 2) button was clicked; at is the chooser's top-left corner.
    virtual void openChooser(int tag, float x, float y) = 0;
};
