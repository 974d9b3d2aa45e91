#include "ServerSettings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "CDebugModule.h"
#include "ConfigTable.h"
#include "TempHome.h"
#include "TestSupport.h"

namespace {
const std::string USER_FILE = "/home/u/.local/share/zento/servers.json";

std::map<std::string, ServerSettings::Effective> byKey(const std::vector<ServerSettings::Effective>& rows) {
    std::map<std::string, ServerSettings::Effective> keyed;
    for (const ServerSettings::Effective& row : rows) keyed.emplace(row.key, row);
    return keyed;
}

// The one refusal line, which must name what was refused.
void expectOneRefusalNaming(const ServerSettings& servers, const std::string& name,
                            const std::string& input) {
    ASSERT_EQ(servers.refusals().size(), 1u) << input;
    EXPECT_NE(servers.refusals()[0].find(name), std::string::npos) << servers.refusals()[0];
    EXPECT_EQ(servers.refusals()[0].find('\n'), std::string::npos);
}

class ServerSettingsTest : public ::testing::Test {
protected:
    void TearDown() override {
        setConfigOverrides({});
        clearConfigTable();
    }
};
}  // namespace

TEST_F(ServerSettingsTest, CommandLineWinsOverTheUserFileWhichWinsOverTheTable) {
    const std::map<std::string, std::string> table = {
        {"stockList", "http://10.0.0.1/stocklist"},
        {"sendLogUrl", "http://10.0.0.1/down"},
        {"KWeekDataUrl", "http://10.0.0.1/aweek/"},
    };
    ServerSettings servers;
    servers.parseUserFile(R"({
        // comments and a trailing comma are forgiven
        "sendLogUrl": "https://logs.example.com:8443/down?x=1",
        "KWeekDataUrl": "http://10.9.9.9:81/aweek/",
        "stockList": "http://10.9.9.9/stocklist",
    })",
                          USER_FILE);
    EXPECT_TRUE(servers.refusals().empty()) << servers.refusals()[0];
    auto rows = byKey(servers.effective(table));
    EXPECT_EQ(rows.size(), ServerSettings::knownKeys().size());
    EXPECT_EQ(rows.at("sendLogUrl").value, "https://logs.example.com:8443/down?x=1");
    EXPECT_EQ(rows.at("sendLogUrl").source, ServerSettings::Source::USER_FILE);
    EXPECT_EQ(rows.at("updateExeUrl").value, DEFAULT_UPDATE_EXE_URL);
    EXPECT_EQ(rows.at("updateExeUrl").source, ServerSettings::Source::BUILT_IN);
    EXPECT_EQ(rows.at("newsServer").value, "");

    // --feed moves every keyed endpoint, the history list's URL-named key included; --stock-list,
    // given first or last, beats it.
    EXPECT_TRUE(servers.setStockListUrl("http://10.7.7.7:90/list"));
    EXPECT_TRUE(servers.setFeedAddress("192.168.1.20:9001"));
    rows = byKey(servers.effective(table));
    EXPECT_EQ(rows.at("stockList").value, "http://10.7.7.7:90/list");
    EXPECT_EQ(rows.at("KWeekDataUrl").value, "http://192.168.1.20:9001/aweek/");
    EXPECT_EQ(rows.at(CONFIG_KEY_KLINE_HISTORY_SERVER_LIST).value, "http://192.168.1.20:9001/js/market.js");
    for (const auto& [key, row] : rows) EXPECT_EQ(row.source, ServerSettings::Source::COMMAND_LINE) << key;

    // The lookups the terminal makes see the same values as the listing, whatever the table says.
    TempHome home;
    setConfigOverrides(servers.overrides());
    EXPECT_FALSE(loadConfigTable(home.file("absent.xc")));
    for (const auto& [key, row] : rows) EXPECT_EQ(getConfigValue(key, "default"), row.value) << key;
    setConfigOverrides({});
    EXPECT_EQ(getConfigValue("stockList", "default"), "default");
}

