#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include "BottomPanel.h"
#include "CStockPanel.h"
#include "ConfigTable.h"
#include "FrameSteps.h"
#include "LeftPaneMaster.h"
#include "LeftPanel.h"
#include "TopPanel.h"
#include "WorldSceneFixture.h"

USING_NS_CC;

namespace {

class FrameBarsSceneTest : public WorldSceneTest {
protected:
    void clickColumn(int tag) {
        click(world->getLeftPanel()->getButtonByTag(tag));
        step(LeftPaneMaster::SLIDE_SECONDS + 0.1f);
    }
    // Names of the feedback copies in the data folder.
    static std::vector<std::string> feedbackCopies() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(home)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("feedback_", 0) == 0) names.push_back(name);
        }
        return names;
    }
    // A loopback port nothing listens on: bound by the system, then let go.
    static int closedPort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(fd);
        return ntohs(address.sin_port);
    }
    bool subscribed(const std::string& code) const {
        return lastEmit("setAdvSubscription").find('"' + code + '"') != std::string::npos;
    }
};

}  // namespace

TEST_F(FrameBarsSceneTest, LeftColumnTogglesBothPagesSavesTheSwitchesAndResubscribesQuotes) {
    start();
    LeftPaneMaster* pane = world->getLeftPane();
    LeftPanel* column = world->getLeftPanel();
    // EURUSD is in the catalogue but in no default window.
    ASSERT_FALSE(subscribed("EURUSD"));

    clickColumn(LeftPanel::QUOTE_TAG);
    EXPECT_TRUE(pane->isPageShown(LeftPaneMaster::STOCK_PAGE));
    EXPECT_TRUE(column->isPageMarked(LeftPanel::QUOTE_TAG));
    EXPECT_TRUE(savedSettings()->getPanelSwitchB());
    EXPECT_TRUE(subscribed("EURUSD"));

    // The news page comes and goes from its button, however it was closed.
    clickColumn(LeftPanel::NEWS_TAG);
    EXPECT_TRUE(pane->isPageShown(LeftPaneMaster::NEWS_PAGE));
    EXPECT_TRUE(column->isPageMarked(LeftPanel::NEWS_TAG));
    EXPECT_TRUE(savedSettings()->getPanelSwitchA());
    pane->setPageShown(LeftPaneMaster::NEWS_PAGE, false, true);
    EXPECT_FALSE(column->isPageMarked(LeftPanel::NEWS_TAG));
    clickColumn(LeftPanel::NEWS_TAG);
    EXPECT_TRUE(pane->isPageShown(LeftPaneMaster::NEWS_PAGE));

    clickColumn(LeftPanel::QUOTE_TAG);
    EXPECT_FALSE(pane->isPageShown(LeftPaneMaster::STOCK_PAGE));
    EXPECT_FALSE(column->isPageMarked(LeftPanel::QUOTE_TAG));
    EXPECT_FALSE(savedSettings()->getPanelSwitchB());
    EXPECT_FALSE(subscribed("EURUSD"));

    // A restart brings the pages and their marks back.
    restartScene();
    start();
    pane = world->getLeftPane();
    EXPECT_TRUE(pane->isPageShown(LeftPaneMaster::NEWS_PAGE));
    EXPECT_FALSE(pane->isPageShown(LeftPaneMaster::STOCK_PAGE));
    EXPECT_TRUE(world->getLeftPanel()->isPageMarked(LeftPanel::NEWS_TAG));
    EXPECT_FALSE(world->getLeftPanel()->isPageMarked(LeftPanel::QUOTE_TAG));
}

TEST_F(FrameBarsSceneTest, AQuoteRowClickSwitchesTheSelectedWindowSavedAndResubscribed) {
    start();
    clickColumn(LeftPanel::QUOTE_TAG);
    CStockPanel* page = world->getLeftPane()->getStockPanel();
    ASSERT_EQ(page->getListedCodes().front(), "AUDJPY");
    StockWindow* selected = world->getSelectedWindow();
    ASSERT_NE(selected, nullptr);
    const int shown = world->getShownWindowCount();

    click(page->getRow(0));
    EXPECT_EQ(world->getSelectedWindow(), selected);
    EXPECT_EQ(selected->getCode(), "AUDJPY");
    EXPECT_EQ(world->getShownWindowCount(), shown);
    EXPECT_NE(lastEmit("setKlineSubscription").find("AUDJPY"), std::string::npos);
    bool saved = false;
    const auto settings = savedSettings();
    for (const WindowSetting& setting : settings->getWindows()) saved |= setting.code == "AUDJPY";
    EXPECT_TRUE(saved);
}

TEST_F(FrameBarsSceneTest, BarsFollowTheWindowSize) {
    start();
    world->onWindowResized(1200, 700);
    EXPECT_FLOAT_EQ(world->getTopPanel()->getPositionY(), 700 - TopPanel::HEIGHT);
    EXPECT_FLOAT_EQ(world->getTopPanel()->getContentSize().width, 1200);
    EXPECT_FLOAT_EQ(world->getLeftPanel()->getContentSize().height,
                    700 - TopPanel::HEIGHT - BottomPanel::HEIGHT);
    EXPECT_FLOAT_EQ(world->getLeftPanel()->getButtonByTag(LeftPanel::NEWS_TAG)->getPositionY(),
                    700 - TopPanel::HEIGHT - BottomPanel::HEIGHT - LeftPanel::BUTTON_SIZE / 2);
    EXPECT_FLOAT_EQ(world->getBottomPanel()->getButtonByTag(BottomPanel::TIME_ZONE_TAG)->getPositionX(),
                    1200 - BottomPanel::ZONE_BUTTON_RIGHT_INSET);
}

TEST_F(FrameBarsSceneTest, FeedbackUploadsACopyOfTheLogAndNeverTouchesTheLogItself) {
    start();
    const std::string log = CDebugModule::getInstance()->getLogFilePath();
    std::ofstream(log, std::ios::app) << "a line of the log\n";
    setConfigOverrides({{CONFIG_KEY_SEND_LOG_URL, "http://127.0.0.1:" + std::to_string(closedPort())}});
    click(world->getBottomPanel()->getButtonByTag(BottomPanel::FEEDBACK_TAG));
    const std::vector<std::string> copies = feedbackCopies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_GT(std::filesystem::file_size(home + "/" + copies[0]), 0u);
    // Nobody answers: the copy goes, the log stays.
    EXPECT_TRUE(pumpUntil([] { return feedbackCopies().empty(); }));
    EXPECT_TRUE(std::filesystem::exists(log));
    setConfigOverrides({});
}
