#include "link/wait.h"

#include "core/clock.h"
#include "core/main_thread.h"

tTimer::tTimer(const IClock& clock) : FClock(clock), FStart(clock.TickCount()) {}

void tTimer::Start() {
    FStart = FClock.TickCount();
}

bool tTimer::Elapsed(uint16_t milliseconds) const {
    // Unsigned subtraction is modulo 2^32: right across a wrap of the counter.
    const uint32_t passed = FClock.TickCount() - FStart;
    return passed >= milliseconds;
}

tTimer& WaitTimer() {
    static tTimer timer(SystemClock());
    return timer;
}

void Delay(uint16_t milliseconds, IMainThread& mainThread, tTimer& timer) {
    timer.Start();
    do {
        mainThread.ProcessPendingEvents();
        timer.Clock().Sleep(1);
    } while (!timer.Elapsed(milliseconds));
}

void Delay(uint16_t milliseconds, IMainThread& mainThread) {
    Delay(milliseconds, mainThread, WaitTimer());
}
