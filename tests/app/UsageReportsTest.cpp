#include "UsageReports.h"

#include <gtest/gtest.h>
#include <net/if_arp.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "CCDirector.h"
#include "CCHttpClient.h"
#include "CCNode.h"
#include "CCmdPacket.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "FileHelpers.h"
#include "FrameSteps.h"
#include "NodePeer.h"
#include "TempHome.h"
#include "TestSupport.h"

USING_NS_CC;

namespace {
// Made-up sources: everything known.
SysInfoSources madeUpSources() {
    SysInfoSources sources;
    sources.cpuBrand = [] { return std::string("Test CPU @ 3.00GHz"); };
    sources.osName = [] { return std::optional<std::string>("Debian GNU/Linux 12 (bookworm)"); };
    sources.kernelRelease = [] { return std::optional<std::string>("6.1.0-test"); };
    sources.physicalMemory = [] { return std::optional<uint64_t>(8589934592ULL); };
    sources.addressSpaceLimit = [] { return std::optional<uint64_t>(4000000000ULL); };
    sources.hostAddress = [] { return std::string("192.168.1.20"); };
    sources.adapters = [] {
        return std::vector<NetworkAdapter>{
            {"lo", ARPHRD_LOOPBACK, {0, 0, 0, 0, 0, 0}, true},
            {"eth0", ARPHRD_ETHER, {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, false}};
    };
    sources.displayDevices = [] {
        return std::vector<DisplayDevice>{{0x10de, 0x1c82, "NVIDIA Corporation GP107"}, {0x1af4, 0x1050, ""}};
    };
    sources.glRenderer = "llvmpipe (LLVM 15.0.6, 256 bits)";
    return sources;
}

constexpr const char* GOLDEN_REPORT =
    "{\"disPlayCard\":[\"NVIDIA Corporation GP107\",\"PCI 1af4:1050\"],"
    "\"sysVer\":\"Debian GNU/Linux 12 (bookworm) 6.1.0-test\",\"phymem\":\"8589MB\",\"virmem\":\"4000MB\","
    "\"ip\":\"192.168.1.20\",\"mac\":\"00:1A:2B:3C:4D:5E\",\"cpu\":\"Test CPU @ "
    "3.00GHz\",\"platform\":\"zento_linux\"}";

bool writeConfig(const std::string& path, const std::vector<std::pair<std::string, std::string>>& values) {
    CCmdPacket packet(4096);
    packet.writeUInt16(static_cast<uint16_t>(values.size()));
    for (const auto& [key, value] : values) {
        packet.writeLongString(key);
        packet.writeLongString(value);
    }
    std::vector<unsigned char> bytes(packet.getData(), packet.getData() + packet.getLength());
    scrambleDataTable(bytes.data(), bytes.size());
    return writeWholeFile(path, std::string(bytes.begin(), bytes.end()));
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    // The feed writes each file under a hidden temporary name first.
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().filename().string()[0] != '.') names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool consoleHas(const ConsoleCapture& console, const std::string& part) {
    for (const std::string& line : console.lines())
        if (line.find(part) != std::string::npos) return true;
    return false;
}
}  // namespace

TEST(GetSysInfo, MadeUpMachinesGiveTheirReport) {
    EXPECT_EQ(buildSysInfoJson(GetSysInfo(madeUpSources())), GOLDEN_REPORT);

    // No Ethernet: the next adapter that is not loopback; nothing but loopback: no MAC.
    SysInfoSources sources = madeUpSources();
    sources.adapters = [] {
        return std::vector<NetworkAdapter>{{"lo", ARPHRD_LOOPBACK, {0, 0, 0, 0, 0, 0}, true},
                                           {"ib0", ARPHRD_INFINIBAND, {0xa0, 0x0b, 0x1c}, false},
                                           {"wg0", ARPHRD_NONE, {}, false}};
    };
    EXPECT_EQ(GetSysInfo(sources).mac, "A0:0B:1C");
    sources.adapters = [] {
        return std::vector<NetworkAdapter>{{"lo", ARPHRD_LOOPBACK, {0, 0, 0, 0, 0, 0}, true}};
    };
    EXPECT_EQ(GetSysInfo(sources).mac, "");

    // No cards: the GL renderer; more than twenty: the first twenty.
    sources.displayDevices = [] { return std::vector<DisplayDevice>{}; };
    EXPECT_EQ(GetSysInfo(sources).displayCards, std::vector<std::string>{sources.glRenderer});
    sources.displayDevices = [] { return std::vector<DisplayDevice>(25, DisplayDevice{1, 2, "card"}); };
    EXPECT_EQ(GetSysInfo(sources).displayCards.size(), GetSysInfo::MAX_DISPLAY_CARDS);

    // Failing sources: empty fields, an unknown system, the whole address space when unlimited.
    SysInfoSources failing;
    failing.osName = [] { return std::optional<std::string>(); };
    failing.kernelRelease = [] { return std::optional<std::string>(); };
    failing.addressSpaceLimit = [] { return std::optional<uint64_t>(); };
    GetSysInfo unknown(failing);
    EXPECT_EQ(unknown.sysVer, GetSysInfo::UNKNOWN_OS);
    EXPECT_EQ(unknown.phymem, "");
#if defined(__x86_64__)
    EXPECT_EQ(unknown.virmem, "140737488MB");
#endif
    failing.kernelRelease = [] { return std::optional<std::string>("6.1.0"); };
    EXPECT_EQ(GetSysInfo(failing).sysVer, "6.1.0");

    // The real machine fills what every Linux has.
    GetSysInfo real(SysInfoSources::system("renderer"));
    EXPECT_NE(real.sysVer, GetSysInfo::UNKNOWN_OS);
    EXPECT_EQ(real.phymem.substr(real.phymem.size() - 2), "MB");
    EXPECT_FALSE(real.displayCards.empty());
}

// The reports and uploads against the real local feed, and a plain HTTP peer for the answers the feed
// never gives.
class UsageReportsFeedTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string feed = ZENTO_FEED_DIR;
        if (access((feed + "/node_modules").c_str(), F_OK) != 0)
            GTEST_SKIP() << "the feed's modules are not installed (scripts/setup.sh does it)";
        ASSERT_TRUE(feed_.start(
            feed + "/server.js",
            {"--port", "0", "--news-port", "0", "--data", home_.folder() + "feed-data", "--quiet"},
            "feed: listening http=", 30))
            << feed_.error();
        ASSERT_TRUE(peer_.start(std::string(ZENTO_TEST_PEERS_DIR) + "/http_server.js", {}, ""))
            << peer_.error();
        feedBase_ = "http://127.0.0.1:" + std::to_string(feed_.port());
        CCDirector::purgeDirector();
        CCDirector::sharedDirector()->runWithScene(CCScene::create());
    }
    void TearDown() override {
        CCHttpClient::destroyInstance();
        CCDirector::purgeDirector();
        clearConfigTable();
        feed_.stop();
        peer_.stop();
    }

    void useUploadUrl(const std::string& url) {
        ASSERT_TRUE(writeConfig(home_.file("config.xc"),
                                {{CONFIG_KEY_SEND_LOG_URL, url},
                                 {CONFIG_KEY_SEND_INSTALL_INFO_URL, feedBase_ + "/installation"},
                                 {CONFIG_KEY_SEND_APP_RUN_URL, feedBase_ + "/startover"}}));
        ASSERT_TRUE(loadConfigTable(home_.file("config.xc")));
    }

    // Uploads the dumps and waits until the answer to name's upload came back and was acted on.
    void uploadAndWait(const std::string& name, bool deleted) {
        uploadPendingDumps();
        const std::string path = home_.file(name);
        ASSERT_TRUE(pumpUntil([&] {
            return deleted ? access(path.c_str(), F_OK) != 0
                           : consoleHas(console_, "send log: " + path + " kept");
        }));
        console_.clear();
    }

    TempHome home_{"zento-reports"};
    NodePeer feed_;
    NodePeer peer_;
    std::string feedBase_;
    ConsoleCapture console_;
};

