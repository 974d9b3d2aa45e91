#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CCCommon.h"
#include "CCFileUtils.h"
#include "CCTime.h"
#include "CCUserDefault.h"
#include "TempHome.h"

USING_NS_CC;

namespace {

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

TEST(CCFileUtils, WritableFolderComesFromZentoHomeAndEndsInSlash) {
    TempHome home;
    std::string writable = CCFileUtils::sharedFileUtils()->getWritablePath();
    EXPECT_EQ(writable, home.path() + "/");
}

TEST(CCFileUtils, WritableFolderFallsBackToXdgDataHome) {
    TempHome home;
    unsetenv("ZENTO_HOME");
    setenv("XDG_DATA_HOME", home.path().c_str(), 1);
    CCFileUtils::purgeFileUtils();
    std::string writable = CCFileUtils::sharedFileUtils()->getWritablePath();
    EXPECT_EQ(writable, home.path() + "/zento/");
    struct stat st {};
    EXPECT_EQ(stat(writable.c_str(), &st), 0) << "the folder is created on first use";
    unsetenv("XDG_DATA_HOME");
}

TEST(CCFileUtils, SearchPathsResolveInOrderAndReadWholeFiles) {
    TempHome home;
    CCFileUtils* utils = CCFileUtils::sharedFileUtils();
    ASSERT_TRUE(CCFileUtils::createDirectories(home.file("first/res")));
    ASSERT_TRUE(CCFileUtils::createDirectories(home.file("second/res")));
    writeText(home.file("second/res/a.txt"), "second");
    writeText(home.file("second/res/b.bin"), std::string("\0\1\2", 3));
    utils->setSearchPaths({home.file("first"), home.file("second")});
    EXPECT_EQ(utils->fullPathForFilename("res/a.txt"), home.file("second/res/a.txt"));
    writeText(home.file("first/res/a.txt"), "first");
    EXPECT_EQ(utils->getStringFromFile("res/a.txt"), "first");
    EXPECT_EQ(utils->fullPathForFilename("res/none.txt"), "res/none.txt");
    EXPECT_FALSE(utils->getFileBytes("res/none.txt").has_value());

    unsigned long size = 99;
    unsigned char* data = utils->getFileData("res/b.bin", "rb", &size);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(data[2], 2);
    delete[] data;
    EXPECT_EQ(utils->getFileData("res/none.bin", "rb", &size), nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(CCFileUtils, AtomicWriteReplacesWholeFilesAndFailsCleanly) {
    TempHome home;
    std::string path = home.file("settings.bin");
    writeText(path, "old contents");
    std::string fresh(100000, 'n');
    ASSERT_TRUE(CCFileUtils::writeFileAtomically(path, fresh.data(), fresh.size()));
    EXPECT_EQ(CCFileUtils::sharedFileUtils()->getStringFromFile(path), fresh);
    // A missing folder is a failure, and no stray temporary file is left anywhere.
    EXPECT_FALSE(CCFileUtils::writeFileAtomically(home.file("missing/x.bin"), "x", 1));
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(home.path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(CCUserDefault, ValuesSurviveAReloadAndBadFilesReadAsEmpty) {
    TempHome home;
    CCUserDefault* store = CCUserDefault::sharedUserDefault();
    EXPECT_FALSE(store->getBoolForKey("maxSize"));
    EXPECT_TRUE(store->getBoolForKey("maxSize", true));
    store->setBoolForKey("maxSize", true);
    store->setStringForKey("lastServer", "http://127.0.0.1:8090 & <more>");
    store->setIntegerForKey("count", -7);
    CCUserDefault::purgeSharedUserDefault();
    store = CCUserDefault::sharedUserDefault();
    EXPECT_TRUE(store->getBoolForKey("maxSize"));
    EXPECT_EQ(store->getStringForKey("lastServer"), "http://127.0.0.1:8090 & <more>");
    EXPECT_EQ(store->getIntegerForKey("count"), -7);

    writeText(store->getFilePath(), "<userDefaultRoot><maxSize>tr");
    CCUserDefault::purgeSharedUserDefault();
    store = CCUserDefault::sharedUserDefault();
    EXPECT_FALSE(store->getBoolForKey("maxSize"));
    store->setBoolForKey("bad key<>", true);  // not a name XML can hold: refused, file stays valid
    store->setBoolForKey("maxSize", true);
    CCUserDefault::purgeSharedUserDefault();
    EXPECT_TRUE(CCUserDefault::sharedUserDefault()->getBoolForKey("maxSize"));
}

TEST(CCLog, LinesReachTheSinkWholeFromManyThreads) {
    std::mutex mutex;
    std::vector<std::string> lines;
    CCLogSetSink([&](const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(line);
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i)
                CCLog("thread %d line %d %s", t, i, std::string(40, 'a' + t).c_str());
        });
    for (auto& th : threads) th.join();
    CCLog("100%% sure: %s", "%d stays");
    CCLogSetSink(nullptr);
    ASSERT_EQ(lines.size(), 201u);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        char letter = lines[i][lines[i].size() - 1];
        EXPECT_EQ(lines[i].find_first_not_of(letter, lines[i].size() - 40), std::string::npos);
    }
    EXPECT_EQ(lines.back(), "100% sure: %d stays");
}

TEST(CCTime, ClockGivesMicrosecondsInRangeAndMovesForward) {
    cc_timeval a, b;
    ASSERT_EQ(CCTime::gettimeofday(&a), 0);
    ASSERT_EQ(CCTime::gettimeofday(&b), 0);
    EXPECT_GE(a.tv_usec, 0);
    EXPECT_LT(a.tv_usec, 1000000);
    EXPECT_GE(CCTime::timersubCocos2d(&a, &b), 0.0);
    EXPECT_EQ(CCTime::gettimeofday(nullptr), -1);
}

}  // namespace
