#include "link/udp_silence.h"

#include "core/error_list.h"

#include <algorithm>

TUdpSilence::TUdpSilence(const IClock& clock) : FClock(clock) {}

std::optional<TSilenceNotice> TUdpSilence::Look(const TLinkFacts& facts, const TLinkStatus& status,
                                                const std::string& target) {
    const uint32_t now = FClock.TickCount();
    const bool polling =
        facts.Udp && (status.State == TLinkState::NoReply || status.State == TLinkState::Polling);
    if (!polling || target != FTarget) {
        FPollingSince.reset();
        FTold = false;
        FTarget = target;
    }
    if (!polling) {
        return std::nullopt;
    }
    if (!FPollingSince) {
        FPollingSince = now;
    }
    if (status.State == TLinkState::Polling) {
        FTold = false; // the panel answers: its next silence is a new one
        return std::nullopt;
    }
    // Tick differences are taken modulo 2^32, as the health takes them.
    const uint32_t polled = now - *FPollingSince;
    const uint32_t silence = status.AgeMs ? std::min(*status.AgeMs, polled) : polled;
    const uint64_t limit =
        uint64_t(TLinkHealth::RedIntervals) * (facts.RefreshMs == 0 ? 1 : facts.RefreshMs);
    if (FTold || facts.SendFailing || silence <= limit) {
        return std::nullopt;
    }
    FTold = true;
    return TSilenceNotice{NoReplyMessage,
                          target + (status.LastReply
                                        ? ", last reply at " + ClockText(*status.LastReply)
                                        : ", no reply yet")};
}
