#pragma once
// What the status bar learns from parts that live elsewhere: where UDP frames go, and how far
// the event log copy has come. Each is a small interface so the status bar needs neither the
// UDP worker nor the event bookkeeping to be built.

#include <cstdint>
#include <optional>
#include <string>

// Whether the UDP link knows where to send: the IP field may be blank, or hold a host name
// whose address is being looked up.
// A text that is no address at all is Invalid; a host name whose look-up failed LookUpFailed.
enum class TUdpAddressState : uint8_t { Known, Missing, Resolving, Invalid, LookUpFailed };

// The destination of the UDP link ("192.168.1.100:1501").
class IUdpTarget {
public:
    virtual ~IUdpTarget() = default;
    virtual std::string UdpTargetText() const = 0;
    // The state of the destination; while Resolving, `name` is the host name looked up.
    virtual TUdpAddressState UdpAddressState(std::string& name) const = 0;
};

// The copy of the panel's event log since the start.
struct TEventProgress {
    uint64_t Copied = 0;  // records written to the event report
    uint32_t Waiting = 0; // the panel's end index minus the stored index, around the ring
};

class IEventProgressSource {
public:
    virtual ~IEventProgressSource() = default;
    // Empty while no installation is selected (before the first status reply).
    virtual std::optional<TEventProgress> EventProgress() const = 0;
};
