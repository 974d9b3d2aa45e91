#pragma once

// What the layout chooser needs from the main scene.
class LayoutPanelDelegate {
public:
    virtual ~LayoutPanelDelegate() = default;
    // Arranges the chart windows in layout number layout (1 to 23).
    virtual void applyLayout(int layout, bool animated) = 0;
    // Whether choosing the layout already in force applies it again.
    virtual bool wantsLayoutReapplied() const { return false; }
};
