#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "DesktopNotifier.h"
#include "LogLines.h"

namespace {

size_t offLines(const ConsoleCapture& console) {
    size_t count = 0;
    for (const std::string& line : console.lines())
        if (line.find("desktop notifications off") != std::string::npos) ++count;
    return count;
}

TEST(DesktopNotifier, SendsInOrderOnItsOwnThreadWhileTheCallerGoesOn) {
    std::promise<void> open;
    std::shared_future<void> gate = open.get_future().share();
    std::mutex mutex;
    std::vector<std::string> sent;
    std::vector<std::thread::id> threads;
    DesktopNotifier notifier([&](const std::string& summary, const std::string& body) {
        gate.wait();
        std::lock_guard<std::mutex> lock(mutex);
        sent.push_back(summary + "|" + body);
        threads.push_back(std::this_thread::get_id());
        return std::string();
    });
    // The service is stuck on the first: posting still returns at once, up to the queue's size.
    EXPECT_TRUE(notifier.post("a", "1"));
    EXPECT_TRUE(notifier.post("b", "2"));
    size_t accepted = 2;
    while (notifier.post("more", "")) ++accepted;
    EXPECT_LE(accepted, DesktopNotifier::MAX_QUEUED + 1);
    open.set_value();
    ASSERT_TRUE(waitUntil(
        [&] {
            std::lock_guard<std::mutex> lock(mutex);
            return sent.size() == accepted;
        },
        Seconds(10), Seconds(0.01)));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(sent[0], "a|1");
    EXPECT_EQ(sent[1], "b|2");
    for (std::thread::id id : threads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST(DesktopNotifier, WithoutAServiceItSaysSoOnceAndTheRestIsDropped) {
    ConsoleCapture console;
    std::atomic<int> attempts{0};
    DesktopNotifier failing([&](const std::string&, const std::string&) {
        ++attempts;
        return std::string("The name org.freedesktop.Notifications was not provided");
    });
    EXPECT_TRUE(failing.post("alert", "gold"));
    ASSERT_TRUE(waitUntil([&] { return !failing.isAvailable(); }, Seconds(10), Seconds(0.01)));
    EXPECT_FALSE(failing.post("alert", "silver"));
    EXPECT_EQ(attempts.load(), 1);

    DesktopNotifier noBus(DesktopNotifier::Sender(), "no session bus");
    EXPECT_FALSE(noBus.isAvailable());
    EXPECT_FALSE(noBus.post("alert", "oil"));
    EXPECT_EQ(offLines(console), 2u) << "one line for each";
}

}  // namespace
