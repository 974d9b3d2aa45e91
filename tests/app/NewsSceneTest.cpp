#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppGlobals.h"
#include "CCDirector.h"
#include "CCFileUtils.h"
#include "CDebugModule.h"
#include "LeftPaneMaster.h"
#include "MarketTestData.h"
#include "NewsPanel.h"
#include "NewsRowList.h"
#include "ReconnectPanel.h"
#include "SceneTest.h"
#include "TestNewsStream.h"
#include "TestWorldScene.h"
#include "UserData.h"

USING_NS_CC;

namespace {

// The test scene with its news kept in the test as well.
class NewsWorldScene : public TestWorldScene {
public:
    TestNewsStream* news() const { return static_cast<TestNewsStream*>(getNewsStream()); }
    std::vector<std::string> toasts;

protected:
    NewsStream* createNewsStream() override { return TestNewsStream::create(toasts); }
};

class NewsSceneTest : public SceneTest {
protected:
    static void SetUpTestSuite() { setUpUiSuite("newsscene"); }
    static void TearDownTestSuite() { tearDownUiSuite("newsscene"); }

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SceneTest::SetUp());
        CCFileUtils::sharedFileUtils()->setSearchPaths({std::string(ZENTO_RES_DIR) + "/.."});
        CDebugModule::getInstance()->setLogFilePath(uiSuiteHomes()["newsscene"]->file("DebugInfo.txt"));
        UserData::getInstance()->setDefaultSettings();
        AppGlobals::windowActive = true;
        WorldScene::setFactory([] {
            auto* made = new NewsWorldScene();
            made->runNetworkSteps = true;
            return made;
        });
        world = static_cast<NewsWorldScene*>(WorldScene::getInstance());
        ASSERT_NE(world, nullptr);
        scene->addChild(world);
        step(0);
    }
    void TearDown() override {
        WorldScene::destroyInstance();
        WorldScene::setFactory(nullptr);
        SceneTest::TearDown();
    }

    NewsWorldScene* world = nullptr;
};

}  // namespace

TEST_F(NewsSceneTest, NewsStartsWithTheSceneFillsTheNewsPageAndStaysApartFromTheStockStream) {
    TestNewsStream* news = world->news();
    step(0.25f);
    EXPECT_EQ(news->gets, std::vector<std::string>{"newsHistoryServerList"});
    step(0.1f);
    EXPECT_EQ(news->gets, (std::vector<std::string>{"newsHistoryServerList", "newsServer"}));

    world->recvNewsEvent(nullptr, "0#09:30#<b>gold</b> up#2024-01-15 09:30:00");
    NewsPanel* page = world->getLeftPane()->getNewsPanel();
    ASSERT_NE(page->getList()->findRow("2024-01-15 09:30:00"), nullptr);

    // Both sockets up.
    world->GetKlineSocketServerListCallback(nullptr, makeResponse(200, "var s = 'http://127.0.0.1:8090';"));
    world->connectLast();
    news->GetNewsServerCallback(nullptr, makeResponse(200, "var n = ['http://127.0.0.1:8080'];"));
    news->connectLast();
    SIOClient* stock = world->getStockClient();
    SIOClient* newsClient = news->getNewsClient();
    ASSERT_NE(stock, nullptr);
    ASSERT_NE(newsClient, nullptr);

    // The news client's loss reconnects the news only: no reconnect panel, the stock socket stays.
    world->onClose(newsClient);
    EXPECT_TRUE(news->isReconnectScheduled());
    EXPECT_EQ(world->getStockClient(), stock);
    EXPECT_FALSE(world->isReconnectScheduled());
    EXPECT_FALSE(world->getReconnectPanel()->isPanelShown());
    step(3.1f);
    ASSERT_EQ(news->sockets.size(), 2u);
    news->connectLast();

    // The stock client's loss leaves the news alone.
    world->onError(stock, "broken");
    EXPECT_TRUE(world->isReconnectScheduled());
    EXPECT_EQ(news->getNewsClient(), news->clients.back());
    EXPECT_FALSE(news->isReconnectScheduled());
}
