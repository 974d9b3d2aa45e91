#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "CCApplication.h"
#include "CCDevice.h"
#include "CCEGLView.h"
#include "CCKeyboard.h"
#include "CCKeypadDispatcher.h"
#include "RecordingFixture.h"
#include "TempHome.h"

USING_NS_CC;

namespace {

// Waits (bounded) for a file written by a started process.
std::string waitForFile(const std::string& path) {
    for (int i = 0; i < 500; ++i) {
        std::ifstream in(path);
        std::string text;
        if (in && std::getline(in, text) && !text.empty()) return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

class Recorder : public CCApplication {
public:
    bool applicationDidFinishLaunching() override { return true; }
    void onWindowResized(int sizeType, int width, int height) override {
        calls.push_back(std::to_string(sizeType) + ":" + std::to_string(width) + "x" +
                        std::to_string(height));
        CCApplication::onWindowResized(sizeType, width, height);
    }
    std::vector<std::string> calls;
};

class ViewTest : public RecordingTest {
protected:
    void TearDown() override {
        CCEGLView::purgeSharedOpenGLView();
        CCKeyboard::releaseAll();
        RecordingTest::TearDown();
    }
};

TEST_F(ViewTest, CallUpdateStartsTheProgramWithTheRestOfTheLineAsOneArgument) {
    TempHome home;
    std::filesystem::create_directories(home.file("my tools"));
    std::string script = home.file("my tools/updater.sh");
    std::ofstream(script) << "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$#\" > \"$(dirname \"$0\")/out.txt\"\n";
    chmod(script.c_str(), 0755);
    std::string archive = home.file("down loads/update.zip");
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    ASSERT_TRUE(view->callUpdate((script + " " + archive).c_str()));
    EXPECT_EQ(waitForFile(home.file("my tools/out.txt")), archive + "|1");

    std::filesystem::remove(home.file("my tools/out.txt"));
    ASSERT_TRUE(view->callUpdate(std::vector<std::string>{script, "a;b $(x)"}));
    EXPECT_EQ(waitForFile(home.file("my tools/out.txt")), "a;b $(x)|1");

    EXPECT_FALSE(view->callUpdate(home.file("missing-program").c_str()));
    EXPECT_FALSE(view->callUpdate(""));
}

TEST_F(ViewTest, WorksHeadlessWithRememberedSettingsAndDefaults) {
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    EXPECT_EQ(view->getFrameSize(), CCSize(900, 600));
    view->setViewName("Zento行情 beta 1.0");
    EXPECT_EQ(view->getViewName(), "Zento行情 beta 1.0");
    view->setMinFrameSize(680, 520);
    view->setWinRect(CCRect(10, 20, 300, 200));  // remembered for the window, raised to the minimum
    EXPECT_EQ(view->getWinRect(), CCRect(10, 20, 680, 520));
    EXPECT_FALSE(view->isOpenGLReady());
    EXPECT_FALSE(view->saveScreenshot("/tmp/never-written.png"));
    EXPECT_GE(CCDevice::getDPI(), 1);

    // The keys reach the key-state query and the keypad delegates.
    struct Keys : public CCKeypadDelegate {
        void keyDown(CCKeyCode k) override { down.push_back(k); }
        void keyBackClicked() override { ++back; }
        std::vector<CCKeyCode> down;
        int back = 0;
    } keys;
    director()->getKeypadDispatcher()->addDelegate(&keys);
    view->handleKey(kCCKey3, true);
    EXPECT_TRUE(CCKeyboard::isKeyDown(kCCKey3));
    EXPECT_FALSE(CCKeyboard::isKeyDown(kCCKey4));
    view->handleKey(kCCKeyEscape, true);
    view->handleKey(kCCKey3, false);
    EXPECT_FALSE(CCKeyboard::isKeyDown(kCCKey3));
    EXPECT_EQ(keys.down, (std::vector<CCKeyCode>{kCCKey3, kCCKeyEscape}));
    EXPECT_EQ(keys.back, 1);
    director()->getKeypadDispatcher()->removeDelegate(&keys);
    EXPECT_EQ(CCKeyboard::digitKey(9), kCCKey9);
    EXPECT_EQ(CCKeyboard::digitKey(10), kCCKeyUnknown);
}

TEST_F(ViewTest, TheDefaultResizeKeepsTheProjectionForAMinimisedWindow) {
    Recorder app;
    EXPECT_EQ(CCApplication::sharedApplication(), &app);
    app.onWindowResized(1, 0, 0);
    EXPECT_EQ(director()->getWinSize(), CCSize(900, 600));
    app.onWindowResized(2, 1200, 800);
    EXPECT_EQ(director()->getWinSize(), CCSize(1200, 800));
    EXPECT_EQ(CCEGLView::sharedOpenGLView()->getFrameSize(), CCSize(1200, 800));
}

}  // namespace
