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

namespace {

// A main thread that counts every look at it after its owner said it is gone.
class TVanishingMainThread : public IMainThread {
public:
    std::atomic<bool> Gone{false};
    std::atomic<int> TouchedAfterGone{0};
    bool IsMainThread() const override {
        Touch();
        return false;
    }
    void Post(std::function<void()>) override { Touch(); }
    void ProcessPendingEvents() override {}

private:
    void Touch() const {
        if (Gone) {
            ++const_cast<std::atomic<int>&>(TouchedAfterGone);
        }
    }
};

} // namespace

// A host-name look-up answers just as the window closes: once RequestStop has returned, the
// answering thread must not touch the main thread any more (the window may be freed at once).
// The stop lands at a different moment of the answer's Run in each round.
TEST(HandOff, AnAnswerAsTheWindowClosesNeverTouchesTheMainThreadAfterTheStop) {
    int touched = 0;
    for (int round = 0; round < 4000 && touched == 0; ++round) {
        auto mainThread = std::make_unique<TVanishingMainThread>();
        auto handOff = std::make_shared<THandOff>(*mainThread);
        std::atomic<bool> ready{false};
        std::atomic<bool> go{false};
        std::thread answer([&ready, &go, handOff] {
            ready = true;
            while (!go) {
                std::this_thread::yield();
            }
            handOff->Run([] {});
        });
        while (!ready) {
            std::this_thread::yield();
        }
        go = true;
        for (std::atomic<int> spin = 0; spin < round % 100; spin.fetch_add(1)) {
        }
        handOff->RequestStop();
        mainThread->Gone = true;
        answer.join();
        touched = mainThread->TouchedAfterGone;
    }
    EXPECT_EQ(touched, 0);
}
