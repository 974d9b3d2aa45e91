#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include <openssl/sha.h>

#include "ArchiveDownload.h"
#include "CCFileUtils.h"
#include "CCHttpClient.h"
#include "CCLayerColor.h"
#include "CCTouchDispatcher.h"
#include "CCmdPacket.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "ExecutableFile.h"
#include "FileHelpers.h"
#include "NodePeer.h"
#include "SceneTest.h"
#include "UpdateClient.h"
#include "UpdateHost.h"
#include "UpdatePanel.h"

USING_NS_CC;

namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

size_t countOf(const std::string& text, const std::string& needle) {
    size_t count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
    return count;
}

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

std::string sha256Hex(const std::string& bytes) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    std::string hex;
    char pair[3];
    for (unsigned char byte : digest) {
        std::snprintf(pair, sizeof(pair), "%02x", byte);
        hex += pair;
    }
    return hex;
}

// A program for this computer: the test program's own bytes.
std::string elfProgram() {
    return readText("/proc/self/exe");
}

struct RecordingHost : UpdateHost {
    CCNode* parent = nullptr;
    int finished = 0;
    bool fromDialog = false;
    bool loadingVisible = true;
    std::vector<std::string> toasts;
    void finishConnecting(bool fromUpdateDialog) override {
        ++finished;
        fromDialog = fromUpdateDialog;
    }
    void setLoadingVisible(bool visible) override { loadingVisible = visible; }
    void showToast(const std::string& text) override { toasts.push_back(text); }
    CCNode* dialogParent() override { return parent; }
    CCPoint dialogCentre() override { return CCPoint(450, 300); }
};

}  // namespace

// The client against the real feed: the feed serves ver.json, the archive and the updater from its
// data folder; the program folder and the writable folder are the test's.
class UpdateClientTest : public SceneTest {
protected:
    void SetUp() override {
        if (access(ZENTO_FEED_DIR "/node_modules", F_OK) != 0) GTEST_SKIP() << "npm ci in feed/ first";
        SceneTest::SetUp();
        ::setenv("ZENTO_HOME", (root.folder() + "home").c_str(), 1);
        CCFileUtils::purgeFileUtils();
        loadLanguageTable(std::string(ZENTO_RES_DIR) + "/database/language.xc");
        mkdir((root.folder() + "home").c_str(), 0755);
        // The log keeps the path it was first given; each case has its own home.
        CDebugModule::getInstance()->setLogFilePath(home + "DebugInfo.txt");
        CDebugModule::getInstance()->createLogFile();
        mkdir(program.c_str(), 0755);
        mkdir(updateDir.substr(0, updateDir.size() - 8).c_str(), 0755);
        mkdir(updateDir.c_str(), 0755);
        startFeed({});
        host.parent = scene;
    }
    void TearDown() override {
        CCHttpClient::destroyInstance();
        CDebugModule::getInstance()->setInfoEnabled(true);
        SceneTest::TearDown();
    }

    void startFeed(std::vector<std::string> extra) {
        feed.stop();
        std::vector<std::string> args{"--port", "0", "--news-port", "0", "--data", root.folder() + "feed",
                                      "--quiet"};
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_TRUE(feed.start(std::string(ZENTO_FEED_DIR) + "/server.js", args, "feed: listening http=", 30))
            << feed.error();
        base = "http://127.0.0.1:" + std::to_string(feed.port());
        CCmdPacket packet(4096);
        packet.writeUInt16(2);
        packet.writeLongString(CONFIG_KEY_VERSION_FILE_URL);
        packet.writeLongString(base + "/Brevanix/ver.file");
        packet.writeLongString(CONFIG_KEY_UPDATE_EXE_URL);
        packet.writeLongString(base + "/Brevanix/Brevanix.x");
        std::vector<unsigned char> bytes(packet.getData(), packet.getData() + packet.getLength());
        scrambleDataTable(bytes.data(), bytes.size());
        ASSERT_TRUE(saveFile(root.folder() + "config.xc", bytes.data(), bytes.size()));
        ASSERT_TRUE(loadConfigTable(root.folder() + "config.xc"));
    }

