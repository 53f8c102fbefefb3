#pragma once
// Replies held back for a while before they go out, as over a slow link or from a busy panel.
// With no delay a reply goes out at once, and replies keep their order. On top of that a link
// can be made unreliable the way the field sees it: every n-th reply sent twice (a repeater
// that echoes), every n-th reply held back and sent after the next one (reordered).

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

namespace panel_sim {

struct TReplyFaults {
    uint32_t DuplicateEvery = 0; // every n-th reply goes out twice; 0: none
    uint32_t HoldBackEvery = 0;  // every n-th reply goes out after the next one; 0: none
};

class TReplyDelay {
public:
    using TClock = std::chrono::steady_clock;

    // A held-back reply goes out at the latest this long after its time, even when no other
    // reply follows it.
    static constexpr std::chrono::milliseconds HoldBackLimit{1000};

    explicit TReplyDelay(std::chrono::milliseconds delay, TReplyFaults faults = {})
        : FDelay(delay), FFaults(faults) {}

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
    // A reply whose time has come: out, twice, or held back for the next one.
    void GoOut(std::function<void()> send);
    void SendHeld();

    std::chrono::milliseconds FDelay;
    TReplyFaults FFaults;
    std::deque<TPending> FPending;
    std::optional<TPending> FHeld;
    uint32_t FCount = 0; // replies whose time has come
};

} // namespace panel_sim
