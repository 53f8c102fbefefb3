#pragma once
// What the "Events" page shows of the history: the entries that pass the filters, counted per
// event code, in the order of the column chosen.
//
// The time of an entry, for the time range and the panel time's column, is its event time
// (what happened, by the panel's clock) for an event and its PC time for a version or note line,
// which have no other. Version and note lines belong to no category and no device: a filter on
// either leaves them out; a filter on the ID keeps the notes of that installation's copy, and
// with its slaves the events of the whole installation.

#include "model/event_categories.h"
#include "model/event_history.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

struct TEventFilter {
    std::optional<uint64_t> Id;    // an installation's master (or a unit's own ID)
    std::vector<uint64_t> Slaves;  // with Id: the installation's slaves, whose events belong too
    std::optional<uint8_t> Device; // "Zar", 0 to 15
    std::optional<TEventCategory> Category;
    int64_t From = std::numeric_limits<int64_t>::min(); // civil seconds, included
    int64_t To = std::numeric_limits<int64_t>::max();   // civil seconds, excluded
    std::string Text; // bytes of the text; ASCII letters match either case; empty: every text
    bool operator==(const TEventFilter&) const = default;
};

struct TFilteredEvents {
    std::vector<uint32_t> Rows; // indices into the history's entries
    std::array<uint32_t, EventTextCount> CodeCounts{};
    uint32_t Versions = 0;
    uint32_t Notes = 0;
};

// The entry's time as described above, in civil seconds.
int64_t EntryTime(const TEventEntry& entry);

// Whether the text holds the search text, ASCII letters compared without case.
bool TextContains(const std::string& text, const std::string& search);

// The entries that pass, in the history's order, with their counts.
TFilteredEvents FilterEvents(const TEventHistory& history, const TEventFilter& filter);

// Whether one entry passes (for a line added while the page shows a filtered set).
bool PassesFilter(const TEventHistory& history, const TEventEntry& entry,
                  const TEventFilter& filter);

enum class TEventColumn { PcTime, PanelTime, Id, Device, Loop, Code, Category, Text };
constexpr int EventColumnCount = 8;

// Sorts rows by the column; equal keys keep the history's order (reversed when descending), so
// the default, PC time descending, is "newest first" even within one second.
void SortEventRows(const TEventHistory& history, std::vector<uint32_t>& rows, TEventColumn column,
                   bool ascending);

// The time ranges of the filter, ending at the end of today: today, the last 7 and 30 days.
enum class TTimeRange { All, Today, Days7, Days30 };
void SetTimeRange(TEventFilter& filter, TTimeRange range, const TDateTime& now);