    // A zip made by the zip tool holding one file, served as the update archive.
    std::string serveArchive() {
        const std::string work = root.folder() + "zipwork/";
        mkdir(work.c_str(), 0755);
        std::string content;
        for (int i = 0; i < 20000; ++i) content += std::to_string(i * 7919 % 10007) + ",";
        writeText(work + "notes.txt", content);
        EXPECT_EQ(std::system(("cd '" + work + "' && zip -q -0 archive.zip notes.txt").c_str()), 0);
        const std::string archive = readText(work + "archive.zip");
        writeText(updateDir + "update.zip", archive);
        return archive;
    }

    UpdateClient* startClient() {
        writeText(program + "Brevanix", elfProgram());
        client = UpdateClient::create(&host, program, root.folder() + "home/");
        client->setLauncher([this](const std::vector<std::string>& argv) {
            launches.push_back(argv);
            return true;
        });
        client->setEnder([this] { ++ends; });
        scene->addChild(client);
        client->start();
        return client;
    }

    bool waitFor(const std::function<bool()>& condition) { return pumpUntil(condition, 60, 0.25f); }

    // Waits for the dialog and chooses "update" once it has popped up; false when no dialog comes.
    bool acceptOffer() {
        if (!waitFor([&] { return client->getPanel() != nullptr; })) return false;
        step(0.5f);
        click(client->getPanel()->getUpdateButton());
        return true;
    }

    TempHome root{"zento-update", TempHome::Use::FOLDER};
    std::string program = root.folder() + "program/";
    std::string updateDir = root.folder() + "feed/update/";
    std::string home = root.folder() + "home/";
    NodePeer feed;
    std::string base;
    RecordingHost host;
    UpdateClient* client = nullptr;
    std::vector<std::vector<std::string>> launches;
    int ends = 0;
};