TEST_F(UsageReportsFeedTest, ReportsReachTheFeedAsJson) {
    useUploadUrl(feedBase_ + "/down");
    const std::string reports = home_.folder() + "feed-data/reports/";
    sendUsageReports(true, madeUpSources());
    ASSERT_TRUE(pumpUntil([&] { return filesIn(reports + "startover").size() == 1; }));
    ASSERT_TRUE(pumpUntil([&] { return filesIn(reports + "installation").size() == 1; }));
    EXPECT_EQ(readWholeFile(reports + "installation/" + filesIn(reports + "installation")[0]), GOLDEN_REPORT);
    EXPECT_EQ(readWholeFile(reports + "startover/" + filesIn(reports + "startover")[0]),
              "{\"platform\":\"zento_linux\"}");
    EXPECT_TRUE(consoleHas(console_, std::string("sys info:") + GOLDEN_REPORT));
    EXPECT_TRUE(
        consoleHas(console_, "send app run:{\"platform\":\"zento_linux\"}=>" + feedBase_ + "/startover"));

    // Without the installation report only the run report goes.
    sendUsageReports(false, madeUpSources());
    ASSERT_TRUE(pumpUntil([&] { return filesIn(reports + "startover").size() == 2; }));
    EXPECT_EQ(filesIn(reports + "installation").size(), 1u);
}

