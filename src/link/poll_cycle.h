#pragma once
// The poll: every refresh interval the PC asks the master for its status ('A'). The next poll
// comes one interval after the previous one was sent, so a slow send never makes polls pile up.
//
// A failed poll does not end polling: the timer is re-armed first, then the failure is raised
// once for the window's error display. Further failures with the same message are kept quiet
// until a poll goes through again, so a closed serial port or a bad IP field shows one message
// instead of one per second, and polling resumes by itself once the cause is gone ("Init", a
// corrected IP field).
//
// While the serial link is chosen and its port is not open (not found, device gone, refused,
// stopped) no poll is written: the port's own message has said why, and the status bar says so
// for as long as it lasts.

#include "core/repeat_filter.h"

#include <cstdint>
#include <exception>
#include <string>

class ITimer;
class TFrameCodec;
class ILinkControls;
class ISerialPort;

class TPollCycle {
public:
    // The first poll comes this long after polling starts, whatever the Refresh field holds.
    static constexpr uint32_t FirstPollDelay = 1000;
    // The bounds of the Refresh field, in milliseconds.
    static constexpr int MinRefresh = 100;
    static constexpr int MaxRefresh = 10000;

    // `timer` is Timer1; its owner sets its handler to call Timer1Timer and shows what it raises.
    // All four must outlive the poll cycle.
    TPollCycle(ITimer& timer, TFrameCodec& codec, const ILinkControls& controls,
               const ISerialPort& port);

    // Starts polling when the window is shown: interval 1000 ms, timer enabled.
    void Start();
    // Stops polling when the window closes.
    void Stop();

    // One poll. Sends 'A', then re-arms the timer with the Refresh field's interval. A failure
    // (the send's, or a negative Refresh value) is raised after the timer is re-armed, unless the
    // previous failure had the same message and no poll has gone through since.
    void Timer1Timer();

    // The Refresh field changed: the timer's interval becomes its value and a running countdown
    // starts again. A negative value raises ERangeError and leaves the interval as it was.
    void SpinEditRefreshChange();

    // True while a poll is being sent.
    bool Busy() const { return FBusy; }
    // True while polling runs (between Start and Stop).
    bool Running() const;
    // True while the last poll failed (its message has been raised once).
    bool Failing() const { return FFailures.Failing(); }

    // The timer interval for a Refresh field value in ms: kept within 100..10000 (an interval of
    // 0 would stop the timer without a word). A negative value raises ERangeError.
    static uint32_t RefreshInterval(int fieldValue);

private:
    ITimer& FTimer;
    TFrameCodec& FCodec;
    const ILinkControls& FControls;
    const ISerialPort& FPort;
    bool FBusy = false;
    TRepeatFilter FFailures; // a failing poll shows its message once
};
