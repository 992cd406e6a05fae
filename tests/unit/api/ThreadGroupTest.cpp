#include "ThreadGroup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;

TEST(ThreadGroupTest, JoinAllWaitsForRunningThreadsAndRefusesNewOnes) {
    ThreadGroup group;
    std::atomic<bool> finished{false};
    group.createThread([&] {
        std::this_thread::sleep_for(50ms);
        finished = true;
    });
    group.joinAll();
    EXPECT_TRUE(finished);
    EXPECT_EQ(group.size(), 0u);
    EXPECT_THROW(group.createThread([] {}), std::runtime_error);
}

TEST(ThreadGroupTest, EndedThreadsDoNotPileUp) {
    ThreadGroup group;
    for (int i = 0; i < 20; ++i)
        group.createThread([] {});
    // Each start joins the threads that have ended by then.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (group.size() > 1 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
        group.createThread([] {});
    }
    EXPECT_LE(group.size(), 1u);
}

TEST(ThreadGroupTest, AFailingThreadEndsQuietly) {
    ThreadGroup group;
    group.createThread([] { throw std::runtime_error("lost"); });
    group.joinAll();
}

TEST(ThreadGroupTest, GroupReleasedByItsOwnThreadDoesNotWaitForItself) {
    auto group = std::make_shared<ThreadGroup>();
    std::promise<void> released;
    std::promise<void> go;
    group->createThread([keep = group, &released, future = go.get_future().share()]() mutable {
        future.wait();
        keep.reset(); // the last owner: the group is destroyed on this thread
        released.set_value();
    });
    group.reset();
    go.set_value();
    EXPECT_EQ(released.get_future().wait_for(10s), std::future_status::ready);
}

} // namespace
