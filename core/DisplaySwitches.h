#pragma once

#include "NodeBindings.h"

// The four display switches (world-map background, crosshair point, grid, green-up colours) with one
// source: their values live in UserData. set() stores a value, saves "config.bin" when asked and runs
// every bound view at once, so the chart windows, the strip, the catalogue's boxes and the settings
// panel's check boxes never disagree, whichever place changed a switch. Main thread only.
class DisplaySwitches {
public:
    enum Switch { SHOW_BG, SHOW_CROSS_POINT, SHOW_GRID, INVERSE_RED_GREEN, SWITCH_COUNT };

    static DisplaySwitches& shared();

    // The stored value; false outside the four switches.
    static bool get(Switch which);
    // Stores value (the same value too, which re-applies it) and refreshes every binding; with
    // store, the settings file is saved at once. Outside the four switches changes nothing, false.
    bool set(Switch which, bool value, bool store = true);
    bool toggle(Switch which, bool store = true) { return set(which, !get(which), store); }

    // Runs refresh now and after every set while node lives.
    void bind(cocos2d::CCNode* node, NodeBindings::Refresh refresh) {
        bindings_.bind(node, std::move(refresh));
    }
    void unbind(cocos2d::CCNode* node) { bindings_.unbind(node); }
    size_t bindingCount() const { return bindings_.size(); }

private:
    DisplaySwitches() = default;

    NodeBindings bindings_;
};
