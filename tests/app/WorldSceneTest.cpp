#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "AddStockPanel.h"
#include "AppGlobals.h"
#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCFileUtils.h"
#include "CCHttpRequest.h"
#include "CCHttpResponse.h"
#include "CCKeyboard.h"
#include "CCTextFieldTTF.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "ConnectingLayer.h"
#include "DrawingKLine.h"
#include "KLineHistoryLoader.h"
#include "LanguageTable.h"
#include "LayoutGrid.h"
#include "LayoutPanel.h"
#include "LeftPaneMaster.h"
#include "LogLines.h"
#include "MarketTestData.h"
#include "NumberAtlasLabel.h"
#include "Preferences.h"
#include "PriceAlerts.h"
#include "ReconnectPanel.h"
#include "SceneTest.h"
#include "StockButton.h"
#include "StockButtonPanel.h"
#include "StockData.h"
#include "StockInfo.h"
#include "StockListCache.h"
#include "TestWorldScene.h"
#include "UserData.h"
#include "WorldSceneFixture.h"

USING_NS_CC;

namespace {

const std::string RES = ZENTO_RES_DIR;

WindowSetting saved(const std::string& code, int timeTypeIndex = 0) {
    WindowSetting setting;
    setting.code = code;
    setting.timeTypeIndex = timeTypeIndex;
    return setting;
}

}  // namespace

TEST_F(WorldSceneTest, FirstStartShowsTheFourDefaultWindowsInTheTwoByTwoLayout) {
    start();
    EXPECT_EQ(world->getStartupReadyRuns(), 1);
    EXPECT_EQ(shownCodes(), (std::vector<std::string>{"XAUUSD", "XAGUSD", "USOIL", "UKOIL"}));
    EXPECT_EQ(world->getLayoutType(), 8);
    ASSERT_EQ(world->getLayoutCells().size(), 4u);
    // The windows sit in their cells, top row first.
    std::vector<StockWindow*> shown = world->getShownWindows();
    EXPECT_EQ(shown[0]->getPosition(), CCPoint(50, 290));
    EXPECT_EQ(shown[0]->getContentSize(), CCSize(423, 255));
    EXPECT_EQ(shown[3]->getPosition(), CCPoint(478, 30));
    EXPECT_EQ(world->getSelectedWindow(), shown[0]);
    EXPECT_TRUE(shown[0]->isActive());
    EXPECT_FALSE(shown[1]->isActive());
    EXPECT_EQ(world->getStrip()->getButtons().size(), 4u);
    // A resize lays the same cells out again.
    world->onWindowResized(1280, 800);
    EXPECT_EQ(shown[3]->getPosition(), CCPoint(668, 30));
    EXPECT_EQ(shown[3]->getContentSize(), CCSize(613, 355));
}

TEST_F(WorldSceneTest, LeftPaneNarrowsTheChartAreaWhileItIsOpen) {
    UserData::getInstance()->setPanelSwitchB(true);
    start();
    ASSERT_TRUE(world->getLeftPane()->isPaneShown());
    std::vector<StockWindow*> shown = world->getShownWindows();
    const float pane = LeftPaneMaster::PANE_WIDTH;
    EXPECT_EQ(shown[0]->getPositionX(), 50 + pane);
    EXPECT_EQ(shown[0]->getContentSize().width, static_cast<int>((851 - pane - 5) / 2));
    world->getLeftPane()->setPageShown(LeftPaneMaster::STOCK_PAGE, false, false);
    step(0.5f);
    EXPECT_EQ(shown[0]->getPositionX(), 50);
    EXPECT_EQ(shown[0]->getContentSize().width, 423);
    // What the pane shows is remembered with the layout.
    world->saveWindowLayout();
    EXPECT_FALSE(UserData::getInstance()->getPanelSwitchB());
}

