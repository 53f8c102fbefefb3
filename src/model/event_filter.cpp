#include "model/event_filter.h"

#include "core/civil_time.h"
#include "model/panel_calendar.h"

#include <algorithm>
#include <functional>
#include <numeric>

namespace {

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Per text of the history: whether it holds the search text. Texts repeat, so each is looked at
// once however many entries share it.
std::vector<bool> MatchingTexts(const TEventHistory& history, const std::string& search) {
    std::vector<bool> matching(history.TextCount(), true);
    if (!search.empty()) {
        for (uint32_t k = 0; k < matching.size(); ++k) {
            matching[k] = TextContains(history.Text(k), search);
        }
    }
    return matching;
}

bool PassesFields(const TEventEntry& entry, const TEventFilter& filter) {
    if (filter.Id && entry.Id != *filter.Id &&
        std::find(filter.Slaves.begin(), filter.Slaves.end(), entry.Id) == filter.Slaves.end()) {
        return false;
    }
    const bool event = entry.Kind == TEntryKind::Event;
    if (filter.Device && (!event || entry.Source >> 4 != *filter.Device)) {
        return false;
    }
    if (filter.Category && (!event || EventCategory(entry.Code) != *filter.Category)) {
        return false;
    }
    const int64_t time = EntryTime(entry);
    return time >= filter.From && time < filter.To;
}

} // namespace

int64_t EntryTime(const TEventEntry& entry) {
    return entry.Kind == TEntryKind::Event ? CivilSeconds(DecodePanelTime(entry.PanelTime))
                                           : entry.PcTime;
}

bool TextContains(const std::string& text, const std::string& search) {
    const auto found = std::search(text.begin(), text.end(), search.begin(), search.end(),
                                   [](char a, char b) { return FoldCase(a) == FoldCase(b); });
    return found != text.end() || search.empty();
}

bool PassesFilter(const TEventHistory& history, const TEventEntry& entry,
                  const TEventFilter& filter) {
    return PassesFields(entry, filter) &&
           (filter.Text.empty() || TextContains(history.Text(entry.Text), filter.Text));
}

TFilteredEvents FilterEvents(const TEventHistory& history, const TEventFilter& filter) {
    const std::vector<bool> texts = MatchingTexts(history, filter.Text);
    TFilteredEvents result;
    const std::vector<TEventEntry>& entries = history.Entries();
    for (uint32_t k = 0; k < entries.size(); ++k) {
        const TEventEntry& entry = entries[k];
        if (!texts[entry.Text] || !PassesFields(entry, filter)) {
            continue;
        }
        result.Rows.push_back(k);
        switch (entry.Kind) {
        case TEntryKind::Event:
            ++result.CodeCounts[entry.Code];
            break;
        case TEntryKind::Version:
            ++result.Versions;
            break;
        case TEntryKind::Note:
            ++result.Notes;
            break;
        }
    }
    return result;
}

namespace {

// Sorts by a key of each row, ties by the row's position, all in the one direction. Each key is
// worked out once, not at every comparison.
template <typename Key> void SortBy(std::vector<uint32_t>& rows, bool ascending, Key key) {
    using TKeyed = std::pair<decltype(key(0u)), uint32_t>;
    std::vector<TKeyed> keyed;
    keyed.reserve(rows.size());
    for (uint32_t row : rows) {
        keyed.emplace_back(key(row), row);
    }
    if (ascending) {
        std::sort(keyed.begin(), keyed.end());
    } else {
        std::sort(keyed.begin(), keyed.end(), std::greater<TKeyed>());
    }
    for (std::size_t k = 0; k < rows.size(); ++k) {
        rows[k] = keyed[k].second;
    }
}

// The rank of each text in byte order, so that rows compare by two numbers.
std::vector<uint32_t> TextRanks(const TEventHistory& history) {
    std::vector<uint32_t> order(history.TextCount());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](uint32_t a, uint32_t b) { return history.Text(a) < history.Text(b); });
    std::vector<uint32_t> ranks(order.size());
    for (uint32_t k = 0; k < order.size(); ++k) {
        ranks[order[k]] = k;
    }
    return ranks;
}

} // namespace

void SortEventRows(const TEventHistory& history, std::vector<uint32_t>& rows, TEventColumn column,
                   bool ascending) {
    const std::vector<TEventEntry>& e = history.Entries();
    switch (column) {
    case TEventColumn::PcTime:
        SortBy(rows, ascending, [&](uint32_t r) { return e[r].PcTime; });
        break;
    case TEventColumn::PanelTime:
        SortBy(rows, ascending, [&](uint32_t r) { return EntryTime(e[r]); });
        break;
    case TEventColumn::Id:
        SortBy(rows, ascending, [&](uint32_t r) { return e[r].Id; });
        break;
    case TEventColumn::Device:
        SortBy(rows, ascending, [&](uint32_t r) { return e[r].Source >> 4; });
        break;
    case TEventColumn::Loop:
        SortBy(rows, ascending, [&](uint32_t r) { return e[r].Source & 0x0F; });
        break;
    case TEventColumn::Code:
        SortBy(rows, ascending, [&](uint32_t r) { return e[r].Code; });
        break;
    case TEventColumn::Category: // version and note lines, of no category, after the last
        SortBy(rows, ascending, [&](uint32_t r) {
            return e[r].Kind == TEntryKind::Event ? static_cast<int>(EventCategory(e[r].Code))
                                                  : EventCategoryCount;
        });
        break;
    case TEventColumn::Text: {
        const std::vector<uint32_t> ranks = TextRanks(history);
        SortBy(rows, ascending, [&](uint32_t r) { return ranks[e[r].Text]; });
        break;
    }
    }
}

void SetTimeRange(TEventFilter& filter, TTimeRange range, const TDateTime& now) {
    const int64_t tomorrow = (CivilDays(now.Year, now.Month, now.Day) + 1) * 86400;
    static constexpr int Days[] = {0, 1, 7, 30};
    const int days = Days[static_cast<int>(range)];
    filter.From = days == 0 ? std::numeric_limits<int64_t>::min() : tomorrow - days * 86400LL;
    filter.To = days == 0 ? std::numeric_limits<int64_t>::max() : tomorrow;
}
