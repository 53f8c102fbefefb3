#include "link/wait.h"

#include "core/event_queue.h"
#include "fakes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>

namespace {

// A main thread whose pending events are a queue of calls, each stamped with the tick at which
// it becomes due (a reply arriving while the window waits).
class TScriptedMainThread : public IMainThread {
public:
    explicit TScriptedMainThread(const TFakeClock& clock) : FClock(clock) {}
    bool IsMainThread() const override { return true; }
    void Post(std::function<void()> fn) override { fn(); }
    void ProcessPendingEvents() override {
        ++Rounds;
        while (!Due.empty() && FClock.Ticks == Due.front().first) {
            Due.front().second();
            Due.pop_front();
        }
    }
    std::deque<std::pair<uint32_t, std::function<void()>>> Due;
    int Rounds = 0;

private:
    const TFakeClock& FClock;
};

} // namespace

TEST(tTimer, ElapsedCountsAcrossAWrapOfTheTickCounter) {
    TFakeClock clock;
    clock.Ticks = 0xFFFFFF00u;
    tTimer timer(clock);
    EXPECT_TRUE(timer.Elapsed(0));
    EXPECT_FALSE(timer.Elapsed(1));

    clock.Ticks += 999; // wraps past 0
    EXPECT_LT(clock.Ticks, 0xFFFFFF00u);
    EXPECT_FALSE(timer.Elapsed(1000));
    clock.Ticks += 1;
    EXPECT_TRUE(timer.Elapsed(1000));
    EXPECT_FALSE(timer.Elapsed(65535));
    clock.Ticks += 65535 - 1000;
    EXPECT_TRUE(timer.Elapsed(65535));

    timer.Start(); // a new start
    EXPECT_FALSE(timer.Elapsed(1));
}

TEST(Delay, WaitsAcrossACounterWrapWhileHandlingEvents) {
    TFakeClock clock;
    clock.Ticks = 0xFFFFFFFFu - 300;
    const uint32_t start = clock.Ticks;
    tTimer timer(clock);
    TScriptedMainThread mainThread(clock);
    std::vector<uint32_t> handledAt;
    for (uint32_t offset : {0u, 300u, 301u, 999u}) {
        mainThread.Due.push_back({start + offset, [&] { handledAt.push_back(clock.Ticks); }});
    }

    Delay(1000, mainThread, timer);

    EXPECT_EQ(clock.Ticks - start, 1000u); // 1 ms per round, stopping as soon as it is enough
    EXPECT_EQ(mainThread.Rounds, 1000);
    EXPECT_EQ(handledAt, (std::vector<uint32_t>{start, start + 300, start + 301, start + 999}));
}

TEST(Delay, HandlesEventsOnceEvenForNoTime) {
    TFakeClock clock;
    tTimer timer(clock);
    TScriptedMainThread mainThread(clock);
    Delay(0, mainThread, timer);
    EXPECT_EQ(mainThread.Rounds, 1);
}

TEST(Delay, OnTheSystemClockWaitsAtLeastTheTimeAsked) {
    TEventQueue queue;
    const auto before = std::chrono::steady_clock::now();
    Delay(3, queue);
    const auto waited = std::chrono::steady_clock::now() - before;
    // Tick counts are whole milliseconds, so 3 ticks are more than 2 ms of real time.
    EXPECT_GE(waited, std::chrono::milliseconds(2));
    EXPECT_EQ(&WaitTimer(), &WaitTimer());
}
