#include "DisplayTimeZone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "CCNode.h"
#include "TempHome.h"
#include "UserData.h"

USING_NS_CC;

namespace {
constexpr int BEIJING = 0;
constexpr int NEW_YORK = 1;
constexpr int LONDON = 2;
constexpr int SYDNEY = 4;
constexpr const char* FULL = "%Y-%m-%d %H:%M:%S";

int64_t utc(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<int64_t>(timegm(&tm));
}

// Runs with the process zone set to zone, as a computer in that zone would.
class ComputerZone {
public:
    explicit ComputerZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old, hadOld_ = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ComputerZone() {
        if (hadOld_)
            setenv("TZ", saved_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string saved_;
    bool hadOld_ = false;
};
}  // namespace

TEST(DisplayTimeZone, CitiesKeepTheirOwnDaylightSavingWhateverTheComputersZone) {
    struct Case {
        int zone;
        int64_t at;
        const char* shown;
    };
    const Case cases[] = {
        {NEW_YORK, utc(2025, 3, 9, 6, 59, 59), "2025-03-09 01:59:59"},
        {NEW_YORK, utc(2025, 3, 9, 7, 0, 0), "2025-03-09 03:00:00"},
        {NEW_YORK, utc(2025, 1, 15, 12, 0, 0), "2025-01-15 07:00:00"},
        {LONDON, utc(2025, 3, 30, 0, 59, 59), "2025-03-30 00:59:59"},
        {LONDON, utc(2025, 3, 30, 1, 0, 0), "2025-03-30 02:00:00"},
        {SYDNEY, utc(2025, 10, 4, 15, 59, 59), "2025-10-05 01:59:59"},
        {SYDNEY, utc(2025, 10, 4, 16, 0, 0), "2025-10-05 03:00:00"},
        {BEIJING, utc(2025, 7, 1, 16, 30, 0), "2025-07-02 00:30:00"},
        // Out-of-range indices read as the first zone.
        {9, utc(2025, 7, 1, 16, 30, 0), "2025-07-02 00:30:00"},
    };
    for (const char* computer : {"UTC", "America/Los_Angeles", "Asia/Shanghai"}) {
        ComputerZone zone(computer);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(computer) + " zone " + std::to_string(c.zone));
            EXPECT_EQ(DisplayTimeZone::formatZoneTime(c.at, c.zone, FULL), c.shown);
        }
    }
    const ZonedTime t = DisplayTimeZone::zoneTime(utc(2025, 3, 9, 7, 0, 0), NEW_YORK);
    EXPECT_EQ(t.hour, 3);
    EXPECT_EQ(t.weekday, 0);
    EXPECT_EQ(DisplayTimeZone::formatZoneTime(0, BEIJING, ""), "");
}

TEST(DisplayTimeZone, ChoosingRefreshesBindingsAndSavesAtOnce) {
    TempHome home;
    DisplayTimeZone& service = DisplayTimeZone::shared();
    service.resetForTest(BEIJING);
    int64_t now = utc(2025, 3, 9, 6, 59, 58);
    service.setClock([&] { return now; });

    auto* label = new CCNode();
    std::string shown;
    int clockTicks = 0;
    service.bind(label, [&] { shown = service.format(now, FULL); });
    service.bindClock(label, [&] { ++clockTicks; });
    EXPECT_EQ(shown, "2025-03-09 14:59:58");

    EXPECT_TRUE(service.choose(NEW_YORK));
    EXPECT_EQ(shown, "2025-03-09 01:59:58");
    EXPECT_EQ(UserData::getInstance()->getTimeZone(), NEW_YORK);
    UserData reloaded;
    reloaded.loadSettings();
    EXPECT_EQ(reloaded.getTimeZone(), NEW_YORK) << "config.bin holds the zone at once";

    // The same zone again refreshes; out of range changes nothing.
    shown.clear();
    EXPECT_TRUE(service.choose(NEW_YORK));
    EXPECT_EQ(shown, "2025-03-09 01:59:58");
    for (int bad : {7, -1}) EXPECT_FALSE(service.choose(bad));
    EXPECT_EQ(service.index(), NEW_YORK);

    // The clock bindings run once per whole second, however often the frame ticks.
    const int before = clockTicks;
    service.tick();
    service.tick();
    now += 2;
    service.tick();
    EXPECT_EQ(clockTicks, before + 2);
    EXPECT_EQ(service.now().hour, 3) << "the stepped clock crossed New York's spring-forward gap";

    label->release();
    shown.clear();
    EXPECT_TRUE(service.choose(LONDON, false));
    EXPECT_TRUE(shown.empty()) << "a dead label's binding is gone";
    EXPECT_EQ(UserData::getInstance()->getTimeZone(), NEW_YORK) << "no store, no write";
    service.resetForTest(BEIJING);
}
