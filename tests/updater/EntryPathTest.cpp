#include <gtest/gtest.h>

#include "EntryPath.h"

TEST(EntryPath, NamesInsideTheDestinationResolveUnderIt) {
    EXPECT_EQ(EntryPath::resolve("/opt/zento/", "Zento"), "/opt/zento/Zento");
    EXPECT_EQ(EntryPath::resolve("/opt/zento", "res/fonts/MiYaHei.ttf"), "/opt/zento/res/fonts/MiYaHei.ttf");
    EXPECT_EQ(EntryPath::resolve("/opt/zento/", "./res//plist/./image.plist"),
              "/opt/zento/res/plist/image.plist");
    EXPECT_EQ(EntryPath::resolve("/opt/zento/", "res\\audio\\click.wav"), "/opt/zento/res/audio/click.wav");
    EXPECT_EQ(EntryPath::resolve("/opt/zento/", "res/database/"), "/opt/zento/res/database");
    EXPECT_EQ(EntryPath::resolve("/opt/zento/", "..hidden/a..b"), "/opt/zento/..hidden/a..b");
    EXPECT_EQ(EntryPath::resolve("", "a.txt"), "./a.txt");
}

TEST(EntryPath, NamesThatLeaveTheDestinationAreRefused) {
    for (const char* name : {"", "/etc/passwd", "\\etc\\passwd", "C:/Windows/x.dll", "c:x", "../Zento",
                             "res/../../Zento", "res/..", "..\\Zento", "res\\..\\..\\x", ".", "./", "//"}) {
        EXPECT_EQ(EntryPath::resolve("/opt/zento/", name), std::nullopt) << "name: \"" << name << "\"";
    }
}

TEST(EntryPath, TrailingSeparatorMarksAFolder) {
    EXPECT_TRUE(EntryPath::namesFolder("res/"));
    EXPECT_TRUE(EntryPath::namesFolder("res\\fonts\\"));
    EXPECT_FALSE(EntryPath::namesFolder("res/fonts"));
    EXPECT_FALSE(EntryPath::namesFolder(""));
}
