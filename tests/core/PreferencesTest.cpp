#include "Preferences.h"

#include <gtest/gtest.h>

#include <string>

#include "CCNode.h"
#include "FileHelpers.h"
#include "TempHome.h"

using Linked = Preferences::LinkedCrosshair;

TEST(Preferences, ChoicesSurviveARestartAndADamagedFileIsKeptUntilAChange) {
    TempHome home("zento-prefs", TempHome::Use::FOLDER);
    Preferences fresh(home.folder());
    EXPECT_TRUE(fresh.load()) << "no file is the defaults";
    EXPECT_EQ(fresh.linkedCrosshair(), Linked::SAME_INSTRUMENT);

    auto* owner = new cocos2d::CCNode();
    int told = 0;
    fresh.bind(owner, [&] { ++told; });
    EXPECT_TRUE(fresh.setLinkedCrosshair(Linked::ALL_WINDOWS));
    EXPECT_EQ(told, 2);
    owner->release();
    Preferences restarted(home.folder());
    EXPECT_TRUE(restarted.load());
    EXPECT_EQ(restarted.linkedCrosshair(), Linked::ALL_WINDOWS);

    const std::string path = home.folder() + Preferences::FILE_NAME;
    for (const std::string& damaged : {std::string("{\"linkedCrosshair\":"), std::string("[1]")}) {
        ASSERT_TRUE(saveFile(path, damaged.data(), damaged.size()));
        Preferences reader(home.folder());
        EXPECT_FALSE(reader.load());
        EXPECT_EQ(reader.linkedCrosshair(), Linked::SAME_INSTRUMENT);
        const auto kept = readFile(path);
        ASSERT_TRUE(kept);
        EXPECT_EQ(std::string(kept->begin(), kept->end()), damaged);
    }
    // Unknown values keep the default; unknown keys are ignored.
    const std::string other = R"({"linkedCrosshair":"sometimes","later":true})";
    ASSERT_TRUE(saveFile(path, other.data(), other.size()));
    Preferences reader(home.folder());
    EXPECT_TRUE(reader.load());
    EXPECT_EQ(reader.linkedCrosshair(), Linked::SAME_INSTRUMENT);
    EXPECT_TRUE(reader.setLinkedCrosshair(Linked::OFF));
    Preferences again(home.folder());
    again.load();
    EXPECT_EQ(again.linkedCrosshair(), Linked::OFF);
}
