#include "model/event_csv.h"

#include "core/civil_time.h"
#include "model/event_categories.h"
#include "model/event_record.h"
#include "model/panel_calendar.h"
#include "model/status_record.h"

#include <cstdio>

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string field = "\"";
    for (char c : text) {
        field += c;
        if (c == '"') {
            field += '"';
        }
    }
    return field + '"';
}

std::vector<std::string> EventCells(const TEventHistory& history, const TEventEntry& entry) {
    const std::string pcTime = EventTimeText(CivilDateTime(entry.PcTime));
    const std::string& text = history.Text(entry.Text);
    switch (entry.Kind) {
    case TEntryKind::Version:
        return {pcTime, pcTime, "", "", "", "", text};
    case TEntryKind::Note:
        return {pcTime, pcTime, DeviceIdText(entry.Id), "", "", "", text};
    case TEntryKind::Event:
        break;
    }
    char device[4], loop[4], code[4];
    std::snprintf(device, sizeof device, "%X", entry.Source >> 4);
    std::snprintf(loop, sizeof loop, "%X", entry.Source & 0x0F);
    std::snprintf(code, sizeof code, "%02X", entry.Code);
    return {pcTime,
            EventTimeText(DecodePanelTime(entry.PanelTime)),
            DeviceIdText(entry.Id),
            device,
            loop,
            code,
            text};
}

void WriteEventCsv(std::ostream& out, const TEventHistory& history,
                   const std::vector<uint32_t>& rows, const TTextDecoder& decode) {
    out << "PC time,Panel time,ID,Zar,Sm,Code,Category,Text\r\n";
    for (uint32_t row : rows) {
        const TEventEntry& entry = history.Entries()[row];
        const std::vector<std::string> cells = EventCells(history, entry);
        for (std::size_t k = 0; k + 1 < cells.size(); ++k) {
            out << CsvField(cells[k]) << ',';
        }
        const char* category = entry.Kind == TEntryKind::Event
                                   ? EventCategoryName(EventCategory(entry.Code))
                                   : (entry.Kind == TEntryKind::Version ? "Version" : "Note");
        out << CsvField(category) << ',' << CsvField(decode(cells.back())) << "\r\n";
    }
}