TEST_F(WorldSceneTest, UnknownCodesAreSkippedAndWithNothingRestoredOneDefaultWindowOpens) {
    UserData::getInstance()->setWindows({saved("EURUSD"), saved("NOPE"), saved("GBPUSD")});
    start();
    EXPECT_EQ(shownCodes(), (std::vector<std::string>{"EURUSD", "GBPUSD"}));
    EXPECT_EQ(world->getLayoutType(), 8) << "the saved layout is kept";
    // A settings file whose instruments are all unknown: the default window opens instead of nothing.
    TearDown();
    SetUp();
    UserData::getInstance()->setWindows({saved("NOPE1"), saved("NOPE2")});
    start();
    EXPECT_EQ(shownCodes(), (std::vector<std::string>{"AUDJPY"}));
    EXPECT_EQ(world->getLayoutType(), 0);
    EXPECT_EQ(world->getStartupReadyRuns(), 1);
    EXPECT_TRUE(world->getShownWindows().front()->isSingleWindow());
}

TEST_F(WorldSceneTest, StartupReadyRunsOnceAfterBothEventsInEitherOrder) {
    ASSERT_TRUE(world->applyStockList(MARKET, false));
    EXPECT_EQ(world->getStartupReadyRuns(), 0);
    EXPECT_EQ(world->getShownWindowCount(), 0);
    world->GetKlineSocketServerListCallback(nullptr, makeResponse(200, "http://127.0.0.1:8090"));
    world->connectLast();
    EXPECT_EQ(world->getStartupReadyRuns(), 1);
    ASSERT_TRUE(world->applyStockList(MARKET, false));
    EXPECT_EQ(world->getStartupReadyRuns(), 1) << "a later list does not restore again";

    TearDown();
    SetUp();
    world->GetKlineSocketServerListCallback(nullptr, makeResponse(200, "http://127.0.0.1:8090"));
    world->connectLast();
    EXPECT_EQ(world->getStartupReadyRuns(), 0);
    ASSERT_TRUE(world->applyStockList(MARKET, false));
    EXPECT_EQ(world->getStartupReadyRuns(), 1);
    EXPECT_GT(world->getShownWindowCount(), 0);
}

TEST_F(WorldSceneTest, ConnectingScreenLeavesOnlyAfterTheThirdEvent) {
    ConnectingLayer* connecting = ConnectingLayer::getInstance();
    ASSERT_NE(connecting, nullptr);
    scene->addChild(connecting, 999);
    ASSERT_TRUE(world->applyStockList(MARKET, false));
    world->weekHistoryMerged(nullptr);  // the first history arrives before the connection
    EXPECT_FALSE(connecting->isDismissing());
    world->GetKlineSocketServerListCallback(nullptr, makeResponse(200, "http://127.0.0.1:8090"));
    world->connectLast();
    EXPECT_TRUE(connecting->isDismissing());
    step(1.0f);
    EXPECT_NE(ConnectingLayer::existingInstance(), nullptr) << "it waits 2 s, then fades for 0.8 s";
    step(2.5f);
    EXPECT_EQ(ConnectingLayer::existingInstance(), nullptr);

    TearDown();
    SetUp();
    connecting = ConnectingLayer::getInstance();
    scene->addChild(connecting, 999);
    start();
    EXPECT_FALSE(connecting->isDismissing()) << "no history yet";
    world->weekHistoryMerged(world->getShownWindows().front());
    EXPECT_TRUE(connecting->isDismissing());
    EXPECT_FALSE(world->isFirstHistoryPending());
}

TEST_F(WorldSceneTest, SubscriptionsListShownWindowsInWindowOrder) {
    UserData::getInstance()->setWindows({saved("EURUSD"), saved("XAUUSD", 1)});
    UserData::getInstance()->setLayoutType(1);
    start();
    ASSERT_EQ(shownCodes(), (std::vector<std::string>{"EURUSD", "XAUUSD"}));
    const int ttype0 = world->getShownWindows()[0]->getLoader()->getTtype();
    const int ttype1 = world->getShownWindows()[1]->getLoader()->getTtype();
    EXPECT_EQ(lastEmit("setKlineSubscription"),
              "{\"list\":[{\"symbol\":\"EURUSD\",\"timeType\":" + std::to_string(ttype0) +
                  "},{\"symbol\":\"XAUUSD\",\"timeType\":" + std::to_string(ttype1) + "}]}");
    EXPECT_EQ(lastEmit("setAdvSubscription"), R"({"list":["EURUSD","XAUUSD"]})");
    EXPECT_EQ(world->emitsOf("setKlineSubscription").back().id, "9");
    EXPECT_EQ(world->emitsOf("setAdvSubscription").back().id, "8");
    // The quotes are sent again half a second later.
    const size_t before = world->emitsOf("setAdvSubscription").size();
    step(0.6f);
    EXPECT_EQ(world->emitsOf("setAdvSubscription").size(), before + 1);
}

