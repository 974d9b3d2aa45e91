#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "NodeBindings.h"

// The fields of a moment in one zone.
struct ZonedTime {
    int year = 1970;
    int month = 1;  // 1-12
    int day = 1;    // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4;  // 0 Sunday
    int dayOfYear = 0;
};

// The zone every shown time is in: one of seven cities, chosen in the settings (UserData's time
// zone index). Each city uses its real rules from the tz database, daylight saving included,
// whatever the computer's own zone; a zone the database cannot give falls back to the fixed offset
// the settings table implies (logged once). The process zone (TZ) is never touched.
//
// Conversions are pure and may run on any thread; the chosen index, the bindings and the listeners
// are main-thread only.
class DisplayTimeZone {
public:
    static constexpr int ZONE_COUNT = 7;

    // "Asia/Shanghai", "America/New_York", ... in the settings table's order; null outside 0-6.
    static const char* zoneId(int index);
    // "Beijing.png", "Newyork.png", ...; null outside 0-6.
    static const char* flagImage(int index);
    // The fixed UTC offset the table implies (its offsets assume a UTC+8 computer): +8, -5, 0, +9,
    // +11, +8, +8 hours.
    static int fallbackOffsetSeconds(int index);

    // A Unix time's fields in zone index (0-6; others are read as 0).
    static ZonedTime zoneTime(int64_t unixSeconds, int index);
    // Formats with strftime's conversions over those fields (%Y %m %d %H %M %S %a %b %j and so on;
    // not %Z, %z or %s, which would describe the computer's zone).
    static std::string formatZoneTime(int64_t unixSeconds, int index, const char* format);

    // The process's service, starting at UserData's stored zone.
    static DisplayTimeZone& shared();

    int index() const { return index_; }
    ZonedTime now() const;
    ZonedTime at(int64_t unixSeconds) const { return zoneTime(unixSeconds, index_); }
    std::string format(int64_t unixSeconds, const char* format) const {
        return formatZoneTime(unixSeconds, index_, format);
    }

    // Chooses a zone: outside 0-6 changes nothing and gives false. Otherwise (the same zone too,
    // which refreshes) every binding re-reads; with store, UserData gets the index and "config.bin"
    // is saved at once.
    bool choose(int index, bool store = true);

    // Runs refresh now and after every choose while node lives: labels that show times.
    void bind(cocos2d::CCNode* node, NodeBindings::Refresh refresh) {
        bindings_.bind(node, std::move(refresh));
    }
    void unbind(cocos2d::CCNode* node) { bindings_.unbind(node); }
    // Runs refresh on each whole second of the wall clock while node lives: shown clocks. The main
    // scene drives tick() once a frame.
    void bindClock(cocos2d::CCNode* node, NodeBindings::Refresh refresh) {
        clocks_.bind(node, std::move(refresh));
    }
    void tick();
    // The wall clock; tests set a stepped one.
    void setClock(std::function<int64_t()> clock);
    int64_t nowSeconds() const;

    // For tests: a fresh service at index, no bindings.
    void resetForTest(int index);

private:
    DisplayTimeZone();

    int index_ = 0;
    int64_t lastTick_ = -1;
    std::function<int64_t()> clock_;
    NodeBindings bindings_;
    NodeBindings clocks_;
};