TEST_F(UsageReportsFeedTest, OnlyAnExactSuccessDeletesAnUploadedDump) {
    const std::string name = "zento 1&2+3.dmp";
    const std::string bytes("MDMP\0\x01\x02\xff dump", 13);
    ASSERT_TRUE(writeWholeFile(home_.file(name), bytes));
    ASSERT_TRUE(writeWholeFile(home_.file("empty.dmp"), ""));
    ASSERT_TRUE(writeWholeFile(home_.file("notes.txt"), "not a dump"));

    useUploadUrl(feedBase_ + "/down");
    uploadAndWait(name, true);
    EXPECT_EQ(readWholeFile(home_.folder() + "feed-data/uploads/" + name), bytes);
    EXPECT_EQ(filesIn(home_.folder() + "feed-data/uploads"), std::vector<std::string>{name});
    EXPECT_EQ(readWholeFile(home_.file("empty.dmp")), "");
    EXPECT_EQ(readWholeFile(home_.file("notes.txt")), "not a dump");

    // Answers that are not exactly "success", and a feed that is gone, keep the dump.
    ASSERT_TRUE(writeWholeFile(home_.file("kept.dmp"), bytes));
    const std::string peer = "http://127.0.0.1:" + std::to_string(peer_.port());
    for (const std::string& url : {peer + "/text?body=Success&to=", peer + "/text?body=success%0A&to=",
                                   peer + "/status/500?to=", feedBase_ + "/down"}) {
        SCOPED_TRACE(url);
        if (url.rfind(feedBase_, 0) == 0) feed_.stop();
        useUploadUrl(url);
        uploadAndWait("kept.dmp", false);
        EXPECT_EQ(readWholeFile(home_.file("kept.dmp")), bytes);
    }
}

TEST_F(UsageReportsFeedTest, AnUploadTellsItsCallerWhetherItWasAccepted) {
    const std::string name = "feedback_1.txt";
    std::vector<bool> outcomes;
    const auto record = [&outcomes](bool sent) { outcomes.push_back(sent); };

    ASSERT_TRUE(writeWholeFile(home_.file(name), "log lines"));
    useUploadUrl(feedBase_ + "/down");
    sendLog(home_.file(name), name, record);
    ASSERT_TRUE(pumpUntil([&] { return !outcomes.empty(); }));
    EXPECT_EQ(outcomes, std::vector<bool>{true});
    EXPECT_NE(access(home_.file(name).c_str(), F_OK), 0);

    // Refused, and nothing to send: false, the file stays.
    ASSERT_TRUE(writeWholeFile(home_.file(name), "log lines"));
    useUploadUrl("http://127.0.0.1:" + std::to_string(peer_.port()) + "/status/500?to=");
    sendLog(home_.file(name), name, record);
    ASSERT_TRUE(pumpUntil([&] { return outcomes.size() == 2; }));
    EXPECT_EQ(outcomes.back(), false);
    EXPECT_EQ(readWholeFile(home_.file(name)), "log lines");
    sendLog(home_.file("missing.txt"), "missing.txt", record);
    EXPECT_EQ(outcomes, (std::vector<bool>{true, false, false}));
}