TEST_F(WorldSceneTest, QuotesAndBarsReachTheMatchingWindows) {
    UserData::getInstance()->setWindows({saved("EURUSD"), saved("EURUSD", 1), saved("GBPUSD")});
    UserData::getInstance()->setLayoutType(3);
    start();
    std::vector<StockWindow*> shown = world->getShownWindows();
    ASSERT_EQ(shown.size(), 3u);
    const int ttype = shown[0]->getLoader()->getTtype();
    ASSERT_NE(ttype, shown[1]->getLoader()->getTtype());

    world->recvAdvancedEvent(nullptr, R"(["EURUSD", 1.0, 1.2, 0.9, 1.1, 1700000000])");
    EXPECT_FLOAT_EQ(StockData::getInstance()->findStock("EURUSD")->getLastPrice(), 1.1f);
    EXPECT_STREQ(shown[0]->getChangeLabel()->getString(), shown[1]->getChangeLabel()->getString());

    // A quote for a code the catalogue does not know still reaches a window showing it.
    StockWindow* unknown = world->addStockWindow("ZZZZZZ", CCPointZero, nullptr);
    ASSERT_NE(unknown, nullptr);
    world->recvAdvancedEvent(nullptr, R"(["ZZZZZZ", 2.0, 2.0, 2.0, 2.5, 1700000000])");
    step(0.5f);
    EXPECT_STREQ(unknown->getValueLabel(3)->getString(), "2.5") << "the close row shows the last price";
    EXPECT_STRNE(shown[2]->getValueLabel(3)->getString(), "2.5") << "other windows keep their quotes";

    // Bars go to windows with the same code and time type only.
    const uint32_t t = 1700000040;
    const std::string bar =
        "[[\"EURUSD\"," + std::to_string(t) + ",1.1,1.3,1.0,1.2,7," + std::to_string(ttype) + "]]";
    world->recvKLineEvent(nullptr, bar);
    ASSERT_NE(shown[0]->getLoader()->series().findBar(t), nullptr);
    EXPECT_EQ(shown[1]->getLoader()->series().findBar(t), nullptr);
    EXPECT_EQ(shown[2]->getLoader()->series().findBar(t), nullptr);

    // [code, time] alone applies zero prices to the windows of time type 1.
    const uint32_t t2 = 1700000700;
    world->recvKLineEvent(nullptr, "[[\"GBPUSD\"," + std::to_string(t2) + "]]");
    ASSERT_EQ(shown[2]->getLoader()->getTtype(), 1);
    KLineBar* zero = shown[2]->getLoader()->series().findBar(t2);
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(zero->close, 0);
    EXPECT_EQ(zero->open, 0);

    // Broken messages change nothing.
    ConsoleCapture console;
    world->recvAdvancedEvent(nullptr, "[1,");
    world->recvKLineEvent(nullptr, "{");
    EXPECT_TRUE(logged(console, "parse advanced error!!!"));
    EXPECT_TRUE(logged(console, "parse advanced data error!!!"));
}