TEST_F(ServerSettingsTest, RefusedEntriesNameTheirKeyAndLeaveTheShippedValue) {
    const std::map<std::string, std::string> table = {{"newsServer", "http://10.0.0.1/js/news.js"}};
    const std::vector<std::pair<std::string, std::string>> refusedFiles = {
        {R"({"newsSrever": "http://10.0.0.2/n.js"})", "newsSrever"},
        {R"({"newsServer": "http://localhost:8080/js/news.js"})", "newsServer"},
        {R"({"newsServer": "ws://10.0.0.2/n.js"})", "newsServer"},
        {R"({"newsServer": "10.0.0.2/n.js"})", "newsServer"},
        {R"({"newsServer": "http://10.0.0.2:0/n.js"})", "newsServer"},
        {R"({"newsServer": "http://10.0.0.2:65536/n.js"})", "newsServer"},
        {R"({"newsServer": "http://10.0.0.2/my list.js"})", "newsServer"},
        {R"({"newsServer": "http://[::1]:8080/"})", "newsServer"},
        {R"({"newsServer": ["http://10.0.0.2/n.js"]})", "newsServer"},
        {R"({"newsServer": "http://10.0.0.2/n.js")", USER_FILE},
        {R"(["newsServer", "http://10.0.0.2/n.js"])", USER_FILE},
    };
    for (const auto& [text, name] : refusedFiles) {
        ServerSettings servers;
        servers.parseUserFile(text, USER_FILE);
        expectOneRefusalNaming(servers, name, text);
        EXPECT_TRUE(servers.overrides().empty()) << text;
        EXPECT_EQ(byKey(servers.effective(table)).at("newsServer").value, "http://10.0.0.1/js/news.js")
            << text;
    }

    // A bad entry does not cost the good ones beside it.
    ServerSettings mixed;
    mixed.parseUserFile(R"({"stockList": "http://a.b/list", "sendLogUrl": "http://localhost/down"})",
                        USER_FILE);
    expectOneRefusalNaming(mixed, "sendLogUrl", "mixed");
    EXPECT_EQ(mixed.overrides(), (std::map<std::string, std::string>{{"stockList", "http://a.b/list"}}));

    for (const std::string feed : {"localhost:8090", "127.0.0.1", "127.0.0.1:", "127.0.0.1:http",
                                   "127.0.0.1:70000", "127.0.0.1:8090/x", "", "http://127.0.0.1:8090"}) {
        ServerSettings servers;
        EXPECT_FALSE(servers.setFeedAddress(feed));
        expectOneRefusalNaming(servers, "--feed", feed);
        EXPECT_TRUE(servers.overrides().empty()) << feed;
    }
    ServerSettings stockList;
    EXPECT_FALSE(stockList.setStockListUrl("http://localhost:8090/stocklist"));
    expectOneRefusalNaming(stockList, "stockList", "--stock-list");
    EXPECT_TRUE(stockList.overrides().empty());

    // No user file is the usual case and says nothing.
    TempHome home;
    ServerSettings none;
    none.readUserFile(home.file(ServerSettings::USER_FILE_NAME));
    EXPECT_TRUE(none.refusals().empty());
}

TEST_F(ServerSettingsTest, RefusalsReachTheLogOnceWhenTheTableLoads) {
    TempHome home;
    ServerSettings servers;
    servers.parseUserFile(R"({"stockList": "http://localhost/list"})", USER_FILE);
    ASSERT_EQ(servers.refusals().size(), 1u);
    ConsoleCapture console;
    setConfigOverrides(servers.overrides(), servers.refusals());
    EXPECT_TRUE(console.lines().empty());
    loadConfigTable(home.file("absent.xc"));
    loadConfigTable(home.file("absent.xc"));
    int seen = 0;
    for (const std::string& line : console.lines())
        if (line.find(servers.refusals()[0]) != std::string::npos) ++seen;
    EXPECT_EQ(seen, 1);
}
