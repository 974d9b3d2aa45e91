#include "FileHelpers.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "CCFileUtils.h"
#include "TempHome.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Lowers the file size limit for one scope, so that writes fail even for root.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit lowered = previous_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = SIG_DFL;
};
}  // namespace

TEST(FileHelpers, SaveFileIntoAnExistingFolder) {
    TempHome home;
    ConsoleCapture console;
    const std::string path = home.folder() + "config.bin";
    const std::string bytes("\x00\x01\x02settings", 11);
    ASSERT_TRUE(saveFile(path, bytes.data(), bytes.size()));
    EXPECT_TRUE(console.contains("save file complete: " + path));
    EXPECT_EQ(readWholeFile(path), bytes);

    // A second save replaces the whole file and leaves no temporary file behind.
    ASSERT_TRUE(saveFile(path, "new", 3));
    EXPECT_EQ(readWholeFile(path), "new");
    EXPECT_EQ(filesIn(home.folder()), std::vector<std::string>{"config.bin"});
}

TEST(FileHelpers, SaveFileCreatesAMissingTwoLevelFolder) {
    TempHome home;
    ConsoleCapture console;
    const std::string path = home.folder() + "kline/XAUUSD/week_15.gz";
    ASSERT_TRUE(saveFile(path, "bars", 4));
    EXPECT_TRUE(console.contains("make dir and save file complete: " + path));
    EXPECT_FALSE(console.contains("save file complete: " + path));
    EXPECT_EQ(readWholeFile(path), "bars");
    EXPECT_TRUE(fs::is_directory(home.folder() + "kline/XAUUSD"));
}

TEST(FileHelpers, SaveFileKeepsTheModeAndWritesThroughASymlink) {
    TempHome home;
    const std::string path = home.folder() + "config.bin";
    ASSERT_TRUE(writeWholeFile(path, "old"));
    fs::permissions(path, fs::perms(0600));
    ASSERT_TRUE(saveFile(path, "new", 3));
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0600));

    // A settings file kept elsewhere behind a relative link: the target is replaced, the link stays.
    fs::create_directories(home.folder() + "dotfiles");
    const std::string target = home.folder() + "dotfiles/user.bin";
    ASSERT_TRUE(writeWholeFile(target, "old"));
    fs::permissions(target, fs::perms(0640));
    const std::string link = home.folder() + "user.bin";
    fs::create_symlink("dotfiles/user.bin", link);
    ASSERT_TRUE(saveFile(link, "linked", 6));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readWholeFile(target), "linked");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
    EXPECT_EQ(filesIn(home.folder() + "dotfiles"), std::vector<std::string>{"user.bin"});

    // A link whose target does not exist yet gets an ordinary new file there; a loop is refused.
    fs::create_symlink(home.folder() + "dotfiles/later.bin", home.folder() + "later.bin");
    ASSERT_TRUE(saveFile(home.folder() + "later.bin", "x", 1));
    EXPECT_EQ(readWholeFile(home.folder() + "dotfiles/later.bin"), "x");
    EXPECT_EQ(fs::status(home.folder() + "dotfiles/later.bin").permissions(), fs::perms(0644));
    fs::create_symlink("loop.bin", home.folder() + "loop.bin");
    EXPECT_FALSE(saveFile(home.folder() + "loop.bin", "x", 1));
    EXPECT_TRUE(fs::is_symlink(home.folder() + "loop.bin"));
}

TEST(FileHelpers, SaveFileRefusesMissingArguments) {
    TempHome home;
    ConsoleCapture console;
    EXPECT_FALSE(saveFile("", "x", 1));
    EXPECT_FALSE(saveFile(home.folder() + "a.bin", nullptr, 1));
    EXPECT_FALSE(saveFile(home.folder() + "a.bin", "x", 0));
    EXPECT_TRUE(filesIn(home.folder()).empty());
    EXPECT_TRUE(console.lines().empty());
}

