#include "ConfigTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCmdPacket.h"
#include "FileHelpers.h"
#include "TempHome.h"
#include "TestSupport.h"

namespace {
std::string packedTable(int count, const std::vector<std::pair<std::string, std::string>>& rows) {
    CCmdPacket packet(65536);
    packet.writeUInt16(static_cast<uint16_t>(count));
    for (const auto& [key, value] : rows) {
        packet.writeLongString(key);
        packet.writeLongString(value);
    }
    std::vector<unsigned char> bytes(packet.getData(), packet.getData() + packet.getLength());
    scrambleDataTable(bytes.data(), bytes.size());
    return std::string(bytes.begin(), bytes.end());
}

class ConfigTableTest : public ::testing::Test {
protected:
    void SetUp() override { clearConfigTable(); }
    void TearDown() override { clearConfigTable(); }
    TempHome home_;
};
}  // namespace

TEST_F(ConfigTableTest, TableValuesOverrideTheCallersDefaults) {
    const std::string path = home_.folder() + "config.xc";
    const std::string longUrl = "http://10.0.0.1:8090/" + std::string(300, 'p');
    ASSERT_TRUE(
        writeWholeFile(path, packedTable(4, {{CONFIG_KEY_STOCK_LIST, "http://10.0.0.1:8090/stocklist"},
                                             {"newsServer", longUrl},
                                             {CONFIG_KEY_KLINE_HISTORY_SERVER_LIST, "http://10.0.0.2/m.js"},
                                             {"newsServer", "http://10.0.0.3/n.js"}})));
    ASSERT_TRUE(loadConfigTable(path));
    EXPECT_EQ(getConfigValue("stockList", ""), "http://10.0.0.1:8090/stocklist");
    // A repeated key takes the later value.
    EXPECT_EQ(getConfigValue("newsServer", ""), "http://10.0.0.3/n.js");
    // The history list is looked up under its own built-in URL.
    EXPECT_EQ(getConfigValue(CONFIG_KEY_KLINE_HISTORY_SERVER_LIST, CONFIG_KEY_KLINE_HISTORY_SERVER_LIST),
              "http://10.0.0.2/m.js");
    EXPECT_EQ(getConfigValue("sendLogUrl", DEFAULT_SEND_LOG_URL), DEFAULT_SEND_LOG_URL);
    EXPECT_EQ(getConfigMap().size(), 3u);

    // Values longer than 127 bytes use the two-byte length.
    ASSERT_TRUE(writeWholeFile(path, packedTable(1, {{"long", longUrl}})));
    ASSERT_TRUE(loadConfigTable(path));
    EXPECT_EQ(getConfigValue("long", ""), longUrl);
    EXPECT_EQ(getConfigValue("stockList", "none"), "none");
}

TEST_F(ConfigTableTest, WithoutATableEveryLookupGivesItsDefault) {
    EXPECT_FALSE(loadConfigTable(home_.folder() + "absent.xc"));
    EXPECT_TRUE(getConfigMap().empty());
    EXPECT_EQ(getConfigValue("stockList", ""), "");
    EXPECT_EQ(getConfigValue(CONFIG_KEY_UPDATE_EXE_URL, DEFAULT_UPDATE_EXE_URL), DEFAULT_UPDATE_EXE_URL);

    ASSERT_TRUE(writeWholeFile(home_.folder() + "empty.xc", ""));
    EXPECT_FALSE(loadConfigTable(home_.folder() + "empty.xc"));

    // A count beyond the data reads the missing entries as empty texts and stops there.
    ASSERT_TRUE(writeWholeFile(home_.folder() + "short.xc", packedTable(500, {{"a", "1"}})));
    EXPECT_TRUE(loadConfigTable(home_.folder() + "short.xc"));
    EXPECT_EQ(getConfigValue("a", ""), "1");
    EXPECT_EQ(getConfigMap().size(), 2u);
}

TEST(ConfigTable, BuiltInDefaultsPointAtTheLocalFeed) {
    const std::string httpBase = std::string("http://") + FEED_HOST + ":" + std::to_string(FEED_HTTP_PORT);
    EXPECT_EQ(std::string(FEED_HTTP_BASE_URL), httpBase);
    EXPECT_NE(std::string(FEED_HOST).find('.'), std::string::npos);
    for (const char* url :
         {DEFAULT_UPDATE_EXE_URL, DEFAULT_SEND_INSTALL_INFO_URL, DEFAULT_SEND_APP_RUN_URL,
          DEFAULT_SEND_LOG_URL, DEFAULT_KWEEK_DATA_URL, DEFAULT_KLINE_SOCKET_SERVER_LIST_URL,
          DEFAULT_NEWS_HISTORY_SERVER_LIST_URL, DEFAULT_KLINE_HISTORY_URL, DEFAULT_VERSION_FILE_URL,
          CONFIG_KEY_KLINE_HISTORY_SERVER_LIST}) {
        EXPECT_EQ(std::string(url).rfind(httpBase + "/", 0), 0u) << url;
    }
    EXPECT_EQ(std::string(DEFAULT_NEWS_SOCKET_URL),
              std::string("http://") + FEED_HOST + ":" + std::to_string(FEED_NEWS_PORT));
    EXPECT_EQ(std::string(DEFAULT_KLINE_HISTORY_URL).substr(httpBase.size()), "/history.php");
    EXPECT_EQ(std::string(CONFIG_KEY_KLINE_HISTORY_SERVER_LIST).substr(httpBase.size()), "/js/market.js");
}
