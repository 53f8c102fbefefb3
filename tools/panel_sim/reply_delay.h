#pragma once
// Replies held back for a while before they go out, as over a slow link or from a busy panel.
// With no delay a reply goes out at once. Replies keep their order.

#include <chrono>
#include <deque>
#include <functional>

namespace panel_sim {

class TReplyDelay {
public:
    using TClock = std::chrono::steady_clock;

    explicit TReplyDelay(std::chrono::milliseconds delay) : FDelay(delay) {}

    // Runs `send` now, or once the delay has passed (at a later SendDue).
    void Send(std::function<void()> send);
    // Sends every reply whose time has come.
    void SendDue();
    // Milliseconds until the next reply is due, at most `longest` (0 when one is due).
    int WaitMs(int longest) const;

private:
    struct TPending {
        TClock::time_point Due;
        std::function<void()> Send;
    };
    std::chrono::milliseconds FDelay;
    std::deque<TPending> FPending;
};

} // namespace panel_sim
