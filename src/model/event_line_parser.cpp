#include "model/event_line_parser.h"

#include "model/event_texts.h"
#include "model/panel_calendar.h"
#include "model/report_note.h"
#include "store/report_file.h"

namespace {

// A cursor over the line that reads the fixed pieces; every read fails once one has failed.
class TLineReader {
public:
    explicit TLineReader(std::string_view line) : FRest(line) {}
    bool Ok() const { return FOk; }
    std::string_view Rest() const { return FRest; }

    void Literal(std::string_view text) {
        if (FOk && FRest.starts_with(text)) {
            FRest.remove_prefix(text.size());
        } else {
            FOk = false;
        }
    }
    // Exactly `count` decimal digits.
    int Digits(int count) {
        int value = 0;
        for (int k = 0; k < count; ++k) {
            if (!FOk || FRest.empty() || FRest[0] < '0' || FRest[0] > '9') {
                FOk = false;
                return 0;
            }
            value = value * 10 + (FRest[0] - '0');
            FRest.remove_prefix(1);
        }
        return value;
    }
    // Exactly `count` upper-case hexadecimal digits, as the tool writes them.
    uint64_t HexDigits(int count) {
        uint64_t value = 0;
        for (int k = 0; k < count; ++k) {
            const int digit = FRest.empty() ? -1 : HexValue(FRest[0]);
            if (!FOk || digit < 0) {
                FOk = false;
                return 0;
            }
            value = value * 16 + static_cast<uint64_t>(digit);
            FRest.remove_prefix(1);
        }
        return value;
    }
    // "hh:mm:ss dd.mm.yyyy"
    TDateTime EventTime() {
        TDateTime t;
        t.Hour = Digits(2);
        Literal(":");
        t.Minute = Digits(2);
        Literal(":");
        t.Second = Digits(2);
        Literal(" ");
        t.Day = Digits(2);
        Literal(".");
        t.Month = Digits(2);
        Literal(".");
        t.Year = Digits(4);
        return t;
    }

private:
    static int HexValue(char c) {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    }
    std::string_view FRest;
    bool FOk = true;
};

bool ValidClock(const TDateTime& t) {
    return t.Hour < 24 && t.Minute < 60 && t.Second < 60 && t.Month >= 1 && t.Month <= 12 &&
           t.Day >= 1 && t.Day <= 31;
}

// The record's index: right-aligned in three characters, wider numbers in full (up to 65535).
bool ReadIndex(std::string_view& rest, uint16_t& index) {
    const std::size_t end = rest.find(';');
    if (end == std::string_view::npos || end < 3 || end > 5) {
        return false;
    }
    std::size_t k = 0;
    while (k < end && rest[k] == ' ') {
        ++k;
    }
    if (k == end || (end > 3 && k > 0)) {
        return false;
    }
    unsigned value = 0;
    for (; k < end; ++k) {
        if (rest[k] < '0' || rest[k] > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(rest[k] - '0');
    }
    if (value > 0xFFFF || (end > 3 && value < 1000)) {
        return false;
    }
    index = static_cast<uint16_t>(value);
    rest.remove_prefix(end);
    return true;
}

TReportLine ParseEvent(std::string_view line) {
    TReportLine r;
    std::string_view rest = line.substr(4);
    if (!ReadIndex(rest, r.Index)) {
        return r;
    }
    TLineReader in(rest);
    in.Literal(";tPC=");
    r.PcTime = in.EventTime();
    in.Literal(";t=");
    const TDateTime panel = in.EventTime();
    in.Literal(";ID=");
    r.Id = in.HexDigits(12);
    in.Literal(";Zar=");
    const auto device = in.HexDigits(1);
    in.Literal(";Sm=");
    const auto loop = in.HexDigits(1);
    in.Literal(";Ud=");
    const auto code = in.HexDigits(2);
    in.Literal(";");
    if (!in.Ok() || !ValidClock(r.PcTime) || code >= EventTextCount ||
        !EncodePanelTime(panel, r.PanelTime)) {
        return r;
    }
    r.Source = static_cast<uint8_t>(device << 4 | loop);
    r.Code = static_cast<uint8_t>(code);
    r.Text = in.Rest();
    r.Kind = TReportLineKind::Event;
    return r;
}

// "HH.MM.SS DD.MM.YYYY ;text"
TReportLine ParseVersion(std::string_view line) {
    TReportLine r;
    TLineReader in(line);
    r.PcTime.Hour = in.Digits(2);
    in.Literal(".");
    r.PcTime.Minute = in.Digits(2);
    in.Literal(".");
    r.PcTime.Second = in.Digits(2);
    in.Literal(" ");
    r.PcTime.Day = in.Digits(2);
    in.Literal(".");
    r.PcTime.Month = in.Digits(2);
    in.Literal(".");
    r.PcTime.Year = in.Digits(4);
    in.Literal(" ;");
    if (in.Ok() && ValidClock(r.PcTime)) {
        r.Kind = TReportLineKind::Version;
        r.Text = in.Rest();
    }
    return r;
}

// "dd.mm.yy hh:mm:ss  " and a marker or a note of the copy.
TReportLine ParseStamped(std::string_view line) {
    TReportLine r;
    TLineReader in(line);
    r.PcTime.Day = in.Digits(2);
    in.Literal(".");
    r.PcTime.Month = in.Digits(2);
    in.Literal(".");
    r.PcTime.Year = 2000 + in.Digits(2);
    in.Literal(" ");
    r.PcTime.Hour = in.Digits(2);
    in.Literal(":");
    r.PcTime.Minute = in.Digits(2);
    in.Literal(":");
    r.PcTime.Second = in.Digits(2);
    if (!in.Ok() || !ValidClock(r.PcTime)) {
        return r;
    }
    const std::string_view rest = in.Rest();
    if (rest.starts_with("  ") &&
        (rest.substr(2) == ReportStartMarker || rest.substr(2) == ReportEndMarker)) {
        r.Kind = TReportLineKind::Marker;
        return r;
    }
    for (std::string_view source : NoteSources) {
        TLineReader note(rest);
        note.Literal("  ");
        note.Literal(source);
        note.Literal(" ID=");
        r.Id = note.HexDigits(12);
        note.Literal(": ");
        if (note.Ok()) {
            r.Kind = TReportLineKind::Note;
            r.Text = note.Rest();
            return r;
        }
    }
    r.Id = 0;
    return r;
}

} // namespace

bool EncodePanelTime(const TDateTime& t, uint32_t& seconds) {
    if (!ValidClock(t) || t.Year < PanelCalendarFirstYear) {
        return false;
    }
    const uint64_t value =
        ((((static_cast<uint64_t>(t.Year - PanelCalendarFirstYear) * 12 + (t.Month - 1)) * 31 +
           (t.Day - 1)) *
              24 +
          t.Hour) *
             60 +
         t.Minute) *
            60 +
        t.Second;
    if (value > UINT32_MAX) {
        return false;
    }
    seconds = static_cast<uint32_t>(value);
    return true;
}

TReportLine ParseReportLine(std::string_view line) {
    TReportLine r;
    if (line.empty()) {
        r.Kind = TReportLineKind::Blank;
        return r;
    }
    if (line == DayEndMarker || line == DayStartMarker) {
        r.Kind = TReportLineKind::Marker;
        return r;
    }
    if (line.starts_with("ind=")) {
        return ParseEvent(line);
    }
    // Both stamps begin with two digits; the third character tells them apart.
    if (line.size() > 2 && line[2] == '.') {
        const TReportLine version = ParseVersion(line);
        return version.Kind == TReportLineKind::Version ? version : ParseStamped(line);
    }
    return r;
}
