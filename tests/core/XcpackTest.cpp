// The table packer (tools/xcpack) against the terminal's loaders, and the tables the build ships.
// The tests run from the top of the build folder: the packer is in tools/xcpack/ below it and the
// tables in res/database/ beside the test program. Without the packer these tests are skipped with
// a note saying so.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CCFileUtils.h"
#include "ConfigTable.h"
#include "LanguageTable.h"
#include "TempHome.h"
#include "TestSupport.h"

USING_NS_CC;

namespace {
std::string programFolder() {
    return CCFileUtils::sharedFileUtils()->getProgramPath();
}

std::string xcpackPath() {
    std::string folder = programFolder();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + "tools/xcpack/xcpack";
}

class XcpackTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(xcpackPath())) {
            GTEST_SKIP() << "xcpack is not built in " << xcpackPath()
                         << " (tools/xcpack is not in the build)";
        }
    }
    void TearDown() override {
        clearLanguageTable();
        clearConfigTable();
        setCurrentLanguage(DEFAULT_LANGUAGE);
    }

    std::string file(const std::string& name, const std::string& contents) {
        const std::string path = home_.folder() + name;
        EXPECT_TRUE(writeWholeFile(path, contents));
        return path;
    }
    int xcpack(const std::vector<std::string>& arguments) {
        std::vector<std::string> command{xcpackPath()};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return runCommand(command);
    }

    TempHome home_;
};

const char* const FEED_SOURCE = R"({
    "host": "10.1.2.3", "httpPort": 18090, "newsPort": 18080,
    "endpoints": {
        "stockList": { "server": "http", "path": "/stocklist", "configKey": "stockList" },
        "marketList": { "server": "http", "path": "/js/market.js", "configKey": "@url" },
        "newsHistory": { "server": "news", "path": "/", "configKey": null }
    }
})";
}  // namespace

TEST_F(XcpackTest, LanguageTableRoundTrip) {
    const std::string longText(200, 'x');
    const std::string longerText = std::string(5000, 'y') + "尾";
    const std::string source = R"(// comments are allowed
{
    "default": ["--", "——"],
    "timeType0": ["1 min", "1分钟"],
    "begin": ["Previous: ", "前值:"],
    "long": [")" + longText + R"(", ")" +
                               longerText + R"("],
    "escaped": ["Tab\tand \"quotes\"", "换行\n"],
})";
    const std::string output = home_.folder() + "out/database/language.xc";
    ASSERT_EQ(xcpack({"language", "--source", file("language.json", source), "--output", output}), 0);
    ASSERT_TRUE(loadLanguageTable(output));

    const std::vector<std::vector<std::string>> expected = {{"default", "--", "——"},
                                                            {"timeType0", "1 min", "1分钟"},
                                                            {"begin", "Previous: ", "前值:"},
                                                            {"long", longText, longerText},
                                                            {"escaped", "Tab\tand \"quotes\"", "换行\n"}};
    for (const auto& row : expected) {
        const LangData* entry = findLangEntry(row[0]);
        ASSERT_NE(entry, nullptr) << row[0];
        EXPECT_EQ(getLangTextFor(entry, 0), row[1]);
        EXPECT_EQ(getLangTextFor(entry, 1), row[2]);
        EXPECT_EQ(getLangTextFor(entry, 2), "null");
    }
}

TEST_F(XcpackTest, ConfigTableTakesTheFeedAddresses) {
    const std::string source = R"({
        "stockList": "${stockList}",
        "${marketList}": "${marketList}",
        "plain": "text without placeholders",
        "twice": "${newsHistory}|${stockList}"
    })";
    const std::string output = home_.folder() + "config.xc";
    ASSERT_EQ(xcpack({"config", "--feed", file("feed.json", FEED_SOURCE), "--source",
                      file("config.json", source), "--output", output}),
              0);
    ASSERT_TRUE(loadConfigTable(output));
    EXPECT_EQ(getConfigValue("stockList", ""), "http://10.1.2.3:18090/stocklist");
    EXPECT_EQ(getConfigValue("http://10.1.2.3:18090/js/market.js", ""), "http://10.1.2.3:18090/js/market.js");
    EXPECT_EQ(getConfigValue("plain", ""), "text without placeholders");
    EXPECT_EQ(getConfigValue("twice", ""), "http://10.1.2.3:18080/|http://10.1.2.3:18090/stocklist");
    EXPECT_EQ(getConfigMap().size(), 4u);
}

