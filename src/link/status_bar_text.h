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
    std::string Age;      // "last reply 0.4 s ago", "no reply yet"
    std::string Counters; // "polls 12  replies 11  dropped 0  ignored 0  events 3 copied, 0 waiting
                          // late 1"
};

// The age of a reply in the form a technician reads at a glance: tenths of a second below a
// minute, then minutes and seconds, then hours and minutes.
std::string AgeText(uint32_t ageMs);

// The whole bar. `target` is the transport's destination as the window knows it.
TStatusBarText StatusBarText(bool udp, const std::string& target, const TLinkStatus& status,
                             const TLinkCounters& counters, uint64_t pollsSent,
                             const std::optional<TEventProgress>& events);
