#include "DisplayTimeZone.h"

#include <array>
#include <ctime>
#include <memory>
#include <mutex>

#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include "CDebugModule.h"
#include "UserData.h"

namespace {
struct ZoneRow {
    const char* id;
    const char* flag;
    int fallbackHours;
};
// The settings table's order and flags; the fallback offsets are what its fixed offsets mean on the
// UTC+8 computer they were written for.
constexpr std::array<ZoneRow, DisplayTimeZone::ZONE_COUNT> ZONES{{
    {"Asia/Shanghai", "Beijing.png", 8},
    {"America/New_York", "Newyork.png", -5},
    {"Europe/London", "London.png", 0},
    {"Asia/Tokyo", "Tokyo.png", 9},
    {"Australia/Sydney", "Sydney.png", 11},
    {"Asia/Singapore", "Singapore.png", 8},
    {"Asia/Hong_Kong", "Hongkong.png", 8},
}};

bool inRange(int index) {
    return index >= 0 && index < DisplayTimeZone::ZONE_COUNT;
}

// ICU zones are created once; their offset lookups are serialised because a zone caches transitions.
class ZoneRules {
public:
    static ZoneRules& instance() {
        static ZoneRules rules;
        return rules;
    }

    int offsetSeconds(int64_t unixSeconds, int index) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::unique_ptr<icu::TimeZone>& zone = zones_[static_cast<size_t>(index)];
        if (!zone && !failed_[static_cast<size_t>(index)]) load(index);
        if (!zone) return DisplayTimeZone::fallbackOffsetSeconds(index);
        int32_t raw = 0;
        int32_t dst = 0;
        UErrorCode status = U_ZERO_ERROR;
        zone->getOffset(static_cast<UDate>(unixSeconds) * 1000.0, false, raw, dst, status);
        if (U_FAILURE(status)) return DisplayTimeZone::fallbackOffsetSeconds(index);
        return (raw + dst) / 1000;
    }

private:
    void load(int index) {
        const size_t k = static_cast<size_t>(index);
        std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(icu::UnicodeString(ZONES[k].id)));
        if (!zone || *zone == icu::TimeZone::getUnknown()) {
            failed_[k] = true;
            logWarn("time zone %s is not in the time zone database; using UTC%+d", ZONES[k].id,
                    ZONES[k].fallbackHours);
            return;
        }
        zones_[k] = std::move(zone);
    }

    std::mutex mutex_;
    std::array<std::unique_ptr<icu::TimeZone>, DisplayTimeZone::ZONE_COUNT> zones_;
    std::array<bool, DisplayTimeZone::ZONE_COUNT> failed_{};
};

std::tm toTm(const ZonedTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_wday = t.weekday;
    tm.tm_yday = t.dayOfYear;
    tm.tm_isdst = 0;
    return tm;
}
}  // namespace

const char* DisplayTimeZone::zoneId(int index) {
    return inRange(index) ? ZONES[static_cast<size_t>(index)].id : nullptr;
}

const char* DisplayTimeZone::flagImage(int index) {
    return inRange(index) ? ZONES[static_cast<size_t>(index)].flag : nullptr;
}

int DisplayTimeZone::fallbackOffsetSeconds(int index) {
    return (inRange(index) ? ZONES[static_cast<size_t>(index)].fallbackHours : 8) * 3600;
}

ZonedTime DisplayTimeZone::zoneTime(int64_t unixSeconds, int index) {
    if (!inRange(index)) index = 0;
    const int64_t local = unixSeconds + ZoneRules::instance().offsetSeconds(unixSeconds, index);
    const time_t asUtc = static_cast<time_t>(local);
    std::tm tm{};
    gmtime_r(&asUtc, &tm);
    ZonedTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.weekday = tm.tm_wday;
    t.dayOfYear = tm.tm_yday;
    return t;
}

std::string DisplayTimeZone::formatZoneTime(int64_t unixSeconds, int index, const char* format) {
    if (!format || !*format) return "";
    std::tm tm = toTm(zoneTime(unixSeconds, index));
    char buffer[256];
    const size_t written = std::strftime(buffer, sizeof(buffer), format, &tm);
    return std::string(buffer, written);
}

DisplayTimeZone& DisplayTimeZone::shared() {
    static DisplayTimeZone service;
    return service;
}

DisplayTimeZone::DisplayTimeZone() {
    const int stored = UserData::getInstance()->getTimeZone();
    index_ = inRange(stored) ? stored : 0;
}

ZonedTime DisplayTimeZone::now() const {
    return at(nowSeconds());
}

bool DisplayTimeZone::choose(int index, bool store) {
    if (!inRange(index)) return false;
    index_ = index;
    if (store) {
        UserData* settings = UserData::getInstance();
        settings->setTimeZone(index);
        if (!settings->saveSettings())
            logWarn("time zone %d chosen but the settings could not be saved", index);
    }
    bindings_.notify();
    clocks_.notify();
    return true;
}

void DisplayTimeZone::tick() {
    const int64_t now = nowSeconds();
    if (now == lastTick_) return;
    lastTick_ = now;
    clocks_.notify();
}

void DisplayTimeZone::setClock(std::function<int64_t()> clock) {
    clock_ = std::move(clock);
    lastTick_ = -1;
}

int64_t DisplayTimeZone::nowSeconds() const {
    return clock_ ? clock_() : static_cast<int64_t>(std::time(nullptr));
}

void DisplayTimeZone::resetForTest(int index) {
    index_ = inRange(index) ? index : 0;
    clock_ = nullptr;
    lastTick_ = -1;
}
