#pragma once
// Stand-ins for the window and the clock in core tests.

#include "core/clock.h"
#include "core/comm_log.h"
#include "core/timer.h"
#include "model/status_view.h"

#include <cstdint>
#include <string>
#include <vector>

// A local date and time, to the second.
inline TDateTime At(int year, int month, int day, int hour, int minute, int second) {
    return TDateTime{year, month, day, hour, minute, second, 0};
}

// The communication log as a plain list of lines.
class TMemoryLog : public ICommLog {
public:
    void AddLine(const std::string& line) override { Lines.push_back(line); }
    int LineCount() const override { return static_cast<int>(Lines.size()); }
    void DeleteFirstLine() override {
        if (!Lines.empty()) {
            Lines.erase(Lines.begin());
        }
    }
    void Clear() override { Lines.clear(); }
    std::vector<std::string> Lines;
};

// A clock that moves only when told to, or by the time a caller sleeps. Its tick counter
// starts far from 0, as on a PC that has been up for weeks, so a tick a part forgot to take
// (0 for "never") is not mistaken for the start of the run.
class TFakeClock : public IClock {
public:
    static constexpr uint32_t StartTicks = 3'000'000'000u;
    TDateTime Now() const override { return Time; }
    uint32_t TickCount() const override { return Ticks; }
    void Sleep(uint32_t milliseconds) const override { Ticks += milliseconds; }
    TDateTime Time;
    mutable uint32_t Ticks = StartTicks;
};

// A window timer driven by hand: Advance(ms) fires it as often as the time passed allows.
// Like a window timer, an interval of 0 never fires.
class TFakeTimer : public ITimer {
public:
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return FEnabled; }
    void SetInterval(uint32_t milliseconds) override;
    uint32_t Interval() const override { return FInterval; }
    void SetOnTimer(std::function<void()> handler) override { FHandler = std::move(handler); }

    // Makes every expiry run `handler` the way the window does: what it raises is shown, here by
    // adding the message to `shown`, and goes no further.
    void RunShowingFailures(std::function<void()> handler, std::vector<std::string>& shown);

    // Lets the given time pass, firing the timer at each expiry.
    void Advance(uint32_t milliseconds);
    // Milliseconds until the next expiry (only while enabled).
    uint32_t Remaining() const { return FRemaining; }

private:
    bool FEnabled = false;
    uint32_t FInterval = 1000;
    uint32_t FRemaining = 1000;
    std::function<void()> FHandler;
};

// Status pages nobody looks at.
class TNoStatusView : public IStatusView {
public:
    void ShowDeviceId(int, const std::string&) override {}
    void ShowValue(int, TMeasureField, uint16_t) override {}
    void ShowStateCode(int, TStateField, uint8_t) override {}
    void ShowOutputs(int, uint16_t) override {}
    void ShowSlavePage(int, bool) override {}
};