TEST(FileHelpers, FailedSaveKeepsTheOldFile) {
    TempHome home;
    const std::string path = home.folder() + "config.bin";
    const std::string oldBytes(100, 'o');
    ASSERT_TRUE(writeWholeFile(path, oldBytes));

    ConsoleCapture console;
    const std::string newBytes(64 * 1024, 'n');
    {
        ScopedFileSizeLimit limit(1024);
        EXPECT_FALSE(saveFile(path, newBytes.data(), newBytes.size()));
    }
    EXPECT_TRUE(console.contains("save file faild: " + path));
    EXPECT_EQ(readWholeFile(path), oldBytes);
    EXPECT_EQ(filesIn(home.folder()), std::vector<std::string>{"config.bin"});

    // A folder that cannot be made (a file stands in its way) fails the same way.
    ASSERT_TRUE(writeWholeFile(home.folder() + "blocker", "x"));
    EXPECT_FALSE(saveFile(home.folder() + "blocker/inner/file.bin", "x", 1));
    EXPECT_TRUE(console.contains("save file faild: " + home.folder() + "blocker/inner/file.bin"));
}

TEST(FileHelpers, MakeDirsCreatesEveryFolderButNotTheFile) {
    TempHome home;
    ASSERT_TRUE(makeDirs(home.folder() + "a/b/c/name.txt"));
    EXPECT_TRUE(fs::is_directory(home.folder() + "a/b/c"));
    EXPECT_FALSE(fs::exists(home.folder() + "a/b/c/name.txt"));
    EXPECT_TRUE(makeDirs(home.folder() + "a/b/c/name.txt"));
    EXPECT_TRUE(makeDirs("plainname"));

    const std::string deep = home.folder() + std::string(MAX_DIR_PATH_LENGTH, 'd') + "/file";
    EXPECT_FALSE(makeDirs(deep));
}

TEST(FileHelpers, ReadFileAndPacketFile) {
    TempHome home;
    EXPECT_FALSE(readFile(home.folder() + "absent.bin").has_value());
    EXPECT_EQ(readPacketFile(home.folder() + "absent.xc"), nullptr);

    CCmdPacket table(256);
    ASSERT_TRUE(table.writeUInt16(1));
    ASSERT_TRUE(table.writeLongString("stockList"));
    ASSERT_TRUE(table.writeLongString("http://127.0.0.1:8090/list"));
    std::vector<unsigned char> scrambled(table.getData(), table.getData() + table.getLength());
    scrambleDataTable(scrambled.data(), scrambled.size());
    EXPECT_NE(scrambled[2], table.getData()[2]);
    const std::string path = home.folder() + "config.xc";
    ASSERT_TRUE(writeWholeFile(path, std::string(scrambled.begin(), scrambled.end())));

    auto raw = readFile(path);
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(*raw, scrambled);

    std::unique_ptr<CCmdPacket> packet = readPacketFile(path);
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(packet->getLength(), table.getLength());
    EXPECT_EQ(packet->readUInt16(), 1);
    EXPECT_EQ(packet->readLongString(), "stockList");
    EXPECT_EQ(packet->readLongString(), "http://127.0.0.1:8090/list");
    EXPECT_EQ(packet->getRemaining(), 0);
}

TEST(FileHelpers, ReadFileResolvesThroughTheSearchPaths) {
    TempHome home;
    ASSERT_TRUE(makeDirs(home.folder() + "res/testdata/x"));
    ASSERT_TRUE(writeWholeFile(home.folder() + "res/testdata/only-here.bin", "lang"));
    cocos2d::CCFileUtils::sharedFileUtils()->addSearchPath(home.folder());
    auto bytes = readFile("res/testdata/only-here.bin");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "lang");
}

