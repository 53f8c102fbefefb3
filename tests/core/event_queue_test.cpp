#include "core/event_queue.h"
#include "core/errors.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(EventQueue, RunsHandOffOnMainThreadAndRethrowsInCaller) {
    TEventQueue queue;
    const auto mainId = std::this_thread::get_id();
    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> workerDone{false};
    std::string caught;

    std::thread worker([&] {
        queue.RunBlocking([&] { ranOnMain = std::this_thread::get_id() == mainId; });
        try {
            queue.RunBlocking([] { throw EOrvant("boom"); });
        } catch (const EOrvant& e) {
            caught = e.what();
        }
        workerDone = true;
    });
    EXPECT_TRUE(queue.ProcessUntil([&] { return workerDone.load(); }, std::chrono::seconds(5)));
    worker.join();
    EXPECT_TRUE(ranOnMain);
    EXPECT_EQ(caught, "boom");
}

TEST(EventQueue, RunsAtOnceWhenCalledOnMainThread) {
    TEventQueue queue;
    int runs = 0;
    queue.RunBlocking([&] { ++runs; });
    EXPECT_EQ(runs, 1);
}
