#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <map>
#include <thread>
#include <vector>

#include "CCActionInterval.h"
#include "CCDirector.h"
#include "CCNode.h"
#include "CCScheduler.h"
#include "FrameSteps.h"

USING_NS_CC;

namespace {

class Counter : public CCNode {
public:
    static Counter* make() {
        auto* c = new Counter();
        c->autorelease();
        return c;
    }
    void tick(float dt) {
        ++ticks;
        lastDt = dt;
        times.push_back(CCDirector::sharedDirector()->getTotalTime());
    }
    void update(float dt) override {
        ++updates;
        lastUpdateDt = dt;
    }
    int ticks = 0;
    int updates = 0;
    float lastDt = 0;
    float lastUpdateDt = 0;
    std::vector<double> times;
};

class SchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCDirector::purgeDirector();
        scene = CCScene::create();
        CCDirector::sharedDirector()->runWithScene(scene);
    }
    void TearDown() override { CCDirector::purgeDirector(); }
    void step(int frames, float dt = 0.1f) { stepFor(static_cast<float>(frames) * dt, dt); }
    CCScene* scene = nullptr;
};

TEST_F(SchedulerTest, IntervalTimerFiresOnItsStepAndNotBefore) {
    Counter* c = Counter::make();
    scene->addChild(c);
    c->schedule(schedule_selector(Counter::tick), 0.3f);
    step(2);
    EXPECT_EQ(c->ticks, 0);
    step(1);
    EXPECT_EQ(c->ticks, 1);
    step(3);
    EXPECT_EQ(c->ticks, 2);
    EXPECT_FLOAT_EQ(c->lastDt, 0.3f);
}

TEST_F(SchedulerTest, OnceTimerFiresExactlyOnceAfterItsDelay) {
    Counter* c = Counter::make();
    scene->addChild(c);
    c->scheduleOnce(schedule_selector(Counter::tick), 0.5f);
    step(4);
    EXPECT_EQ(c->ticks, 0);
    step(1);
    EXPECT_EQ(c->ticks, 1);
    step(20);
    EXPECT_EQ(c->ticks, 1);
    EXPECT_FALSE(
        CCDirector::sharedDirector()->getScheduler()->isScheduled(schedule_selector(Counter::tick), c));
}

TEST_F(SchedulerTest, RepeatCountsExtraCallsAfterTheFirst) {
    Counter* c = Counter::make();
    scene->addChild(c);
    c->schedule(schedule_selector(Counter::tick), 0.1f, 2, 0.0f);
    step(10);
    EXPECT_EQ(c->ticks, 3);
}

TEST_F(SchedulerTest, LongFrameDoesNotBurst) {
    Counter* c = Counter::make();
    scene->addChild(c);
    c->schedule(schedule_selector(Counter::tick), 0.1f);
    step(1, 5.0f);
    EXPECT_EQ(c->ticks, 1);
}

TEST_F(SchedulerTest, NodeOutsideTheSceneIsPausedUntilItEnters) {
    Counter* c = Counter::make();
    c->retain();
    c->scheduleUpdate();
    c->schedule(schedule_selector(Counter::tick), 0.0f);
    step(3);
    EXPECT_EQ(c->updates, 0);
    EXPECT_EQ(c->ticks, 0);
    scene->addChild(c);
    step(2);
    EXPECT_EQ(c->updates, 2);
    EXPECT_EQ(c->ticks, 2);
    c->removeFromParentAndCleanup(false);
    step(2);
    EXPECT_EQ(c->updates, 2);
    c->release();
}

TEST_F(SchedulerTest, UnscheduleFromInsideTheCallbackStopsIt) {
    Counter* c = Counter::make();
    scene->addChild(c);
    int calls = 0;
    c->schedule(
        [&](float) {
            ++calls;
            c->unschedule("self");
        },
        0.0f, "self");
    step(5);
    EXPECT_EQ(calls, 1);
}

TEST_F(SchedulerTest, TimerAddedDuringAFrameStartsCountingNextFrame) {
    Counter* c = Counter::make();
    scene->addChild(c);
    int inner = 0;
    c->scheduleOnce([&](float) { c->scheduleOnce([&](float) { ++inner; }, 0.2f, "inner"); }, 0.1f, "outer");
    step(1);  // outer fires, schedules inner: the 0.1 s of this frame must not count for inner
    EXPECT_EQ(inner, 0);
    step(1);
    EXPECT_EQ(inner, 0);
    step(1);
    EXPECT_EQ(inner, 1);
}

TEST_F(SchedulerTest, CleanupRemovesTimersAndFreesTheNode) {
    Counter* c = Counter::make();
    scene->addChild(c);
    c->schedule(schedule_selector(Counter::tick), 0.1f);
    c->scheduleUpdate();
    c->retain();
    CCDirector::sharedDirector()->stepFrame(0);  // drains the autorelease pool
    EXPECT_EQ(c->retainCount(), 4u);             // us, the scene, the timer and the update
    c->removeFromParent();
    EXPECT_EQ(c->retainCount(), 1u);
    step(3);
    EXPECT_EQ(c->ticks, 0);
    c->release();
}

