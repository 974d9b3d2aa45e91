#pragma once

#include <functional>
#include <string>

#include "NodeBindings.h"

// Settings of our own that the classic settings file has no room for, in "preferences.json" in the
// writable folder (rewritten whole and atomically on each change). A missing file gives defaults; a
// damaged one is logged, gives defaults and is left untouched until a setting changes. Unknown keys
// are ignored, so older and newer versions share the file. Main thread only.
class Preferences {
public:
    static constexpr const char* FILE_NAME = "preferences.json";

    // Which other windows draw the line at the time under the pointer.
    enum class LinkedCrosshair { OFF = 0, SAME_INSTRUMENT = 1, ALL_WINDOWS = 2 };

    // The process's store, loaded from the writable folder on first use.
    static Preferences& shared();
    // A store on folder (with a trailing "/"), not loaded.
    explicit Preferences(std::string folder);

    // False (logged) when the file exists but cannot be used.
    bool load();
    LinkedCrosshair linkedCrosshair() const { return linkedCrosshair_; }
    // Stores, saves and tells the bindings; false when the file could not be written (the value
    // still holds for this run).
    bool setLinkedCrosshair(LinkedCrosshair mode);

    // Runs refresh now and after every change while node lives.
    void bind(cocos2d::CCNode* node, NodeBindings::Refresh refresh) {
        bindings_.bind(node, std::move(refresh));
    }
    const std::string& path() const { return path_; }

private:
    bool save() const;

    std::string path_;
    LinkedCrosshair linkedCrosshair_ = LinkedCrosshair::SAME_INSTRUMENT;
    NodeBindings bindings_;
};
