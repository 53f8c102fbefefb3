#pragma once
// The texts of the window's status bar, made from the link's status and counters, so that the
// window only places them.

#include "link/frame_codec.h"
#include "link/link_health.h"
#include "link/link_sources.h"

#include <optional>
#include <string>

struct TStatusBarText {
    std::string Target;   // "Serial /dev/ttyUSB0 115200 8N1" or "UDP 192.168.1.100:1501"
    std::string State;    // "polling", "no reply", ...
    std::string Age;      // "last reply 0.4 s ago (12:00:01)", "no reply yet"
    std::string Counters; // "polls 12  replies 11  dropped 0  ignored 0  events 3 copied, 0 waiting
                          // late 1"
    // The shorter forms a narrow bar shows instead: the port or address alone, the age without
    // the time of day. The counters give way from their start, so the events still waiting, at
    // their end, stay in sight.
    std::string TargetShort; // "/dev/ttyUSB0" or "192.168.1.100:1501"
    std::string AgeShort;    // "last reply 0.4 s ago", "no reply yet"
};

// The age of a reply in the form a technician reads at a glance: tenths of a second below a
// minute, then minutes and seconds, then hours and minutes.
std::string AgeText(uint32_t ageMs);

// The whole bar. `target` is the transport's destination as the window knows it (the serial
// port's device path or the UDP address), `line` the serial line's settings ("115200 8N1").
TStatusBarText StatusBarText(bool udp, const std::string& target, const std::string& line,
                             const TLinkStatus& status, const TLinkCounters& counters,
                             uint64_t pollsSent, const std::optional<TEventProgress>& events);
