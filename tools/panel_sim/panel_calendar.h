#pragma once
// The panel calendar: event times are seconds since 2000-01-01 00:00:00 counted in years of
// twelve 31-day months. The panel's real-time clock keeps an ordinary date and time; each event
// time is that date packed into the 31-day-month count, so impossible days (30 February) never
// appear in the log of a healthy panel.

#include <chrono>
#include <cstdint>

namespace panel_sim {

struct TPanelDateTime {
    int Year = 2000; // 2000 to 2133
    int Month = 1;   // 1 to 12
    int Day = 1;     // 1 to 31
    int Hour = 0;    // 0 to 23
    int Minute = 0;  // 0 to 59
    int Second = 0;  // 0 to 59

    bool operator==(const TPanelDateTime&) const = default;
};

constexpr uint32_t PanelSecondsPerDay = 86400;
constexpr uint32_t PanelSecondsPerMonth = 31 * PanelSecondsPerDay;  // 2678400
constexpr uint32_t PanelSecondsPerYear = 12 * PanelSecondsPerMonth; // 32140800

// Packs a date and time into the panel calendar. Raises std::out_of_range when a field is out of
// its range or the result does not fit 32 bits (after 18.08.2133 06:28:15). The day is checked
// only against 1..31; whether the month has it is IsRealDate's business.
uint32_t EncodePanelTime(const TPanelDateTime& t);

// Unpacks a panel time; every 32-bit value gives fields within the ranges above.
TPanelDateTime DecodePanelTime(uint32_t seconds);

// Whether the date exists in the ordinary (Gregorian) calendar and the time of day is valid.
bool IsRealDate(const TPanelDateTime& t);

// The panel's real-time clock. It holds an ordinary date and time and advances with the real
// time the simulator hands it, in seconds, fractions kept.
class TPanelClock {
public:
    // Starts at the given date and time; raises std::out_of_range when it is not a real date.
    explicit TPanelClock(const TPanelDateTime& start);

    // Sets the clock (the 'T' command); raises std::out_of_range for a date that is not real or
    // lies outside the panel calendar.
    void Set(const TPanelDateTime& t);
    // Lets real time pass.
    void Advance(double seconds);
    TPanelDateTime Now() const;
    // Now in the panel calendar.
    uint32_t NowPanelTime() const { return EncodePanelTime(Now()); }
    // The date and time the given number of seconds before now (for the backlog of old events).
    TPanelDateTime Before(uint32_t seconds) const;

private:
    std::chrono::sys_seconds FNow;
    double FFraction = 0.0;
};

// The PC's local date and time now, as the panel clock starts.
TPanelDateTime LocalNow();

} // namespace panel_sim
