#pragma once
// How the link fares, at a glance: the state a technician reads ("polling", "no reply",
// "stopped", "port closed", "device gone", "not found", "no server address", "resolving NAME",
// "look-up failed NAME", "invalid address"),
// the age of the last valid reply with its colour, and whether the values on the status pages
// are old.
//
// The age is green while replies come within two refresh intervals, amber after that, and red
// after ten intervals or at once when the link itself has failed (a poll that cannot be sent, a
// serial port that is closed, not found or whose device is gone, a blank IP field, a host name
// that could not be looked up, an IP field that is no address). Before the
// first reply the age counts from the start of polling and is never green. Before the first
// reply, and while the age is red, the pages' values are stale (greyed); the next valid reply
// makes them fresh again.

#include "core/clock.h"
#include "link/frame_codec.h"
#include "link/link_sources.h"

#include <cstdint>
#include <optional>
#include <string>

enum class TLinkState : uint8_t {
    Polling,
    NoReply,
    Stopped,
    PortClosed,
    DeviceGone,
    NotFound,       // the serial port's path has led nowhere since start-up or "Init"
    NoAddress,      // UDP chosen with a blank IP field
    Resolving,      // UDP chosen, the IP field's host name being looked up
    LookUpFailed,   // UDP chosen, the IP field's host name could not be looked up
    InvalidAddress, // UDP chosen, the IP field is neither a dotted quad nor a host name
};
enum class TAgeColour : uint8_t { Green, Amber, Red };

// The serial port as the health sees it (the port's watch knows it).
enum class TSerialState : uint8_t { Open, Stopped, Closed, Gone, NotFound };

// The texts of the states, as the status bar shows them ("resolving" without its name).
std::string LinkStateText(TLinkState state);

// True for the states in which no reply can come (stopped, the port or device away, no
// address to send to): the chart's lines break there.
bool LinkBroken(TLinkState state);

// What the health is told about the link at the moment of a look.
struct TLinkFacts {
    bool Udp = false;         // frames go over UDP now
    bool Polling = false;     // the poll timer runs
    bool SendFailing = false; // the last poll could not be sent
    TSerialState Serial = TSerialState::Open;
    uint32_t RefreshMs = 1000; // the refresh interval in force
    TUdpAddressState UdpAddress = TUdpAddressState::Known;
    std::string ResolvingName; // the IP field's host name, while Resolving or LookUpFailed
};

struct TLinkStatus {
    TLinkState State = TLinkState::Stopped;
    TAgeColour Colour = TAgeColour::Amber;
    std::optional<uint32_t> AgeMs;      // since the last valid reply; empty before the first
    std::optional<TDateTime> LastReply; // the PC's time of the last valid reply
    bool Stale = false; // the pages show no reply's values, or older ones than the age allows
    std::string ResolvingName; // the host name looked up, in Resolving and LookUpFailed
};

class TLinkHealth : public IFrameObserver {
public:
    // Intervals after which the age turns amber and red.
    static constexpr uint32_t AmberIntervals = 2;
    static constexpr uint32_t RedIntervals = 10;

    // Ticks and times come from `clock`, which must outlive the health.
    explicit TLinkHealth(const IClock& clock);

    // Counts polls sent and notes the time of every reply handed to its decoder.
    void FrameSeen(const TFrameEvent& frame) override;

    // The link's status now. The first look with polling on starts the count before a reply.
    TLinkStatus Look(const TLinkFacts& facts);

    // Status requests that went out since the start.
    uint64_t PollsSent() const { return FPollsSent; }

private:
    TAgeColour Colour(const TLinkFacts& facts, bool failed, uint32_t age) const;

    const IClock& FClock;
    uint64_t FPollsSent = 0;
    std::optional<uint32_t> FLastReplyTick;
    std::optional<TDateTime> FLastReplyTime;
    std::optional<uint32_t> FPollStartTick;
};