TEST_F(XcpackTest, RefusesBrokenSourcesAndKeepsTheOldTable) {
    const std::string feed = file("feed.json", FEED_SOURCE);
    const std::string output = home_.folder() + "config.xc";
    const std::string good = R"({"stockList": "${stockList}", "${marketList}": "${marketList}"})";
    ASSERT_EQ(xcpack({"config", "--feed", feed, "--source", file("good.json", good), "--output", output}), 0);
    const auto before = readWholeFile(output);

    const std::vector<std::string> brokenConfigs = {
        R"({"stockList": "${stockList}"})",                               // a feed key is missing
        R"({"stockList": "${nowhere}", "${marketList}": "x"})",           // unknown endpoint
        R"({"stockList": "${stockList", "${marketList}": "x"})",          // unclosed placeholder
        R"({"stockList": "a", "stockList": "b", "${marketList}": "x"})",  // repeated key
        R"({"stockList": 5, "${marketList}": "x"})",                      // not a text
        R"(["stockList"])",                                               // not an object
        R"({"stockList": "a", )",                                         // not JSON
    };
    for (const std::string& broken : brokenConfigs) {
        EXPECT_EQ(
            xcpack({"config", "--feed", feed, "--source", file("broken.json", broken), "--output", output}),
            1)
            << broken;
    }
    std::string localFeed = FEED_SOURCE;
    localFeed.replace(localFeed.find("10.1.2.3"), 8, "localhost");
    EXPECT_EQ(xcpack({"config", "--feed", file("local.json", localFeed), "--source", file("good.json", good),
                      "--output", output}),
              1);
    EXPECT_EQ(readWholeFile(output), before);

    const std::string language = home_.folder() + "language.xc";
    for (const std::string& broken : {std::string(R"({"open": ["Open", "开盘"]})"),  // no "default"
                                      std::string(R"({"default": ["--"]})"),         // one language only
                                      std::string(R"({"default": ["--", ""]})")}) {  // empty text
        EXPECT_EQ(xcpack({"language", "--source", file("broken.json", broken), "--output", language}), 1)
            << broken;
    }
    EXPECT_FALSE(std::filesystem::exists(language));
    EXPECT_EQ(xcpack({"unknown"}), 1);
}

// The keys the terminal asks the language table for.
TEST_F(XcpackTest, ShippedLanguageTableHoldsEveryKeyTheTerminalUses) {
    if (!loadLanguageTable()) GTEST_SKIP() << "res/database/language.xc is not built beside the tests";
    std::vector<std::string> keys = {"default",
                                     "connecting",
                                     "connecSuccessfull",
                                     "retryConnection",
                                     "tooManyCharts",
                                     "retryUpdate",
                                     "needUpdate",
                                     "forceUpdate",
                                     "update",
                                     "skip",
                                     "exit",
                                     "downloading",
                                     "unableWriteFile",
                                     "timeType",
                                     "chartType",
                                     "graphicalTools",
                                     "indicators",
                                     "timeTyle",
                                     "hight",
                                     "open",
                                     "low",
                                     "close",
                                     "candlesticks",
                                     "line",
                                     "area",
                                     "bars",
                                     "candlesticksInfo",
                                     "lineInfo",
                                     "areaInfo",
                                     "barsInfo",
                                     "maInfo",
                                     "tradingInfo",
                                     "macdInfo",
                                     "kdjInfo",
                                     "bollInfo",
                                     "selectColor",
                                     "selectWidth",
                                     "lock",
                                     "showHide",
                                     "delete",
                                     "drawLine",
                                     "drawShape",
                                     "drawSection",
                                     "drawIcon",
                                     "drawText",
                                     "drawOther",
                                     "layout",
                                     "addStock",
                                     "1chart",
                                     "2chart",
                                     "3chart",
                                     "4chart",
                                     "otherChart",
                                     "allStock",
                                     "news",
                                     "quoteList",
                                     "feedback",
                                     "turnOnOffAudio",
                                     "selectTimeZone",
                                     "month",
                                     "setting",
                                     "timeZoneSetting",
                                     "languageSetting",
                                     "showBg",
                                     "showCrossPoint",
                                     "showGrid",
                                     "inverseRedGreen",
                                     "about",
                                     "language",
                                     "begin",
                                     "expect",
                                     "actual"};
    for (int k = 0; k <= 8; ++k) keys.push_back("timeType" + std::to_string(k));
    for (int k = 0; k <= 6; ++k) keys.push_back("country" + std::to_string(k));
    for (int k = 1; k <= 26; ++k) {
        if (k != 9) keys.push_back("graphical" + std::to_string(k));  // tool 9 does not exist
    }
    for (const std::string& key : keys) {
        const LangData* entry = findLangEntry(key);
        ASSERT_NE(entry, nullptr) << key;
        ASSERT_EQ(entry->getTexts().size(), 2u) << key;
        EXPECT_FALSE(entry->getTexts()[0].empty()) << key;
        EXPECT_FALSE(entry->getTexts()[1].empty()) << key;
    }
    // Language 1 is Chinese: its texts are not the English ones.
    EXPECT_NE(getLangTextFor(findLangEntry("setting"), 0), getLangTextFor(findLangEntry("setting"), 1));
    EXPECT_EQ(getLangTextFor(findLangEntry("language"), 0), "English");
}

TEST_F(XcpackTest, ShippedConfigTablePointsEveryUrlKeyAtTheLocalFeed) {
    if (!loadConfigTable()) GTEST_SKIP() << "res/database/config.xc is not built beside the tests";
    EXPECT_EQ(getConfigValue(CONFIG_KEY_STOCK_LIST, ""), FEED_STOCK_LIST_URL);
    EXPECT_EQ(getConfigValue(CONFIG_KEY_NEWS_SERVER, ""), FEED_NEWS_SERVER_LIST_URL);
    EXPECT_EQ(getConfigValue(CONFIG_KEY_KLINE_SOCKET_SERVER_LIST_URL, ""),
              DEFAULT_KLINE_SOCKET_SERVER_LIST_URL);
    EXPECT_EQ(getConfigValue(CONFIG_KEY_KLINE_HISTORY_SERVER_LIST, ""), CONFIG_KEY_KLINE_HISTORY_SERVER_LIST);
    EXPECT_EQ(getConfigValue(CONFIG_KEY_NEWS_HISTORY_SERVER_LIST_URL, ""),
              DEFAULT_NEWS_HISTORY_SERVER_LIST_URL);
    EXPECT_EQ(getConfigValue(CONFIG_KEY_KWEEK_DATA_URL, ""), DEFAULT_KWEEK_DATA_URL);
    EXPECT_EQ(getConfigValue(CONFIG_KEY_UPDATE_EXE_URL, ""), DEFAULT_UPDATE_EXE_URL);
    EXPECT_EQ(getConfigValue(CONFIG_KEY_SEND_INSTALL_INFO_URL, ""), DEFAULT_SEND_INSTALL_INFO_URL);
    EXPECT_EQ(getConfigValue(CONFIG_KEY_SEND_APP_RUN_URL, ""), DEFAULT_SEND_APP_RUN_URL);
    EXPECT_EQ(getConfigValue(CONFIG_KEY_SEND_LOG_URL, ""), DEFAULT_SEND_LOG_URL);
    for (const auto& [key, value] : getConfigMap()) {
        EXPECT_EQ(value.rfind(std::string("http://") + FEED_HOST + ":", 0), 0u) << key << " = " << value;
    }
}
