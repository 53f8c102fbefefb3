#pragma once
// The failures the window shows, as a list that never blocks anybody: each distinct message is
// listed once, with the time it last came, when it first came and how often, newest first, until
// the user dismisses it. A message that comes again moves to the top and counts up.

#include "core/clock.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TErrorEntry {
    std::string Message; // the failure's own text, exactly as raised
    std::string Detail;  // what the system said and where, from the latest occurrence
    TDateTime First;
    TDateTime Last;
    uint32_t Count = 1;
};

class TErrorList {
public:
    // The most messages listed; beyond it the oldest goes, so a run of many different failures
    // cannot grow the list without end.
    static constexpr std::size_t MaxEntries = 50;

    // Notes one occurrence at `when`. True when the message was not on the list.
    bool Add(const std::string& message, const std::string& detail, const TDateTime& when);
    // Removes a message; the next occurrence is listed as new. Unknown messages are ignored.
    void Dismiss(const std::string& message);
    void DismissAll() { FEntries.clear(); }

    // Newest (last occurred) first.
    const std::vector<TErrorEntry>& Entries() const { return FEntries; }
    bool Empty() const { return FEntries.empty(); }

private:
    std::vector<TErrorEntry> FEntries;
};

// "hh:mm:ss" of a time, for the list's lines.
std::string ClockText(const TDateTime& time);