TEST_F(WorldSceneTest, ReconnectStepResubscribesRefillsAndToastsInOrder) {
    start();
    SIOClient* first = world->lastClient();
    ConsoleCapture console;
    world->onClose(first);
    EXPECT_EQ(world->getStockClient(), nullptr);
    EXPECT_TRUE(world->getReconnectPanel()->isPanelShown());
    EXPECT_GT(world->getLastStockDisconnect(), 0);
    EXPECT_TRUE(logged(console, "------- stock socket close!!!"));
    // The same client reporting an error as well schedules no second reconnect.
    world->onError(first, "boom");
    const size_t socketsBefore = world->sockets.size();
    // A subscription attempt while the reconnect waits starts nothing either.
    world->setAdvSubscription();
    EXPECT_EQ(world->sockets.size(), socketsBefore);
    step(3.2f);
    EXPECT_EQ(world->sockets.size(), socketsBefore + 1) << "exactly one reconnect after 3 s";
    world->setKlineSubscription();  // during the handshake: no second socket
    EXPECT_EQ(world->sockets.size(), socketsBefore + 1);

    world->emits.clear();
    std::vector<int> refillsBefore;
    for (StockWindow* window : world->getShownWindows())
        refillsBefore.push_back(static_cast<LocalWindow*>(window)->requests());
    world->connectLast();
    EXPECT_FALSE(world->getReconnectPanel()->isPanelShown());
    ASSERT_EQ(world->emits.size(), 2u);
    EXPECT_EQ(world->emits[0].event, "setKlineSubscription");
    EXPECT_EQ(world->emits[1].event, "setAdvSubscription");
    EXPECT_TRUE(logged(console, "reset kline subscription"));
    EXPECT_TRUE(logged(console, "reget week history KLine on reconnect!!!!!!!"));
    // The week history is asked for again on the next frame, by every shown window.
    step(0.05f);
    std::vector<StockWindow*> shown = world->getShownWindows();
    for (size_t k = 0; k < shown.size(); ++k) {
        EXPECT_TRUE(shown[k]->getLoader()->isRefillMode()) << k;
        EXPECT_GT(static_cast<LocalWindow*>(shown[k])->requests(), refillsBefore[k]) << k;
    }
    EXPECT_EQ(world->getStockConnectCount(), 2);
    EXPECT_EQ(world->getStartupReadyRuns(), 1) << "a reconnect is not a start";
}

TEST_F(WorldSceneTest, TenthWindowIsRefusedWithAToast) {
    start();
    const char* codes[] = {"EURUSD", "GBPUSD", "USDJPY", "USDCHF", "AUDUSD", "XPTUSD", "XPDUSD"};
    for (const char* code : codes) {
        if (world->getShownWindowCount() == WorldScene::WINDOW_COUNT) break;
        ASSERT_NE(world->addStockWindow(code, CCPointZero, nullptr), nullptr) << code;
    }
    ASSERT_EQ(world->getShownWindowCount(), 9);
    EXPECT_EQ(world->getLayoutType(), 22);
    const std::vector<std::string> before = shownCodes();
    const size_t children = scene->getChildrenCount();
    EXPECT_EQ(world->addStockWindow("AUDJPY", CCPointZero, nullptr), nullptr);
    EXPECT_EQ(shownCodes(), before);
    EXPECT_EQ(scene->getChildrenCount(), children + 1) << "the toast";
    step(4.0f);
    EXPECT_EQ(scene->getChildrenCount(), children) << "and it goes away";
}

TEST_F(WorldSceneTest, RestoreSkipsUnknownCodesAndFindsTheMaximisedWindowAgain) {
    UserData* settings = UserData::getInstance();
    settings->setWindows({saved("EURUSD"), saved("NOTKNOWN"), saved("XAUUSD", 2), saved("GBPUSD")});
    settings->setLayoutType(3);
    settings->setWindowMaximised(true);
    settings->setMaximisedCode("XAUUSD");
    settings->setMaximisedPeriod(timeTypeValue(2));
    start();
    EXPECT_EQ(shownCodes(), (std::vector<std::string>{"EURUSD", "XAUUSD", "GBPUSD"}));
    EXPECT_EQ(world->getLayoutType(), 3);
    ASSERT_TRUE(world->isMaximisedMode());
    StockWindow* maximised = world->getShownWindows()[1];
    EXPECT_TRUE(maximised->isMaximised());
    EXPECT_EQ(world->getSelectedWindow(), maximised);
    EXPECT_EQ(maximised->getContentSize(), CCSize(851, 515));
    EXPECT_FALSE(world->getShownWindows()[0]->isVisible());

    // Selecting another window in maximised mode puts it in the maximised one's place.
    StockWindow* other = world->getShownWindows()[2];
    world->activateWindow(other);
    EXPECT_TRUE(other->isMaximised());
    EXPECT_TRUE(other->isVisible());
    EXPECT_FALSE(maximised->isVisible());
    // Restoring brings every window back into its cell.
    world->toggleMaximise(other);
    step(0.5f);
    EXPECT_FALSE(world->isMaximisedMode());
    for (StockWindow* window : world->getShownWindows()) EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(world->getShownWindows()[0]->getContentSize(), CCSize(851, 255));
}

