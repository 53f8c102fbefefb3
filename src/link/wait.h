#pragma once
// A millisecond stopwatch on the system tick counter, and a wait that keeps the window handling
// its messages. The window's close uses Delay so that replies still on their way are decoded
// before the settings are saved.

#include <cstdint>

class IClock;
class IMainThread;

class tTimer {
public:
    // The stopwatch reads the tick counter of `clock`, which must outlive it. Starts at once.
    explicit tTimer(const IClock& clock);

    // Records the current tick as the start.
    void Start();

    // True when at least `milliseconds` have passed since the start. The elapsed time is the
    // difference of the ticks modulo 2^32, so a wrap of the counter in between does no harm.
    bool Elapsed(uint16_t milliseconds) const;

    const IClock& Clock() const { return FClock; }

private:
    const IClock& FClock;
    uint32_t FStart = 0;
};

// The program's one stopwatch for waiting, on the system clock; created at the first call, which
// module initialisation makes at program start.
tTimer& WaitTimer();

// Waits at least `milliseconds` on `timer`'s clock (restarting `timer`): lets the main thread
// handle its pending events, then sleeps 1 ms, until the time has passed. Events are handled at
// least once. Called only on the main thread; an event handler's failure propagates.
void Delay(uint16_t milliseconds, IMainThread& mainThread, tTimer& timer);

// Delay on the program's stopwatch, WaitTimer().
void Delay(uint16_t milliseconds, IMainThread& mainThread);