TEST(FileHelpers, SplitStringKeepsEmptyPieces) {
    EXPECT_EQ(splitString("a,,b,", ','), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(splitString("", ','), (std::vector<std::string>{""}));
    EXPECT_EQ(splitString("no delimiter", ','), (std::vector<std::string>{"no delimiter"}));
    EXPECT_EQ(splitString(",x", ','), (std::vector<std::string>{"", "x"}));
    EXPECT_EQ(splitString("1#XAUUSD#text", "#"), (std::vector<std::string>{"1", "XAUUSD", "text"}));
    EXPECT_EQ(splitString("a\r\nb\r\n", "\r\n"), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(splitString("abc", ""), (std::vector<std::string>{"abc"}));
}

TEST(FileHelpers, ReplaceAllScansOnAfterEachReplacement) {
    EXPECT_EQ(replaceAll("C:\\zento\\res\\a.png", "\\", "/"), "C:/zento/res/a.png");
    EXPECT_EQ(replaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(replaceAll("abab", "ab", ""), "");
    EXPECT_EQ(replaceAll("xyz", "q", "r"), "xyz");
    EXPECT_EQ(replaceAll("text", "", "r"), "text");
    EXPECT_EQ(replaceAll("", "a", "b"), "");
}

TEST(FileHelpers, ShortenTextAscii) {
    EXPECT_EQ(shortenText(""), "");
    EXPECT_EQ(shortenText("ABCDEFGHIJKLMNOPQRSTUVWXY"), "ABCDEFGHIJKLMNOPQ...");
    EXPECT_EQ(shortenText("ABCDEFGHIJKLMNOPQ"), "ABCDEFGHIJKLMNOPQ");
    EXPECT_EQ(shortenText("ABCDEFGHIJKLMNOPQR"), "ABCDEFGHIJKLMNOPQ...");
    EXPECT_EQ(shortenText("XAUUSD"), "XAUUSD");
}

TEST(FileHelpers, ShortenTextWalksWholeUtf8Characters) {
    const std::string zhong = "\xE4\xB8\xAD";  // one CJK character, three bytes, cost 3
    std::string six;
    for (int k = 0; k < 6; ++k) six += zhong;
    EXPECT_EQ(shortenText(six), six);                  // 3 + 6 * 3 = 21: the walk reaches the end
    EXPECT_EQ(shortenText(six + zhong), six + "...");  // stops after six characters
    EXPECT_EQ(shortenText("AB" + six), "AB" + six.substr(0, 15) + "...");

    // Two- and four-byte characters are walked whole and cost 3 like any non-ASCII character.
    const std::string eAcute = "\xC3\xA9";
    const std::string emoji = "\xF0\x9F\x98\x80";
    std::string mixed;
    for (int k = 0; k < 7; ++k) mixed += (k % 2 ? emoji : eAcute);
    const std::string shortened = shortenText(mixed);
    std::string expectedHead;
    for (int k = 0; k < 6; ++k) expectedHead += (k % 2 ? emoji : eAcute);
    EXPECT_EQ(shortened, expectedHead + "...");

    // A character cut off by the end of the text is not read past.
    const std::string cutTail = "ABCDEFGHIJKLMNOP\xE4\xB8";
    EXPECT_EQ(shortenText(cutTail), cutTail);
    const std::string loneLead("\xF0", 1);
    EXPECT_EQ(shortenText(loneLead), loneLead);
}

TEST(FileHelpers, ListFilesMatchesAPatternInOneFolder) {
    TempHome home;
    for (const char* name : {"zento_12_34.dmp", "zento_5_6.dmp", "notes.txt", "other.dmp.bak"}) {
        ASSERT_TRUE(writeWholeFile(home.folder() + name, "d"));
    }
    ConsoleCapture console;
    const std::vector<std::string> names = listFiles(home.folder() + "*.dmp");
    EXPECT_EQ(names, (std::vector<std::string>{"zento_12_34.dmp", "zento_5_6.dmp"}));
    ASSERT_EQ(console.lines().size(), 2u);
    EXPECT_NE(console.lines()[0].find("| -INFO- | zento_12_34.dmp"), std::string::npos);
    EXPECT_TRUE(listFiles(home.folder() + "*.none").empty());
    EXPECT_TRUE(listFiles(home.folder() + "missing/*.dmp").empty());
}