TEST_F(WorldSceneTest, ChoosingALayoutAndClosingWindowsKeepEveryWindowInACell) {
    start();
    ASSERT_EQ(world->getShownWindowCount(), 4);
    EXPECT_EQ(world->getLayoutType(), 8);
    StockWindow* fourth = world->getShownWindows()[3];
    world->applyLayout(10, true);  // layout buttons count from 1
    EXPECT_EQ(world->getLayoutType(), 9);
    EXPECT_EQ(UserData::getInstance()->getLayoutType(), 9) << "a new layout is saved";
    // The window glides to its new cell.
    step(0.1f);
    EXPECT_GT(fourth->getContentSize().width, 423);
    EXPECT_LT(fourth->getContentSize().width, 851);
    step(0.3f);
    EXPECT_EQ(fourth->getContentSize().width, 851);
    EXPECT_EQ(fourth->getPosition(), CCPoint(50, 30));
    // Choosing the same layout again changes nothing.
    const size_t saves = UserData::getInstance()->getWindows().size();
    world->applyLayout(10, true);
    EXPECT_FALSE(fourth->getActionByTag(0x1A70));
    EXPECT_EQ(UserData::getInstance()->getWindows().size(), saves);

    StockWindow* closing = world->getShownWindows()[1];
    closing->addIndicator(2, 0.2f);
    world->closeWindow(closing);
    EXPECT_FALSE(closing->isShown());
    EXPECT_EQ(world->getShownWindowCount(), 3);
    EXPECT_EQ(world->getLayoutType(), 3);
    EXPECT_EQ(world->getStrip()->getButtons().size(), 3u);
    EXPECT_EQ(UserData::getInstance()->getWindows().size(), 3u);
    // Adding one finds it a cell again.
    StockWindow* added = world->addStockWindow("EURUSD", CCPointZero, nullptr);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(world->getLayoutType(), 8);
    EXPECT_TRUE(added->getIndicatorPanes().empty()) << "a closed window comes back without its panes";
    EXPECT_EQ(world->getSelectedWindow(), added);
    EXPECT_EQ(world->getShownWindows().back(), added) << "new windows join at the end, like their buttons";

    while (world->getShownWindowCount() > 1) world->closeWindow(world->getShownWindows().back());
    StockWindow* last = world->getShownWindows().front();
    EXPECT_TRUE(last->isSingleWindow());
    EXPECT_EQ(world->getLayoutType(), 0);
    world->closeWindow(last);
    EXPECT_TRUE(last->isShown()) << "the last window stays";
    ASSERT_NE(world->addStockWindow("XPTUSD", CCPointZero, nullptr), nullptr);
    EXPECT_FALSE(last->isSingleWindow());
}

TEST_F(WorldSceneTest, DraggedStripOrderBecomesTheWindowOrder) {
    start();
    std::vector<StockWindow*> shown = world->getShownWindows();
    ASSERT_EQ(shown.size(), 4u);
    world->windowsReordered({shown[1], shown[0], shown[2], shown[3]});
    EXPECT_EQ(world->getShownWindows()[0], shown[1]);
    EXPECT_EQ(world->getShownWindows()[0]->getPosition(), CCPoint(50, 290));
    EXPECT_EQ(UserData::getInstance()->getWindows().front().code, shown[1]->getCode());
}

TEST_F(WorldSceneTest, KeysZoomScrollAndPickWindowsByDigit) {
    EXPECT_FALSE(world->isKeyboardEnabled());
    start();
    EXPECT_TRUE(world->isKeyboardEnabled()) << "keys work once the windows are up";
    ASSERT_EQ(world->getShownWindowCount(), 4);
    CCKeyboard::setKeyDown(kCCKey2, true);
    step(0.1f);
    EXPECT_EQ(world->getSelectedWindow(), world->getStrip()->getButtons()[1]->getWindow());
    CCKeyboard::setKeyDown(kCCKey2, false);
    // Digits beyond the strip's buttons mean nothing.
    CCKeyboard::setKeyDown(kCCKey7, true);
    step(0.1f);
    EXPECT_EQ(world->getSelectedWindow(), world->getStrip()->getButtons()[1]->getWindow());
    CCKeyboard::setKeyDown(kCCKey7, false);
    CCKeyboard::setKeyDown(kCCKey1, true);
    step(0.1f);
    EXPECT_EQ(world->getSelectedWindow(), world->getStrip()->getButtons()[0]->getWindow());
    CCKeyboard::setKeyDown(kCCKey1, false);

    // Without the keyboard switch, keys do nothing.
    world->setKeyboardEnabled(false);
    CCKeyboard::setKeyDown(kCCKey2, true);
    step(0.1f);
    EXPECT_EQ(world->getSelectedWindow(), world->getStrip()->getButtons()[0]->getWindow());
    CCKeyboard::setKeyDown(kCCKey2, false);

    world->setKeyboardEnabled(true);
    DrawingKLine* chart = world->getSelectedWindow()->getChart();
    step(1.0f);
    const float width = chart->getBarWidth();
    CCKeyboard::setKeyDown(kCCKeyUp, true);
    step(0.05f);
    CCKeyboard::setKeyDown(kCCKeyUp, false);
    step(1.0f);
    EXPECT_GT(chart->getBarWidth(), width);
}

