#include "WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Waits up to 10 s for the condition, polling.
template <typename Condition> bool eventually(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

TEST(WorkerPoolTest, JoinAllWaitsForRunningTasksAndRefusesNewOnes) {
    WorkerPool pool;
    std::atomic<bool> finished{false};
    pool.run([&] {
        std::this_thread::sleep_for(50ms);
        finished = true;
    });
    pool.joinAll();
    EXPECT_TRUE(finished);
    EXPECT_EQ(pool.size(), 0u);
    EXPECT_THROW(pool.run([] {}), std::runtime_error);
}

// A call waiting for the token must not hold up any other: tasks never queue behind a busy
// worker, however many are running.
TEST(WorkerPoolTest, EveryTaskRunsBesideTheOthers) {
    WorkerPool pool;
    constexpr int tasks = 12;
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    std::atomic<int> started{0};
    for (int i = 0; i < tasks; ++i)
        pool.run([&started, released] {
            ++started;
            released.wait();
        });
    EXPECT_TRUE(eventually([&] { return started == tasks; }));
    release.set_value();
    pool.joinAll();
}

// Pools sharing a budget run no more tasks together than it allows: past it a task is refused
// at once and nothing of it runs; a task that ends gives its place back.
TEST(WorkerPoolTest, ABudgetBoundsTheTasksOfEveryPoolDrawingOnIt) {
    ThreadBudget budget(2);
    WorkerPool first(budget);
    WorkerPool second(budget);
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    std::atomic<int> ran{0};
    const auto blocked = [&ran, released] {
        ++ran;
        released.wait();
    };
    first.run(blocked);
    second.run(blocked);
    EXPECT_THROW(first.run([&ran] { ++ran; }), TooManyThreads);
    EXPECT_THROW(second.run([&ran] { ++ran; }), TooManyThreads);
    EXPECT_TRUE(eventually([&] { return ran == 2; }));

    release.set_value();
    // Each ending task gives its place back just after it returns.
    EXPECT_TRUE(eventually([&] {
        try {
            second.run([&ran] { ++ran; });
            return true;
        } catch (const TooManyThreads&) {
            return false;
        }
    }));
    first.joinAll();
    second.joinAll();
    EXPECT_EQ(ran, 3);
}

// Workers kept idle for the next task are counted apart from the tasks: an idle worker of one
// pool never refuses another pool its task.
TEST(WorkerPoolTest, IdleWorkersLeaveTheBudgetsTasksFree) {
    ThreadBudget budget(1, 1);
    WorkerPool first(budget);
    WorkerPool second(budget);
    first.run([] {});
    EXPECT_TRUE(eventually([&] { return first.idle() == 1; }));
    std::promise<void> ran;
    second.run([&ran] { ran.set_value(); });
    EXPECT_EQ(ran.get_future().wait_for(10s), std::future_status::ready);
    first.joinAll();
    second.joinAll();
}

TEST(WorkerPoolTest, OneAfterAnotherTheSameWorkerServes) {
    WorkerPool pool;
    std::set<std::thread::id> workers;
    for (int i = 0; i < 20; ++i) {
        std::promise<std::thread::id> ran;
        pool.run([&ran] { ran.set_value(std::this_thread::get_id()); });
        workers.insert(ran.get_future().get());
        ASSERT_TRUE(eventually([&] { return pool.idle() == 1; }));
    }
    EXPECT_EQ(workers.size(), 1u);
}

// After a burst, the workers beyond the few kept idle end and are joined.
TEST(WorkerPoolTest, WorkersBeyondTheIdleFewEnd) {
    WorkerPool pool;
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    for (int i = 0; i < 8; ++i)
        pool.run([released] { released.wait(); });
    EXPECT_EQ(pool.size(), 8u);
    release.set_value();
    // Ended workers are joined when the next task comes.
    EXPECT_TRUE(eventually([&] {
        pool.run([] {});
        return pool.size() <= WorkerPool::kIdleWorkers;
    }));
}

// A task's captures (a reference to the scripting object, page functions) are released when
// it ends, not when its worker next works.
TEST(WorkerPoolTest, ATaskReleasesWhatItHoldsWhenItEnds) {
    WorkerPool pool;
    auto held = std::make_shared<int>(1);
    const std::weak_ptr<int> watch = held;
    pool.run([held = std::move(held)] {});
    EXPECT_TRUE(eventually([&] { return watch.expired(); }));
}

TEST(WorkerPoolTest, AFailingTaskLeavesItsWorkerServing) {
    WorkerPool pool;
    pool.run([] { throw std::runtime_error("lost"); });
    std::promise<void> ran;
    pool.run([&ran] { ran.set_value(); });
    EXPECT_EQ(ran.get_future().wait_for(10s), std::future_status::ready);
    pool.joinAll();
}

TEST(WorkerPoolTest, PoolReleasedByItsOwnTaskDoesNotWaitForItself) {
    auto pool = std::make_shared<WorkerPool>();
    std::promise<void> released;
    std::promise<void> go;
    pool->run([keep = pool, &released, future = go.get_future().share()]() mutable {
        future.wait();
        keep.reset(); // the last owner: the pool is destroyed on its own worker
        released.set_value();
    });
    pool.reset();
    go.set_value();
    EXPECT_EQ(released.get_future().wait_for(10s), std::future_status::ready);
}

} // namespace