TEST_F(SchedulerTest, UpdatesRunInPriorityOrder) {
    std::vector<int> order;
    struct Tagged : CCNode {
        std::vector<int>* order = nullptr;
        int id = 0;
        void update(float) override { order->push_back(id); }
    };
    for (int id : {3, 1, 2}) {
        auto* n = new Tagged();
        n->order = &order;
        n->id = id;
        n->autorelease();
        scene->addChild(n);
        n->scheduleUpdateWithPriority(id);
    }
    step(1);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(MainThreadQueue, FunctionsFromManyThreadsRunOnceOnTheMainThreadInProducerOrder) {
    CCDirector::purgeDirector();
    CCScheduler* scheduler = CCDirector::sharedDirector()->getScheduler();
    constexpr int PRODUCERS = 4;
    constexpr int PER_PRODUCER = 500;
    const std::thread::id mainId = std::this_thread::get_id();
    std::map<int, std::vector<int>> seen;
    std::atomic<int> offMain{0};
    std::vector<std::thread> producers;
    for (int p = 0; p < PRODUCERS; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < PER_PRODUCER; ++i) {
                scheduler->performFunctionInMainThread([&, p, i] {
                    if (std::this_thread::get_id() != mainId) ++offMain;
                    seen[p].push_back(i);
                });
            }
        });
    }
    // Frames run while producers are still queueing.
    for (int frame = 0; frame < 50; ++frame) CCDirector::sharedDirector()->stepFrame(0.016f);
    for (auto& t : producers) t.join();
    CCDirector::sharedDirector()->stepFrame(0.016f);
    EXPECT_EQ(scheduler->pendingFunctionCount(), 0u);
    EXPECT_EQ(offMain.load(), 0);
    ASSERT_EQ(seen.size(), static_cast<size_t>(PRODUCERS));
    for (auto& [producer, values] : seen) {
        ASSERT_EQ(values.size(), static_cast<size_t>(PER_PRODUCER)) << "producer " << producer;
        for (int i = 0; i < PER_PRODUCER; ++i) ASSERT_EQ(values[i], i) << "producer " << producer;
    }
    CCDirector::purgeDirector();
}

TEST(MainThreadQueue, QueuedFunctionsRunBeforeTimersOfTheSameFrame) {
    CCDirector::purgeDirector();
    CCScene* scene = CCScene::create();
    CCDirector::sharedDirector()->runWithScene(scene);
    std::vector<std::string> order;
    scene->schedule([&](float) { order.push_back("timer"); }, 0.0f, "t");
    CCDirector::sharedDirector()->getScheduler()->performFunctionInMainThread(
        [&] { order.push_back("queued"); });
    CCDirector::sharedDirector()->stepFrame(0.016f);
    EXPECT_EQ(order, (std::vector<std::string>{"queued", "timer"}));
    CCDirector::purgeDirector();
}

}  // namespace

namespace {
std::atomic<int> wakeCalls{0};
void countWake() {
    ++wakeCalls;
}
}  // namespace

// A sleeping loop must know when it is next needed: per-frame work never asks for a frame, timers
// and delays do, and a function handed over by a worker wakes it.
TEST_F(SchedulerTest, NextTimerLeavesPerFrameWorkOutAndAWorkerWakesTheLoop) {
    CCDirector* director = CCDirector::sharedDirector();
    CCScheduler* scheduler = director->getScheduler();
    Counter* c = Counter::make();
    scene->addChild(c);
    step(1);
    c->scheduleUpdate();
    c->schedule(schedule_selector(Counter::tick));
    step(1);
    EXPECT_TRUE(std::isinf(scheduler->secondsUntilNextTimer()));
    EXPECT_GT(director->secondsUntilNextFrame(), 1e9);

    c->scheduleOnce([](float) {}, 2.0f, "later");
    step(1);
    EXPECT_NEAR(scheduler->secondsUntilNextTimer(), 1.9, 1e-4);
    EXPECT_NEAR(director->secondsUntilNextFrame(), 1.9, 1e-4);

    CCScheduler::setWakeHook(&countWake);
    std::thread([scheduler] { scheduler->performFunctionInMainThread([] {}); }).join();
    CCScheduler::setWakeHook(nullptr);
    EXPECT_EQ(wakeCalls.load(), 1);
    EXPECT_EQ(director->secondsUntilNextFrame(), 0);
    step(1);
    EXPECT_NEAR(director->secondsUntilNextFrame(), 1.8, 1e-4);

    c->runAction(CCDelayTime::create(1.0f));
    step(1);
    EXPECT_EQ(director->secondsUntilNextFrame(), 0);
}
