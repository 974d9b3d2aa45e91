#include <gtest/gtest.h>

#include <map>
#include <string>

#include "CCDirector.h"
#include "CCNode.h"
#include "LogLines.h"
#include "RetryTable.h"
#include "TestSupport.h"

USING_NS_CC;

namespace {
void step(float seconds) {
    CCDirector::sharedDirector()->stepFrame(0);
    for (float t = 0; t < seconds; t += 0.05f) CCDirector::sharedDirector()->stepFrame(0.05f);
}
}  // namespace

TEST(RetryTable, EveryStepRunsOnceAfterItsDelayAndSaysSo) {
    // The lines as the log has always written them; a step without one retries silently.
    const std::map<RetryStep, std::string> lines = {
        {RetryStep::StockServerList, "1 get kline socketIo server error! will try after 3second"},
        {RetryStep::EmptyStockServerList, "2 get kline socketIo server error! will try after 3second"},
        {RetryStep::InstrumentList, "GetStockServerList failed, will retry after 3 second!"},
        {RetryStep::HistoryServerList, "GetKlineHistoryServerList error! will try after 3 second!!!!"},
    };
    CCDirector::purgeDirector();
    CCScene* running = CCScene::create();
    CCDirector::sharedDirector()->runWithScene(running);
    CCNode* owner = CCNode::create();
    running->addChild(owner);
    ASSERT_EQ(retry_table::rows().size(), 5u);
    for (const RetryRow& row : retry_table::rows()) {
        SCOPED_TRACE(row.key);
        ConsoleCapture console;
        int runs = 0;
        retry_table::retryLater(owner, row.step, [&runs] { ++runs; });
        const auto line = lines.find(row.step);
        if (line != lines.end())
            EXPECT_TRUE(logged(console, line->second));
        else
            EXPECT_TRUE(console.lines().empty());
        EXPECT_EQ(row.delaySeconds, 3.0f);
        step(row.delaySeconds - 0.1f);
        EXPECT_EQ(runs, 0);
        step(0.2f);
        EXPECT_EQ(runs, 1);
        step(row.delaySeconds + 1.0f);
        EXPECT_EQ(runs, 1);
    }
    // A caller may ask for a longer wait, and the line says so.
    ConsoleCapture console;
    int runs = 0;
    retry_table::retryLater(
        owner, RetryStep::EmptyStockServerList, [&runs] { ++runs; }, 5.0f);
    EXPECT_TRUE(logged(console, "2 get kline socketIo server error! will try after 5second"));
    step(4.9f);
    EXPECT_EQ(runs, 0);
    step(0.2f);
    EXPECT_EQ(runs, 1);
    CCDirector::purgeDirector();
}
