#include "PriceAlerts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileHelpers.h"
#include "TempHome.h"

namespace {
std::vector<int> ids(const std::vector<PriceAlert>& alerts) {
    std::vector<int> list;
    for (const PriceAlert& alert : alerts) list.push_back(alert.id);
    return list;
}
}  // namespace

TEST(PriceAlerts, AnAlertFiresOnceWhenTheQuotesReachItFromTheSideItWasPlacedOn) {
    TempHome home("zento-alerts", TempHome::Use::FOLDER);
    PriceAlerts alerts(home.folder());
    ASSERT_TRUE(alerts.load());
    // Gold at 2000: one level above, one below, and silver above.
    const int above = alerts.add("XAUUSD", 2010, 2000);
    const int below = alerts.add("XAUUSD", 1990, 2000);
    const int silver = alerts.add("XAGUSD", 24, 23);
    ASSERT_NE(above, 0);
    EXPECT_EQ(alerts.armedSymbols(), (std::vector<std::string>{"XAUUSD", "XAGUSD"}));

    EXPECT_TRUE(alerts.quote("XAUUSD", 2009.99, 1).empty());
    EXPECT_TRUE(alerts.quote("XAUUSD", 1990.01, 2).empty());
    EXPECT_TRUE(alerts.quote("XAGUSD", 23.5, 3).empty()) << "silver far below gold's lower level";
    // Exactly at the level fires; then it is disarmed.
    EXPECT_EQ(ids(alerts.quote("XAUUSD", 2010, 4)), std::vector<int>{above});
    EXPECT_TRUE(alerts.quote("XAUUSD", 2011, 5).empty());
    // A gap from above straight past the lower level fires it.
    const std::vector<PriceAlert> gap = alerts.quote("XAUUSD", 1980, 6);
    ASSERT_EQ(ids(gap), std::vector<int>{below});
    EXPECT_EQ(gap[0].firedPrice, 1980);
    EXPECT_EQ(gap[0].firedTime, 6);
    EXPECT_EQ(alerts.armedSymbols(), std::vector<std::string>{"XAGUSD"});

    // Moving re-arms from the new side; removing forgets.
    EXPECT_TRUE(alerts.move(above, 1970, 1980));
    EXPECT_EQ(ids(alerts.quote("XAUUSD", 1969, 7)), std::vector<int>{above});
    EXPECT_TRUE(alerts.remove(silver));
    EXPECT_FALSE(alerts.remove(silver));
    EXPECT_TRUE(alerts.armedSymbols().empty());

    // Senseless input is refused.
    for (double bad : {0.0, -1.0, 1.0 / 0.0}) EXPECT_EQ(alerts.add("XAUUSD", bad, 2000), 0);
    EXPECT_EQ(alerts.add("XAUUSD", 2000, 0), 0) << "no price yet to tell the side";
    EXPECT_FALSE(alerts.move(999, 10, 10));
    EXPECT_TRUE(alerts.quote("XAUUSD", -5, 8).empty());
}

TEST(PriceAlerts, AlertsSurviveARestartAndADamagedFileIsKeptUntilAChange) {
    TempHome home("zento-alerts", TempHome::Use::FOLDER);
    {
        PriceAlerts alerts(home.folder());
        alerts.add("EURUSD", 1.0850000000000002, 1.08);
        alerts.add("EURUSD", 1.07, 1.08);
        alerts.quote("EURUSD", 1.0690, 1700000000);
    }
    PriceAlerts restarted(home.folder());
    ASSERT_TRUE(restarted.load());
    ASSERT_EQ(restarted.alerts().size(), 2u);
    EXPECT_EQ(restarted.alerts()[0].price, 1.0850000000000002);
    EXPECT_FALSE(restarted.alerts()[0].fired);
    EXPECT_TRUE(restarted.alerts()[1].fired) << "fired stays fired";
    EXPECT_EQ(restarted.alerts()[1].firedTime, 1700000000);

    const std::string path = home.folder() + PriceAlerts::FILE_NAME;
    for (const std::string& damaged : {std::string(R"({"format":"zento-alerts","version":1,"alerts":[)"),
                                       std::string(R"({"format":"other","version":1,"alerts":[]})"),
                                       std::string(R"({"format":"zento-alerts","version":9,"alerts":[]})")}) {
        SCOPED_TRACE(damaged);
        ASSERT_TRUE(saveFile(path, damaged.data(), damaged.size()));
        PriceAlerts reader(home.folder());
        EXPECT_FALSE(reader.load());
        EXPECT_TRUE(reader.alerts().empty());
        const auto kept = readFile(path);
        ASSERT_TRUE(kept);
        EXPECT_EQ(std::string(kept->begin(), kept->end()), damaged) << "left as it was";
    }
    // The user's next change replaces it with a good file.
    PriceAlerts reader(home.folder());
    reader.load();
    ASSERT_NE(reader.add("GBPUSD", 1.3, 1.2), 0);
    PriceAlerts again(home.folder());
    EXPECT_TRUE(again.load());
    EXPECT_EQ(again.armedSymbols(), std::vector<std::string>{"GBPUSD"});

    // Unusable entries are skipped, the rest kept.
    const std::string mixed =
        R"({"format":"zento-alerts","version":1,"alerts":[{"symbol":"A","price":-1,"rising":true,"fired":false},)"
        R"({"symbol":"B","price":2,"rising":false,"fired":false},7]})";
    ASSERT_TRUE(saveFile(path, mixed.data(), mixed.size()));
    PriceAlerts skipping(home.folder());
    EXPECT_TRUE(skipping.load());
    EXPECT_EQ(skipping.armedSymbols(), std::vector<std::string>{"B"});
}