TEST_F(WorldSceneTest, CrosshairChoiceAndPanelSwitchesAreSavedAtOnceAndComeBack) {
    start();
    for (StockWindow* window : world->getWindows())
        EXPECT_TRUE(window->getChart()->getShowCrosshair()) << "the default shows the cross point";
    // A double click in one chart switches every window and is saved at once.
    world->setCrosshairInAllWindows(false);
    for (StockWindow* window : world->getWindows()) EXPECT_FALSE(window->getChart()->getShowCrosshair());
    EXPECT_FALSE(savedSettings()->getShowCrossPoint());

    // Opening and closing a left pane page is saved at once too.
    world->getLeftPane()->setPageShown(LeftPaneMaster::STOCK_PAGE, true, false);
    EXPECT_TRUE(savedSettings()->getPanelSwitchB());
    world->getLeftPane()->setPageShown(LeftPaneMaster::NEWS_PAGE, true, false);
    world->getLeftPane()->setPageShown(LeftPaneMaster::STOCK_PAGE, false, false);
    EXPECT_TRUE(savedSettings()->getPanelSwitchA());
    EXPECT_FALSE(savedSettings()->getPanelSwitchB());

    restartScene();
    for (StockWindow* window : world->getWindows()) EXPECT_FALSE(window->getChart()->getShowCrosshair());
    start();
    EXPECT_TRUE(world->getLeftPane()->isPageShown(LeftPaneMaster::NEWS_PAGE));
    EXPECT_FALSE(world->getLeftPane()->isPageShown(LeftPaneMaster::STOCK_PAGE));
}

TEST_F(WorldSceneTest, LayoutsWithTooFewCellsAreNeverChosenAndAChosenOneKeepsItsFreeCells) {
    start();
    ASSERT_EQ(world->getShownWindowCount(), 4);
    world->openChooser(StockButtonPanel::LAYOUT_BUTTON_TAG, 10, 540);
    LayoutPanel* layouts = world->getLayoutPanel();
    for (int layout = 1; layout <= LayoutPanel::LAYOUT_COUNT; ++layout) {
        const bool fits = layout_grid::shapeOf(layout - 1).cells.size() >= 4;
        EXPECT_EQ(layouts->isLayoutAvailable(layout), fits) << layout;
    }
    // A click on a layout with two cells does nothing: all four windows stay on screen.
    layouts->onLayoutButton(2);
    world->applyLayout(2, false);
    EXPECT_EQ(world->getLayoutType(), 8);
    for (StockWindow* window : world->getShownWindows()) EXPECT_TRUE(window->isVisible());

    // A six-cell layout chosen for four windows stays when a fifth joins.
    const int sixCells = 17;  // 3 x 2
    ASSERT_EQ(layout_grid::shapeOf(sixCells - 1).cells.size(), 6u);
    world->applyLayout(sixCells, false);
    ASSERT_EQ(world->getLayoutType(), sixCells - 1);
    ASSERT_NE(world->addStockWindow("EURUSD", CCPointZero, nullptr), nullptr);
    EXPECT_EQ(world->getLayoutType(), sixCells - 1);
    for (StockWindow* window : world->getShownWindows()) EXPECT_TRUE(window->isVisible());

    // A saved layout too small for its windows is widened at restore, and says so.
    UserData::getInstance()->setLayoutType(1);
    world->captureLayout();
    UserData::getInstance()->setLayoutType(1);
    restartScene();
    start();
    EXPECT_EQ(world->getShownWindowCount(), 5);
    EXPECT_GE(layout_grid::shapeOf(world->getLayoutType()).cells.size(), 5u);
    for (StockWindow* window : world->getShownWindows()) EXPECT_TRUE(window->isVisible());
}

