#include "link/status_bar_text.h"

#include "core/error_list.h"

#include <cstdio>

std::string AgeText(uint32_t ageMs) {
    char text[32];
    const uint32_t seconds = ageMs / 1000;
    if (seconds < 60) {
        std::snprintf(text, sizeof text, "%u.%u s", seconds, (ageMs % 1000) / 100);
    } else if (seconds < 3600) {
        std::snprintf(text, sizeof text, "%u min %02u s", seconds / 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%u h %02u min", seconds / 3600, seconds / 60 % 60);
    }
    return text;
}

TStatusBarText StatusBarText(bool udp, const std::string& target, const std::string& line,
                             const TLinkStatus& status, const TLinkCounters& counters,
                             uint64_t pollsSent, const std::optional<TEventProgress>& events) {
    TStatusBarText bar;
    bar.TargetShort = target;
    bar.Target = (udp ? "UDP " : "Serial ") + target + (line.empty() ? "" : " " + line);
    bar.State = LinkStateText(status.State);
    if (status.State == TLinkState::Resolving || status.State == TLinkState::LookUpFailed) {
        bar.State += " " + status.ResolvingName;
    }
    if (status.AgeMs && status.LastReply) {
        bar.AgeShort = "last reply " + AgeText(*status.AgeMs) + " ago";
        bar.Age = bar.AgeShort + " (" + ClockText(*status.LastReply) + ")";
    } else {
        bar.AgeShort = bar.Age = "no reply yet";
    }
    const uint64_t dropped = counters.SerialChecksumErrors + counters.ShortReplies;
    bar.Counters = "polls " + std::to_string(pollsSent) + "  replies " +
                   std::to_string(counters.Dispatched) + "  dropped " + std::to_string(dropped) +
                   "  ignored " + std::to_string(counters.DatagramsIgnored);
    if (counters.DatagramsUnsent > 0) {
        bar.Counters += "  unsent " + std::to_string(counters.DatagramsUnsent);
    }
    if (events) {
        bar.Counters += "  events " + std::to_string(events->Copied) + " copied, " +
                        std::to_string(events->Waiting) + " waiting";
    }
    if (counters.UnawaitedReplies > 0) {
        bar.Counters += "  late " + std::to_string(counters.UnawaitedReplies);
    }
    return bar;
}
