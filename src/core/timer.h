#pragma once
#include <cstdint>
#include <functional>

// A window timer as the core sees it: while enabled it fires every Interval milliseconds on the
// main thread. Enabling it, or setting the interval while it runs, starts a new countdown.
class ITimer {
public:
    virtual ~ITimer() = default;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetInterval(uint32_t milliseconds) = 0;
    virtual uint32_t Interval() const = 0;
    // What runs at every expiry (set once by the owner).
    virtual void SetOnTimer(std::function<void()> handler) = 0;
};
