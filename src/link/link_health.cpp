#include "link/link_health.h"

#include "link/commands.h"

std::string LinkStateText(TLinkState state) {
    switch (state) {
    case TLinkState::Polling:
        return "polling";
    case TLinkState::NoReply:
        return "no reply";
    case TLinkState::Stopped:
        return "stopped";
    case TLinkState::PortClosed:
        return "port closed";
    case TLinkState::DeviceGone:
        return "device gone";
    case TLinkState::NotFound:
        return "not found";
    case TLinkState::NoAddress:
        return "no server address";
    case TLinkState::Resolving:
        return "resolving";
    case TLinkState::LookUpFailed:
        return "look-up failed";
    case TLinkState::InvalidAddress:
        return "invalid address";
    }
    return "stopped";
}

bool LinkBroken(TLinkState state) {
    return state != TLinkState::Polling && state != TLinkState::NoReply &&
           state != TLinkState::Resolving;
}

TLinkHealth::TLinkHealth(const IClock& clock) : FClock(clock) {}

void TLinkHealth::FrameSeen(const TFrameEvent& frame) {
    if (frame.Way == TFrameWay::Sent) {
        if (frame.Fate == TFrameFate::Sent && frame.Letter == Command::Status) {
            ++FPollsSent;
        }
        return;
    }
    if (frame.Fate == TFrameFate::Decoded) {
        FLastReplyTick = FClock.TickCount();
        FLastReplyTime = FClock.Now();
    }
}

TLinkStatus TLinkHealth::Look(const TLinkFacts& facts) {
    const uint32_t now = FClock.TickCount();
    if (!facts.Polling) {
        FPollStartTick.reset();
    } else if (!FPollStartTick) {
        FPollStartTick = now;
    }
    TLinkStatus status;
    status.LastReply = FLastReplyTime;
    // Tick differences are taken modulo 2^32, so the age stays right when the counter wraps.
    if (FLastReplyTick) {
        status.AgeMs = now - *FLastReplyTick;
    }
    const uint32_t age =
        status.AgeMs ? *status.AgeMs : (FPollStartTick ? now - *FPollStartTick : 0);
    const bool serialDown = !facts.Udp && facts.Serial != TSerialState::Open;
    const bool noAddress = facts.Udp && facts.UdpAddress == TUdpAddressState::Missing;
    const bool resolving = facts.Udp && facts.UdpAddress == TUdpAddressState::Resolving;
    const bool lookUpFailed = facts.Udp && facts.UdpAddress == TUdpAddressState::LookUpFailed;
    const bool invalid = facts.Udp && facts.UdpAddress == TUdpAddressState::Invalid;
    const bool failed = serialDown || noAddress || lookUpFailed || invalid || facts.SendFailing;
    status.Colour = Colour(facts, failed, age);
    const bool replying = status.AgeMs && status.Colour == TAgeColour::Green;

    if (!facts.Polling || (serialDown && facts.Serial == TSerialState::Stopped)) {
        status.State = TLinkState::Stopped;
    } else if (serialDown) {
        status.State = facts.Serial == TSerialState::Gone       ? TLinkState::DeviceGone
                       : facts.Serial == TSerialState::NotFound ? TLinkState::NotFound
                                                                : TLinkState::PortClosed;
    } else if (noAddress) {
        status.State = TLinkState::NoAddress;
    } else if (invalid) {
        status.State = TLinkState::InvalidAddress;
    } else if (resolving || lookUpFailed) {
        status.State = resolving ? TLinkState::Resolving : TLinkState::LookUpFailed;
        status.ResolvingName = facts.ResolvingName;
    } else {
        status.State = replying ? TLinkState::Polling : TLinkState::NoReply;
    }
    // Before the first reply the pages show no value of the panel's at all: never as if live.
    status.Stale = !status.AgeMs.has_value() || status.Colour == TAgeColour::Red;
    return status;
}

TAgeColour TLinkHealth::Colour(const TLinkFacts& facts, bool failed, uint32_t age) const {
    const uint64_t interval = facts.RefreshMs == 0 ? 1 : facts.RefreshMs;
    if (failed || age > RedIntervals * interval) {
        return TAgeColour::Red;
    }
    if (!FLastReplyTick || age > AmberIntervals * interval) {
        return TAgeColour::Amber;
    }
    return TAgeColour::Green;
}
