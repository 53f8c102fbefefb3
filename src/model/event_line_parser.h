#pragma once
// Reading the event report file back: each line as the tool wrote it (see EventLine in
// event_record.h, VersionStamp in version_decoder.h, the notes in report_note.h
// and the markers in report_file.h). The parser is strict about the parts the tool always
// writes the same way (widths, separators, digits) and takes the texts as bytes, as they are.

#include "core/clock.h"

#include <cstdint>
#include <string_view>

enum class TReportLineKind : uint8_t {
    Event,     // "ind=  5;tPC=...;t=...;ID=...;Zar=1;Sm=2;Ud=08;text"
    Version,   // "14.03.22 05.12.2010 ;V2.10"
    Note,      // "05.12.10 14:03:22  event copy ID=060504030201: text" (report_note.h)
    Marker,    // the run's start and end markers (stamped) and the day markers (not stamped)
    Blank,     // an empty line: holds nothing
    Unreadable // anything else, a line cut short among them
};

struct TReportLine {
    TReportLineKind Kind = TReportLineKind::Unreadable;
    TDateTime PcTime;       // event: "tPC"; version and note: their stamp; else unset
    uint32_t PanelTime = 0; // event only: the event time in the panel calendar
    uint16_t Index = 0;     // event only
    uint8_t Source = 0;     // event only: high nibble "Zar", low nibble "Sm"
    uint8_t Code = 0;       // event only: 0 to 45
    uint64_t Id = 0;        // event and note: the device ID; else 0
    std::string_view Text;  // event: after "Ud=..;"; version: after " ;"; note: after "ID=...: "
};

// Parses one line without its line end. The text view points into `line`.
TReportLine ParseReportLine(std::string_view line);

// The panel calendar's seconds of a date and time given field by field, as the event lines show
// them; false when a field is out of the calendar (years 2000 to 2133, up to 2133-08-18
// 06:28:15, months 1 to 12, days 1 to 31).
bool EncodePanelTime(const TDateTime& time, uint32_t& seconds);
