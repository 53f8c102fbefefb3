#pragma once
// The panel's silence over UDP, said once in the error panel. A datagram goes out without
// complaint to an address where nobody answers, so, unlike a serial port that fails, the silence
// is the only sign that the link does not work. It is said when polls have gone out to the
// address for as long as turns the age red (ten refresh intervals) without a valid reply, and
// said once for each silence: a reply ends it, and so do Stop, a change to the serial link or
// another address. A poll that cannot be sent says so itself; its silence is not said again.

#include "core/clock.h"
#include "link/link_health.h"

#include <cstdint>
#include <optional>
#include <string>

struct TSilenceNotice {
    std::string Message; // always NoReplyMessage: one line in the error panel, counted
    std::string Detail;  // where the polls go and when the last reply came
};

class TUdpSilence {
public:
    static constexpr const char* NoReplyMessage = "No reply from the panel";

    // Ticks come from `clock`, which must outlive this object.
    explicit TUdpSilence(const IClock& clock);

    // At every look at the link: the notice when a silence has just become long enough to say.
    // `target` names where the polls go, as the status bar does ("UDP 192.168.1.100:1501").
    std::optional<TSilenceNotice> Look(const TLinkFacts& facts, const TLinkStatus& status,
                                       const std::string& target);

private:
    const IClock& FClock;
    std::optional<uint32_t> FPollingSince; // polls have gone to FTarget since this tick
    std::string FTarget;
    bool FTold = false; // this silence is said
};