TEST_F(WorldSceneTest, AClickOutsideTheOpenChooserClosesIt) {
    start();
    step(3.0f);
    world->openChooser(StockButtonPanel::LAYOUT_BUTTON_TAG, 10, 540);
    step(0.5f);
    LayoutPanel* layouts = world->getLayoutPanel();
    ASSERT_TRUE(layouts->isShown());
    // Inside the chooser (its top-left corner is at (10, 540)): it stays.
    clickAt({30, 520});
    EXPECT_TRUE(layouts->isShown());
    // Over a chart window, outside the chooser: it closes and the chart does not take the click.
    StockWindow* selected = world->getSelectedWindow();
    StockWindow* other = world->getShownWindows()[3];
    clickAt({700, 100});
    step(0.5f);
    EXPECT_FALSE(layouts->isShown());
    EXPECT_EQ(world->getSelectedWindow(), selected);
    EXPECT_NE(other, selected);
    // With nothing open, the same click reaches the window below.
    clickAt({700, 100});
    step(0.5f);
    EXPECT_EQ(world->getSelectedWindow(), other);
}

TEST_F(WorldSceneTest, TypedLettersSearchForTheSelectedWindowAndEnterPicksTheFirstMatch) {
    start();
    StockWindow* selected = world->getSelectedWindow();
    ASSERT_NE(selected, nullptr);
    const std::string before = selected->getCode();
    AddStockPanel* chooser = world->getAddStockPanel();
    CCEGLView* view = CCEGLView::sharedOpenGLView();
    const auto press = [&](CCKeyCode key) {
        view->handleKey(key, true);
        step(0.05f);
        view->handleKey(key, false);
        step(0.05f);
    };

    // Digits keep their meaning as keys; nothing opens while the keys are switched off.
    view->handleTextInput("2");
    world->setKeyboardEnabled(false);
    view->handleTextInput("g");
    world->setKeyboardEnabled(true);
    step(0.1f);
    EXPECT_FALSE(chooser->isShown());

    // Letters open the chooser on the selected window; the rest of the typing goes to its field.
    view->handleTextInput("U");
    step(0.1f);
    ASSERT_TRUE(chooser->isShown());
    EXPECT_EQ(chooser->getTargetWindow(), selected);
    view->handleTextInput("s");
    EXPECT_STREQ(chooser->getSearchField()->getString(), "Us");
    const std::vector<StockInfo*> matches = StockData::getInstance()->searchStocks("Us");
    ASSERT_GE(matches.size(), 2u);
    ASSERT_NE(matches[0]->getCode(), before);
    press(kCCKeyEnter);
    EXPECT_FALSE(chooser->isShown());
    EXPECT_EQ(selected->getCode(), matches[0]->getCode());

    // Escape closes without a pick; typing works again afterwards.
    step(0.1f);
    view->handleTextInput("x");
    step(0.1f);
    ASSERT_TRUE(chooser->isShown());
    press(kCCKeyEscape);
    EXPECT_FALSE(chooser->isShown());
    EXPECT_EQ(selected->getCode(), matches[0]->getCode());
    view->handleTextInput("a");
    step(0.1f);
    EXPECT_TRUE(chooser->isShown());
}

TEST_F(WorldSceneTest, OtherWindowsMarkTheHoveredTimeAsTheLinkedCrosshairPreferenceSays) {
    start();
    const std::vector<StockWindow*> shown = world->getShownWindows();
    ASSERT_GE(shown.size(), 3u);
    shown[1]->setStock(shown[0]->getCode(), "twin");
    ASSERT_NE(shown[2]->getCode(), shown[0]->getCode());
    const auto linked = [&] {
        std::vector<long long> times;
        for (StockWindow* window : shown) times.push_back(window->getChart()->getLinkedTime());
        return times;
    };
    const long long at = 1700000000;
    Preferences& preferences = Preferences::shared();
    const std::vector<long long> none(shown.size(), 0);

    preferences.setLinkedCrosshair(Preferences::LinkedCrosshair::SAME_INSTRUMENT);
    world->crosshairMoved(shown[0], at);
    std::vector<long long> expected = none;
    expected[1] = at;
    EXPECT_EQ(linked(), expected);

    preferences.setLinkedCrosshair(Preferences::LinkedCrosshair::ALL_WINDOWS);
    world->crosshairMoved(shown[0], at);
    expected = std::vector<long long>(shown.size(), at);
    expected[0] = 0;
    EXPECT_EQ(linked(), expected);
    // The pointer leaves the chart: every mark goes.
    world->crosshairMoved(shown[0], 0);
    EXPECT_EQ(linked(), none);

    preferences.setLinkedCrosshair(Preferences::LinkedCrosshair::OFF);
    world->crosshairMoved(shown[0], at);
    EXPECT_EQ(linked(), none);
    preferences.setLinkedCrosshair(Preferences::LinkedCrosshair::SAME_INSTRUMENT);
}

