// Throws arbitrary event report files at the reading of the event history. For every input:
//   - every line is either an entry, a marker, blank, or listed as unreadable with its number;
//   - an event entry, written again as the tool writes it, reads back as the same entry;
//   - the filter with a text taken from the input and every sort of its rows keep each row once.

#include "core/civil_time.h"
#include "model/event_filter.h"
#include "model/event_history.h"
#include "model/event_record.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TEventHistory history;
    ReadReportBytes(history, bytes, history.AddFile("fuzz.txt"));
    const auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) +
                       (bytes.empty() || bytes.back() == '\n' ? 0 : 1);
    if (history.Entries().size() + history.Unreadable().size() > lines) {
        std::abort();
    }
    for (const TUnreadableLine& line : history.Unreadable()) {
        if (line.Line == 0 || line.Line > lines) {
            std::abort();
        }
    }
    for (const TEventEntry& e : history.Entries()) {
        if (e.Kind != TEntryKind::Event) {
            continue;
        }
        const std::string again = EventLine(
            TEventRecord{e.Index, e.Id, e.Code, e.Source, e.PanelTime}, CivilDateTime(e.PcTime));
        const TReportLine r = ParseReportLine(again);
        if (r.Kind != TReportLineKind::Event || CivilSeconds(r.PcTime) != e.PcTime ||
            r.Index != e.Index || r.Id != e.Id || r.Code != e.Code || r.Source != e.Source ||
            r.PanelTime != e.PanelTime) {
            std::abort();
        }
    }
    TEventFilter filter;
    filter.Text = std::string(bytes.substr(0, std::min<std::size_t>(bytes.size(), 3)));
    std::vector<uint32_t> all = FilterEvents(history, {}).Rows;
    const std::vector<uint32_t> some = FilterEvents(history, filter).Rows;
    if (some.size() > all.size()) {
        std::abort();
    }
    for (int column = 0; column < EventColumnCount; ++column) {
        std::vector<uint32_t> rows = all;
        SortEventRows(history, rows, static_cast<TEventColumn>(column), column % 2 == 0);
        std::sort(rows.begin(), rows.end());
        if (rows != all) {
            std::abort();
        }
    }
    return 0;
}