TEST_F(UpdateClientTest, VersionFileDecidesWhetherTheDialogShows) {
    // Not an offer: an old version (the waiting updater is swapped in and old archives go), a version
    // given as text, and a newer one without a digest.
    const std::string waiting = elfProgram() + "new";
    for (const std::string& doc :
         {std::string(R"({"ver":245,"msg":["%s%n"]})"), std::string(R"({"ver":"246"})"),
          std::string(R"({"ver":1e300,"sha256":null,"resurl":"http://x/"})")}) {
        writeText(updateDir + "ver.json", doc);
        writeText(program + "Brevanix.x", waiting);
        writeText(home + "update.zip.part", "old");
        host = RecordingHost();
        host.parent = scene;
        startClient();
        ASSERT_TRUE(waitFor([&] { return host.finished > 0; })) << doc;
        EXPECT_EQ(client->getPanel(), nullptr) << doc;
        EXPECT_FALSE(host.fromDialog);
        EXPECT_FALSE(exists(home + "update.zip.part"));
        EXPECT_EQ(readText(program + "Brevanix"), waiting) << doc;
        EXPECT_FALSE(exists(program + "Brevanix.x"));
        struct stat info {};
        ASSERT_EQ(stat((program + "Brevanix").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0755u);
        client->removeFromParent();
    }

    // An offer: the dialog, the loading display hidden, the waiting updater left for a later start.
    serveArchive();
    writeText(updateDir + "ver.json", R"({"ver":246,"force":1,"msg":null})");
    writeText(program + "Brevanix.x", waiting);
    host = RecordingHost();
    host.parent = scene;
    startClient();
    ASSERT_TRUE(waitFor([&] { return client->getPanel() != nullptr; }));
    EXPECT_FALSE(client->getPanel()->isForce());
    EXPECT_TRUE(client->getPanel()->getNotes().empty());
    EXPECT_FALSE(host.loadingVisible);
    EXPECT_EQ(host.finished, 0);
    EXPECT_TRUE(exists(program + "Brevanix.x"));
    EXPECT_EQ(client->getPanel()->getZOrder(), UpdateClient::DIALOG_Z_ORDER);
}

TEST_F(UpdateClientTest, UnreachableVersionFileIsTriedTwiceThenConnectingGoesOn) {
    writeText(program + "Brevanix", elfProgram());
    feed.stop();
    startClient();
    ASSERT_TRUE(waitFor([&] { return client->getCheckFailures() == 1; }));
    EXPECT_EQ(host.toasts.size(), 1u);
    step(4.5f);
    EXPECT_EQ(client->getCheckFailures(), 1) << "the second try waits 5 s";
    ASSERT_TRUE(waitFor([&] { return host.finished == 1; }));
    EXPECT_EQ(client->getCheckFailures(), 2);
}

TEST_F(UpdateClientTest, DialogButtonsBeatTheConnectingScreen) {
    // A layer that swallows every touch at the connecting screen's priority.
    struct Swallower : CCLayer {
        void registerWithTouchDispatcher() override {
            CCDirector::sharedDirector()->getTouchDispatcher()->addTargetedDelegate(this, -490, true);
        }
        bool ccTouchBegan(CCTouch*, CCEvent*) override { return true; }
    };
    auto* cover = new Swallower();
    cover->init();
    cover->autorelease();
    cover->setTouchEnabled(true);
    scene->addChild(cover, 1);
    serveArchive();
    for (bool force : {false, true}) {
        writeText(updateDir + "ver.json",
                  force ? R"({"ver":300,"force":true})" : R"({"ver":300,"msg":["a"]})");
        host = RecordingHost();
        host.parent = cover;
        startClient();
        ASSERT_TRUE(waitFor([&] { return client->getPanel() != nullptr; }));
        UpdatePanel* panel = client->getPanel();
        panel->retain();
        step(0.5f);
        click(panel->getOtherButton());
        if (force) {
            EXPECT_EQ(ends, 1);
            EXPECT_EQ(host.finished, 0);
        } else {
            EXPECT_EQ(ends, 0);
            EXPECT_EQ(host.finished, 1);
            EXPECT_TRUE(host.fromDialog);
            step(0.5f);
            EXPECT_EQ(panel->getParent(), nullptr) << "closed";
        }
        panel->release();
        client->removeFromParent();
    }
}

TEST_F(UpdateClientTest, BrokenDownloadResumesAndTheVerifiedArchiveGoesToTheUpdater) {
    startFeed({"--cut-downloads-after", "40"});
    const std::string archive = serveArchive();
    writeText(updateDir + "ver.json", R"({"ver":246})");
    startClient();
    ASSERT_TRUE(acceptOffer());
    ASSERT_TRUE(waitFor([&] { return !launches.empty(); }));
    EXPECT_EQ(readText(home + "update.zip"), archive);
    EXPECT_FALSE(exists(home + "update.zip.part"));
    EXPECT_EQ(launches[0], (std::vector<std::string>{program + "Brevanix", home + "update.zip"}));
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(client->getPanel()->getProgressWidth(), client->getPanel()->getMaxProgressWidth());
    EXPECT_NE(readText(home + "DebugInfo.txt").find("1 auto update failed!, will try after 3 sencod."),
              std::string::npos);
}

TEST_F(UpdateClientTest, DamagedOrOversizedArchiveIsFetchedAgainThenRefused) {
    const std::string archive = serveArchive();
    std::string changed = archive;
    changed[changed.size() / 2] ^= 1;
    for (const std::string& doc : {R"({"ver":246,"sha256":")" + sha256Hex(changed) + "\"}",
                                   R"({"ver":246,"fileSize":)" + std::to_string(archive.size() - 10) + "}"}) {
        writeText(updateDir + "ver.json", doc);
        host = RecordingHost();
        host.parent = scene;
        launches.clear();
        startClient();
        ASSERT_TRUE(acceptOffer()) << doc;
        ASSERT_TRUE(waitFor([&] {
            return client->getDownload()->damagedCount() == ArchiveDownload::MAX_DAMAGED;
        })) << doc;
        step(5);
        EXPECT_EQ(client->getDownload()->damagedCount(), ArchiveDownload::MAX_DAMAGED) << "no fourth try";
        EXPECT_EQ(client->getPanel()->getStatusText(), getLangText("updateDamaged"));
        EXPECT_TRUE(launches.empty());
        EXPECT_FALSE(exists(home + "update.zip"));
        EXPECT_FALSE(exists(home + "update.zip.part"));
        client->getPanel()->removeFromParent();
        client->removeFromParent();
    }
}

TEST_F(UpdateClientTest, WriteFailuresStopWithoutAPartFile) {
    serveArchive();
    writeText(updateDir + "ver.json", R"({"ver":246})");
    startClient();
    ASSERT_TRUE(waitFor([&] { return client->getPanel() != nullptr; }));
    size_t written = 0;
    client->getDownload()->setWriteFunction([&](int fd, const void* data, size_t count) -> ssize_t {
        if (written > 1000) {
            errno = ENOSPC;
            return -1;
        }
        count = std::min<size_t>(count, 600);
        written += count;
        return ::write(fd, data, count);
    });
    step(0.5f);
    click(client->getPanel()->getUpdateButton());
    ASSERT_TRUE(
        waitFor([&] { return client->getPanel()->getStatusText() == getLangText("unableWriteFile"); }));
    step(5);
    EXPECT_FALSE(exists(home + "update.zip.part"));
    EXPECT_FALSE(exists(home + "update.zip"));
    EXPECT_TRUE(launches.empty());
}

TEST_F(UpdateClientTest, ReadOnlyProgramFolderLeavesUpdatesToThePackageManager) {
    writeText(updateDir + "ver.json", R"({"ver":246})");
    serveArchive();
    writeText(program + "Brevanix", elfProgram());
    chmod(program.c_str(), 0555);
    // Root ignores the mode bits; the immutable flag holds it too.
    const bool immutable = std::system(("chattr +i '" + program + "' 2>/dev/null").c_str()) == 0;
    if (UpdateClient::isFolderWritable(program)) {
        chmod(program.c_str(), 0755);
        GTEST_SKIP() << "no way to make a folder read-only here";
    }
    client = UpdateClient::create(&host, program, home);
    client->setLauncher([this](const std::vector<std::string>& argv) {
        launches.push_back(argv);
        return true;
    });
    scene->addChild(client);
    client->start();
    const bool finished = waitFor([&] { return host.finished == 1; });
    step(1);
    if (immutable) std::system(("chattr -i '" + program + "'").c_str());
    chmod(program.c_str(), 0755);
    ASSERT_TRUE(finished);
    EXPECT_EQ(client->getPanel(), nullptr);
    EXPECT_TRUE(launches.empty());
    EXPECT_FALSE(exists(home + "update.zip.part"));
    EXPECT_NE(readText(home + "DebugInfo.txt").find("the package manager updates this installation"),
              std::string::npos);
}

TEST_F(UpdateClientTest, DownloadAnswersTheFeedNeverGives) {
    const std::string archive = serveArchive();
    // A 200 to a Range request starts the part file over: two requests, the second asking for the rest.
    NodePeer peer;
    ASSERT_TRUE(peer.start(std::string(ZENTO_UPDATE_PEERS_DIR) + "/archive_server.js",
                           {updateDir + "update.zip", "ignore-range"}))
        << peer.error();
    const std::string peerUrl = "http://127.0.0.1:" + std::to_string(peer.port()) + "/update.zip";
    writeText(updateDir + "ver.json", R"({"ver":246,"resurl":")" + peerUrl + "\"}");
    startClient();
    ASSERT_TRUE(acceptOffer());
    ASSERT_TRUE(waitFor([&] { return !launches.empty(); }));
    EXPECT_EQ(readText(home + "update.zip"), archive);
    EXPECT_EQ(client->getDownload()->damagedCount(), 0);
    peer.waitForLine("RANGE bytes=", 5);
    EXPECT_EQ(peer.lines(),
              (std::vector<std::string>{"PORT " + std::to_string(peer.port()), "RANGE -",
                                        "RANGE bytes=" + std::to_string(archive.size() * 4 / 10) + "-"}));
    client->getPanel()->removeFromParent();
    client->removeFromParent();
    peer.stop();

    // A body that ends early without Content-Length looks complete to HTTP; only the digest tells.
    ASSERT_TRUE(peer.start(std::string(ZENTO_UPDATE_PEERS_DIR) + "/archive_server.js",
                           {updateDir + "update.zip", "short"}))
        << peer.error();
    writeText(updateDir + "ver.json", R"({"ver":246,"fileSize":0,"resurl":"http://127.0.0.1:)" +
                                          std::to_string(peer.port()) + "/update.zip\"}");
    std::remove((home + "update.zip").c_str());
    launches.clear();
    host = RecordingHost();
    host.parent = scene;
    startClient();
    ASSERT_TRUE(acceptOffer());
    ASSERT_TRUE(
        waitFor([&] { return client->getDownload()->damagedCount() == ArchiveDownload::MAX_DAMAGED; }));
    EXPECT_TRUE(launches.empty());
    EXPECT_FALSE(exists(home + "update.zip"));
    EXPECT_FALSE(exists(home + "update.zip.part"));
}

TEST_F(UpdateClientTest, ProgressBarFollowsTheBytesAgainstTheAnnouncedSize) {
    UpdatePanel* panel = UpdatePanel::create(CCSize(500, 300), ccc3(0, 0, 0), false, {}, {});
    ASSERT_NE(panel, nullptr);
    scene->addChild(panel);
    panel->showDownloading();
    const float full = panel->getMaxProgressWidth();
    ASSERT_GT(full, 0);
    const ArchiveDownload known(home, 1000, "");
    for (auto [bytes, width] :
         {std::pair<uint64_t, float>{0, 0}, {250, full / 4}, {500, full / 2}, {1500, full}}) {
        panel->setProgress(known.shareOf(bytes));
        EXPECT_FLOAT_EQ(panel->getProgressWidth(), width) << bytes;
    }
    // An unknown size fills the bar at once; nothing ever makes it NaN.
    const ArchiveDownload unknown(home, 0, "");
    for (uint64_t bytes : {uint64_t(0), uint64_t(700)}) {
        panel->setProgress(0);
        panel->setProgress(unknown.shareOf(bytes));
        EXPECT_FLOAT_EQ(panel->getProgressWidth(), full);
    }
    panel->setProgress(std::nan(""));
    EXPECT_FLOAT_EQ(panel->getProgressWidth(), full);
}

TEST_F(UpdateClientTest, LaunchPassesExactlyTwoArgumentsAndNoShell) {
    const std::string folder = root.folder() + "my programs $(touch x)/";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    const std::string record = root.folder() + "argv.txt";
    // The count, then each argument on a line; the record appears whole (written, then renamed).
    const std::string script =
        "#!/bin/sh\n"
        "{ echo $(($# + 1)); echo \"$0\"; for a in \"$@\"; do echo \"$a\"; done; } > '" +
        record + ".tmp' && mv '" + record + ".tmp' '" + record + "'\n";
    writeText(folder + "Brevanix", script);
    chmod((folder + "Brevanix").c_str(), 0755);
    const std::string archive = folder + "update.zip";
    client = UpdateClient::create(&host, folder, home);
    client->setEnder([this] { ++ends; });
    scene->addChild(client);
    client->launchUpdater(archive);
    EXPECT_EQ(ends, 1);
    ASSERT_TRUE(waitFor([&] { return exists(record); }));
    EXPECT_EQ(readText(record), "2\n" + folder + "Brevanix\n" + archive + "\n");
    for (const std::string& place : {std::string("x"), folder + "x", root.folder() + "x", home + "x"}) {
        EXPECT_FALSE(exists(place)) << place;
    }
}

TEST_F(UpdateClientTest, MissingUpdaterIsFetchedOnlyAsAProgramForThisComputer) {
    const std::string updater = program + "Brevanix";
    const std::string log = home + "DebugInfo.txt";
    writeText(updateDir + "Brevanix.x", "<html><body>Not here</body></html>");
    client = UpdateClient::create(&host, program, home);
    scene->addChild(client);
    client->start();
    ASSERT_TRUE(waitFor([&] { return countOf(readText(log), "2 download Brevanix.exe") == 1; }));
    EXPECT_FALSE(exists(updater)) << "an HTML page is not saved";
    std::remove((updateDir + "Brevanix.x").c_str());
    ASSERT_TRUE(waitFor([&] { return countOf(readText(log), "1 download Brevanix.exe") == 1; }));
    EXPECT_FALSE(exists(updater)) << "a 404 body is not saved";
    writeText(updateDir + "Brevanix.x", readText("/bin/echo"));
    ASSERT_TRUE(waitFor([&] { return exists(updater); }));
    struct stat info {};
    ASSERT_EQ(stat(updater.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    FILE* run = popen(("'" + updater + "' ran").c_str(), "r");
    ASSERT_NE(run, nullptr);
    char output[16] = {};
    const size_t got = fread(output, 1, sizeof(output) - 1, run);
    EXPECT_EQ(pclose(run), 0);
    EXPECT_EQ(std::string(output, got), "ran\n");

    // A write that fails part-way (the file size limit stands in for a full disk) keeps the old one whole.
    const std::string newer = elfProgram();
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = newer.size() / 2;
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool installed = installExecutable(updater, newer.data(), newer.size());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(installed);
    EXPECT_EQ(readText(updater), readText("/bin/echo"));
    EXPECT_EQ(std::system(("test $(ls -A '" + program + "' | wc -l) -eq 1").c_str()), 0)
        << "no temporary left";
}
