#include "core/errors.h"
#include "core/event_queue.h"
#include "core/main_thread.h"
#include "hung_run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

TEST(HandOff, RunsOnMainThreadAndRethrowsInTheWaitingThread) {
    TEventQueue queue;
    THandOff handOff(queue);
    const auto mainId = std::this_thread::get_id();
    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> workerDone{false};
    bool delivered = false;
    std::string caught;

    std::thread worker([&] {
        delivered = handOff.Run([&] { ranOnMain = std::this_thread::get_id() == mainId; });
        try {
            handOff.Run([] { throw EOrvant("boom"); });
        } catch (const EOrvant& e) {
            caught = e.what();
        }
        workerDone = true;
    });
    EXPECT_TRUE(queue.ProcessUntil([&] { return workerDone.load(); }, HungRun));
    worker.join();
    EXPECT_TRUE(delivered);
    EXPECT_TRUE(ranOnMain);
    EXPECT_EQ(caught, "boom");

    int runs = 0;
    EXPECT_TRUE(handOff.Run([&] { ++runs; })); // on the main thread: at once
    EXPECT_EQ(runs, 1);
}

// The main thread never takes the call: a stop releases the waiter, and the call, when the
// main thread reaches it at last, finds nothing to do, even after the hand-off object is gone.
TEST(HandOff, AStopReleasesTheWaiterAndTheLateCallDoesNothing) {
    TEventQueue queue;
    auto handOff = std::make_unique<THandOff>(queue);
    std::atomic<bool> started{false};
    std::atomic<int> result{-1};
    int runs = 0;
    std::thread worker([&] {
        started = true;
        result = handOff->Run([&] {
            ++runs;
            throw EOrvant("never raised");
        });
    });
    while (!started) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(20ms);
    handOff->RequestStop();
    worker.join(); // would hang if the waiter waited for the main thread alone
    EXPECT_EQ(result, 0);
    handOff.reset();
    queue.ProcessPendingEvents();
    EXPECT_EQ(runs, 0);

    THandOff stopped(queue);
    stopped.RequestStop();
    stopped.RequestStop();
    EXPECT_FALSE(stopped.Run([&] { ++runs; }));
    EXPECT_EQ(runs, 0);
}
