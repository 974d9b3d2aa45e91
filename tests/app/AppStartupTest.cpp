#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "AppDelegate.h"
#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCFileUtils.h"
#include "CCLabelTTF.h"
#include "CCSprite.h"
#include "CCSpriteFrameCache.h"
#include "CCUserDefault.h"
#include "CDebugModule.h"
#include "ConnectingLayer.h"
#include "PanelButton.h"
#include "TestWorldScene.h"

USING_NS_CC;

namespace {

const std::string RES = ZENTO_RES_DIR;

class TempHome {
public:
    TempHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zento-app-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        setenv("ZENTO_HOME", path_.c_str(), 1);
        CCFileUtils::purgeFileUtils();
        CCUserDefault::purgeSharedUserDefault();
    }
    ~TempHome() {
        CCUserDefault::purgeSharedUserDefault();
        CCFileUtils::purgeFileUtils();
        std::filesystem::remove_all(path_);
    }
    std::string path_;
};

TEST(ProgramWindow, TitleSizeAndSmallestSizeAreTheOnesSet) {
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    AppDelegate::configureView(view);
    EXPECT_EQ(view->getViewName(), "Zento行情 beta 1.0");
    EXPECT_EQ(view->getFrameSize(), CCSize(900, 600));
    EXPECT_EQ(view->getMinFrameSize(), CCSize(680, 520));
    if (view->isOpenGLReady()) {
        SDL_Window* window = SDL_GL_GetCurrentWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_STREQ(SDL_GetWindowTitle(window), "Zento行情 beta 1.0");
        int w = 0, h = 0;
        SDL_GetWindowMinimumSize(window, &w, &h);
        EXPECT_EQ(w, 680);
        EXPECT_EQ(h, 520);
        SDL_GetWindowSize(window, &w, &h);
        EXPECT_EQ(w, 900);
        EXPECT_EQ(h, 600);
    }
    CCEGLView::purgeSharedOpenGLView();
}

// The connecting screen on a headless director: layout, the dots' rhythm, and the click shield.
class ConnectingScreen : public ::testing::Test {
protected:
    void SetUp() override {
        CCDirector::purgeDirector();
        CDebugModule::getInstance()->setLogFilePath(home.path_ + "/DebugInfo.txt");
        CCDirector::sharedDirector()->setWinSize(CCSize(900, 600));
        CCFileUtils::sharedFileUtils()->setSearchPaths({RES + "/.."});
        CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("res/plist/image.plist");
        // The version check ends after 0.1 s and starts the main scene: one whose network stays here.
        WorldScene::setFactory([] { return new TestWorldScene(); });
        ConnectingLayer::setSendsUsageReports(false);
        scene = CCScene::create();
        layer = ConnectingLayer::getInstance();
        ASSERT_NE(layer, nullptr);
        scene->addChild(layer, AppDelegate::CONNECTING_LAYER_Z, AppDelegate::CONNECTING_LAYER_TAG);
        CCDirector::sharedDirector()->runWithScene(scene);
    }
    void TearDown() override {
        WorldScene::destroyInstance();
        WorldScene::setFactory(nullptr);
        CCDirector::purgeDirector();
        ConnectingLayer::setSendsUsageReports(true);
        EXPECT_EQ(ConnectingLayer::existingInstance(), nullptr) << "the singleton goes with its layer";
    }
    CCLabelTTF* labelWithText(const std::string& text) {
        for (CCNode* child : layer->getChildren())
            if (auto* label = dynamic_cast<CCLabelTTF*>(child); label && text == label->getString())
                return label;
        return nullptr;
    }
    std::vector<CCSprite*> dots() {
        std::vector<CCSprite*> found;
        for (CCNode* child : layer->getChildren())
            if (child->getChildrenCount() == 3)
                for (CCNode* dot : child->getChildren()) found.push_back(dynamic_cast<CCSprite*>(dot));
        return found;
    }
    TempHome home;
    CCScene* scene = nullptr;
    ConnectingLayer* layer = nullptr;
};

TEST_F(ConnectingScreen, ElementsSitWhereTheLayoutPutsThemAndFollowAResize) {
    EXPECT_EQ(ConnectingLayer::versionText(), "zento_linux (245) 20170220");
    CCLabelTTF* version = labelWithText(ConnectingLayer::versionText());
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->getPosition(), CCPoint(890, 5));
    EXPECT_EQ(version->getAnchorPoint(), CCPoint(1, 0));
    std::vector<CCSprite*> row = dots();
    ASSERT_EQ(row.size(), 3u);
    EXPECT_EQ(row[0]->getParent()->getPosition(), CCPoint(450, 150));
    EXPECT_EQ(row[0]->getPositionX(), -30);
    EXPECT_EQ(row[2]->getPositionX(), 30);

    CCDirector::sharedDirector()->setWinSize(CCSize(1200, 800));
    layer->layoutForWindowSize();
    EXPECT_EQ(version->getPosition(), CCPoint(1190, 5));
    EXPECT_EQ(row[0]->getParent()->getPosition(), CCPoint(600, 200));
    EXPECT_EQ(layer->getContentSize(), CCSize(1200, 800));
}

