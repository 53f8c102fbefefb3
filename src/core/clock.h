#pragma once
// The PC's clock: local date and time for reports, event lines and "Set time", and the
// millisecond tick counter for waiting. Tests put a clock of their own in its place.

#include <cstdint>

// A local date and time, field by field (month and day from 1).
struct TDateTime {
    int Year = 2000;
    int Month = 1;
    int Day = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;

    bool SameDate(const TDateTime& other) const {
        return Year == other.Year && Month == other.Month && Day == other.Day;
    }
};

class IClock {
public:
    virtual ~IClock() = default;
    // The current local date and time.
    virtual TDateTime Now() const = 0;
    // The millisecond tick counter; wraps from 2^32 - 1 to 0.
    virtual uint32_t TickCount() const = 0;
    // Sleeps the calling thread for the given milliseconds.
    virtual void Sleep(uint32_t milliseconds) const = 0;
};

// The system's clock: local time from the time zone, ticks from the monotonic clock.
class TSystemClock : public IClock {
public:
    TDateTime Now() const override;
    uint32_t TickCount() const override;
    void Sleep(uint32_t milliseconds) const override;
};

// The one clock of the program.
IClock& SystemClock();
