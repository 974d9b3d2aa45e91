#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "AppGlobals.h"
#include "CCDirector.h"
#include "CCFileUtils.h"
#include "CCKeyboard.h"
#include "CDebugModule.h"
#include "LanguageTable.h"
#include "MarketTestData.h"
#include "SceneTest.h"
#include "TestWorldScene.h"
#include "UserData.h"

// The main scene of the tests in a fresh data folder per suite, running in a stepped scene: its
// network stays in the test (TestWorldScene), and start() brings it to the running state.
class WorldSceneTest : public SceneTest {
protected:
    static void SetUpTestSuite() {
        home =
            (std::filesystem::temp_directory_path() / ("zento-world-" + std::to_string(::getpid()))).string();
        std::filesystem::remove_all(home);
        std::filesystem::create_directories(home);
        ::setenv("ZENTO_HOME", home.c_str(), 1);
        cocos2d::CCFileUtils::purgeFileUtils();
        loadLanguageTable(std::string(ZENTO_RES_DIR) + "/database/language.xc");
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        cocos2d::CCFileUtils::sharedFileUtils()->setSearchPaths({std::string(ZENTO_RES_DIR) + "/..", home});
        CDebugModule::getInstance()->setLogFilePath(home + "/DebugInfo.txt");
        UserData::getInstance()->setDefaultSettings();
        // The left pane narrows the chart area; the tests that want it open it themselves.
        UserData::getInstance()->setPanelSwitchA(false);
        UserData::getInstance()->setPanelSwitchB(false);
        UserData::getInstance()->setShowCrossPoint(true);
        std::filesystem::remove(home + "/stock.bin");
        AppGlobals::windowActive = true;
        cocos2d::CCKeyboard::releaseAll();
        world = TestWorldScene::install();
        ASSERT_NE(world, nullptr);
        scene->addChild(world);
        step(0);
    }
    void TearDown() override {
        WorldScene::destroyInstance();
        WorldScene::setFactory(nullptr);
        SceneTest::TearDown();
        cocos2d::CCKeyboard::releaseAll();
    }
    void step(float seconds) {
        cocos2d::CCDirector::sharedDirector()->stepFrame(0);
        SceneTest::step(seconds);
    }
    // The instrument list arrives and the stock socket connects: the scene is running.
    void start() {
        ASSERT_TRUE(world->applyStockList(MARKET, false));
        world->GetKlineSocketServerListCallback(nullptr,
                                                makeResponse(200, "var s = 'http://127.0.0.1:8090';"));
        ASSERT_NE(world->lastClient(), nullptr);
        world->connectLast();
        step(0.1f);
    }
    std::vector<std::string> shownCodes() const {
        std::vector<std::string> codes;
        for (StockWindow* window : world->getShownWindows()) codes.push_back(window->getCode());
        return codes;
    }
    // The settings as the file on disk has them.
    static std::unique_ptr<UserData> savedSettings() {
        auto saved = std::make_unique<UserData>();
        const std::string bytes = readFile(home + "/" + UserData::SETTINGS_FILE_NAME);
        // Loading makes the stored language the process's: a look at the file must not switch it.
        const int language = getCurrentLanguage();
        saved->loadSettingsFromBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        setCurrentLanguage(language);
        return saved;
    }
    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The scene of the next start, in the same process.
    void restartScene() {
        WorldScene::destroyInstance();
        world = TestWorldScene::install();
        scene->addChild(world);
        step(0);
    }
    std::string lastEmit(const std::string& event) const {
        auto emits = world->emitsOf(event);
        return emits.empty() ? "" : emits.back().text;
    }

    static inline std::string home;
    TestWorldScene* world = nullptr;
};