TEST_F(ConnectingScreen, DotsPulseOneAfterAnother) {
    std::vector<CCSprite*> row = dots();
    ASSERT_EQ(row.size(), 3u);
    // Each pulse starts on the frame after its delay ends, so every dot runs one frame (0.05 s) late.
    for (int i = 0; i < 5; ++i) CCDirector::sharedDirector()->stepFrame(0.05f);  // t = 0.25
    EXPECT_NEAR(row[0]->getScale(), 0.6f, 0.02f);
    EXPECT_FLOAT_EQ(row[1]->getScale(), 1.0f);
    EXPECT_FLOAT_EQ(row[2]->getScale(), 1.0f);
    for (int i = 0; i < 5; ++i) CCDirector::sharedDirector()->stepFrame(0.05f);  // t = 0.5
    EXPECT_NEAR(row[0]->getScale(), 0.1f, 0.02f);
    EXPECT_NEAR(row[1]->getScale(), 0.6f, 0.02f);
    EXPECT_FLOAT_EQ(row[2]->getScale(), 1.0f);
    for (int i = 0; i < 10; ++i) CCDirector::sharedDirector()->stepFrame(0.05f);  // t = 1.0
    EXPECT_NEAR(row[0]->getScale(), 0.9f, 0.02f);
    EXPECT_NEAR(row[2]->getScale(), 0.2f, 0.02f);
}

TEST_F(ConnectingScreen, SwallowsClicksMeantForWhatLiesBelow) {
    CCEGLView::sharedOpenGLView()->setFrameSize(900, 600);
    int clicks = 0;
    PanelButton* below =
        PanelButton::create("layout.png", "layout_sel.png", 1, [&](PanelButton*) { ++clicks; });
    below->setPosition(100, 100);
    scene->addChild(below);
    CCEGLView::sharedOpenGLView()->handleMouseDown(100, 500);
    CCEGLView::sharedOpenGLView()->handleMouseUp(100, 500);
    EXPECT_EQ(clicks, 0);
    layer->removeFromParent();
    CCEGLView::sharedOpenGLView()->handleMouseDown(100, 500);
    CCEGLView::sharedOpenGLView()->handleMouseUp(100, 500);
    EXPECT_EQ(clicks, 1);
    CCEGLView::purgeSharedOpenGLView();
}

TEST_F(ConnectingScreen, DecorativeChartStartsWith300MinuteBarsAndOpensOneEverySeventhSecond) {
    ASSERT_NE(layer->demoChart(), nullptr);
    const auto& bars = layer->demoBars();
    ASSERT_EQ(bars.size(), 300u);
    auto nowMinute = static_cast<uint32_t>(std::time(nullptr) / 60);
    uint32_t first = bars.front()->time;
    // The first bar opened 500 minutes ago (a minute may have turned since the layer was made).
    EXPECT_TRUE(first == (nowMinute - 500) * 60 || first == (nowMinute - 501) * 60) << first;
    for (size_t i = 1; i < bars.size(); ++i) {
        ASSERT_EQ(bars[i]->time, bars[i - 1]->time + 60);
        ASSERT_EQ(bars[i]->index, static_cast<int32_t>(i));
    }
    for (const auto& bar : bars) {
        ASSERT_GE(bar->low, 1.0f);
        ASSERT_GE(bar->open, 2.0f);
        ASSERT_LE(bar->low, std::min(bar->open, bar->close));
        ASSERT_GE(bar->high, std::max(bar->open, bar->close));
    }
    for (int second = 1; second <= 6; ++second) CCDirector::sharedDirector()->stepFrame(1.0f);
    EXPECT_EQ(bars.size(), 300u) << "the newest bar is reshaped, not replaced, for six seconds";
    CCDirector::sharedDirector()->stepFrame(1.0f);
    ASSERT_EQ(bars.size(), 301u);
    EXPECT_EQ(bars.back()->time, bars[299]->time + 60);
    for (int second = 1; second <= 7; ++second) CCDirector::sharedDirector()->stepFrame(1.0f);
    EXPECT_EQ(bars.size(), 302u);
}

TEST_F(ConnectingScreen, WritesTheLogHeaderIntoTheDataFolder) {
    std::string log = CCFileUtils::sharedFileUtils()->getStringFromFile(home.path_ + "/DebugInfo.txt");
    EXPECT_NE(log.find("Zento(V0.62) [ zento_linux ] Debug Log"), std::string::npos) << log;
}

}  // namespace