TEST_F(WorldSceneTest, AnArmedAlertKeepsItsInstrumentSubscribedAndFiresOnceOnItsQuote) {
    start();
    PriceAlerts* alerts = world->getPriceAlerts();
    ASSERT_NE(alerts, nullptr);
    // A code no window shows.
    const std::string code = "EURUSD";
    for (StockWindow* window : world->getShownWindows()) ASSERT_NE(window->getCode(), code);
    const int id = alerts->add(code, 1.1, 1.08);
    ASSERT_NE(id, 0);
    world->setAdvSubscription();
    EXPECT_NE(lastEmit("setAdvSubscription").find("\"EURUSD\""), std::string::npos);

    // No notification service: the alert still fires, and the log says once why nothing pops up.
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::setenv("XDG_RUNTIME_DIR", "/nonexistent", 1);
    ConsoleCapture console;
    market_messages::Quote quote;
    quote.code = code;
    quote.reference = 1.08f;
    quote.last = 1.09f;
    quote.time = 1715780000;
    world->quoteArrived(quote);
    EXPECT_FALSE(alerts->alerts()[0].fired);
    quote.last = 1.12f;
    world->quoteArrived(quote);
    world->quoteArrived(quote);
    EXPECT_TRUE(alerts->alerts()[0].fired);
    size_t firedLines = 0;
    size_t notificationLines = 0;
    for (const std::string& line : console.lines()) {
        if (line.find("price alert fired: EURUSD") != std::string::npos) ++firedLines;
        if (line.find("desktop notifications off: no session bus") != std::string::npos) ++notificationLines;
    }
    EXPECT_EQ(firedLines, 1u) << "once";
    EXPECT_EQ(notificationLines, 1u);
    // Fired, it no longer holds the subscription.
    EXPECT_EQ(lastEmit("setAdvSubscription").find("\"EURUSD\""), std::string::npos);

    // The windows of an alert's instrument draw its level, in the fired colour once fired.
    StockWindow* window = world->getShownWindows()[0];
    const int level = alerts->add(window->getCode(), 5000, 2000);
    ASSERT_NE(level, 0);
    step(0.05f);
    using Level = DrawingKLine::AlertLevel;
    EXPECT_EQ(window->getChart()->getAlertLevels(), (std::vector<Level>{Level{level, 5000, false}}));
    EXPECT_TRUE(world->getShownWindows()[1]->getChart()->getAlertLevels().empty());
    quote.code = window->getCode();
    quote.last = 5001;
    world->quoteArrived(quote);
    step(0.05f);
    EXPECT_EQ(window->getChart()->getAlertLevels(), (std::vector<Level>{Level{level, 5000, true}}));

    // Escape gives up placing one.
    window->getChart()->startAlertPlacement(true);
    world->keyDown(kCCKeyEscape);
    EXPECT_FALSE(window->getChart()->isPlacingAlert());

    // A placed alert's side comes from the instrument's last quote in the catalogue.
    StockInfo* record = StockData::getInstance()->findStock(window->getCode());
    ASSERT_NE(record, nullptr);
    record->updateQuote(100, 1715780000, 99, 101, 98);
    world->placePriceAlert(window, 120);
    world->placePriceAlert(window, 80);
    ASSERT_GE(alerts->alerts().size(), 2u);
    EXPECT_TRUE(alerts->alerts().rbegin()[1].rising);
    EXPECT_FALSE(alerts->alerts().back().rising);
}
