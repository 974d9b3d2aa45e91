#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "NodeBindings.h"

// One price alert: an instrument's price level, armed until the quotes reach it from the side it was
// placed on, then fired (once).
struct PriceAlert {
    int id = 0;
    std::string symbol;
    double price = 0;
    // Placed below the price it watches for: fires when the quotes rise to it; else when they fall.
    bool rising = true;
    bool fired = false;
    int64_t firedTime = 0;
    double firedPrice = 0;
    bool operator==(const PriceAlert&) const = default;
};

// The user's price alerts, by instrument (every window of an instrument shows them, and they fire
// while no window does), kept in "alerts.json" in the writable folder and rewritten whole and
// atomically after each change. A damaged file is logged and left as it is until the user changes an
// alert. Main thread only.
class PriceAlerts {
public:
    static constexpr const char* FILE_NAME = "alerts.json";
    static constexpr size_t MAX_ALERTS = 200;
    static constexpr size_t MAX_FILE_BYTES = 256 * 1024;

    // A store on folder (with a trailing "/"), not loaded.
    explicit PriceAlerts(std::string folder);

    // True for a missing file (no alerts); false, logged, for one that cannot be used.
    bool load();
    const std::vector<PriceAlert>& alerts() const { return alerts_; }
    // The armed alerts' instruments, each once, in the order of their first alert.
    std::vector<std::string> armedSymbols() const;

    // Places an alert; lastPrice (the instrument's price now) decides from which side it fires. 0 when
    // refused: a price that is not positive and finite, no last price, or MAX_ALERTS already.
    int add(const std::string& symbol, double price, double lastPrice);
    // Moves an alert (re-armed, its side decided again); false for an unknown id or a bad price.
    bool move(int id, double price, double lastPrice);
    bool remove(int id);
    // A quote of symbol: every armed alert it reaches (at or beyond the level, so a gap over the
    // level fires too) fires, once. Gives the alerts that fired now; saves when any did.
    std::vector<PriceAlert> quote(const std::string& symbol, double price, int64_t time);

    // Runs refresh now and after every change while node lives.
    void bind(cocos2d::CCNode* node, NodeBindings::Refresh refresh) {
        bindings_.bind(node, std::move(refresh));
    }
    const std::string& path() const { return path_; }
    // Goes up with every change of the list, so views can tell when to look again.
    unsigned revision() const { return revision_; }

private:
    bool changed();
    bool save() const;

    std::string path_;
    std::vector<PriceAlert> alerts_;
    int nextId_ = 1;
    unsigned revision_ = 0;
    NodeBindings bindings_;
};
