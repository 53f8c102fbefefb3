// Throws arbitrary bytes at the reading of a day's data report file for the chart.
//
// For every input:
//   - as one line: a text that reads as a data line writes back as a line that reads back to the
//     same fields; a time stamp read is a valid time;
//   - as a file: reading it never fails; every line is a data line, a marker, an empty line or
//     counted as bad; the records come out in time order.

#include "model/chart_day_file.h"
#include "model/data_line.h"
#include "store/report_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckLine(std::string_view line) {
    if (const std::optional<TMasterBlock> m = ParseDataLine(line)) {
        const std::optional<TMasterBlock> again = ParseDataLine(DataLineText(*m));
        Require(again && DataLineText(*again) == DataLineText(*m));
    }
    if (const std::optional<TDateTime> t = ParseReportTimeStamp(line)) {
        Require(ReportTimeStamp(*t) == line.substr(0, 17));
    }
}

// The day's file read from memory, as the chart's reader reads the file's blocks.
void CheckFile(const uint8_t* data, size_t size) {
    const TChartDayLoad load =
        ReadChartDay(std::string_view(reinterpret_cast<const char*>(data), size));
    Require(load.Points->Count() == load.DataLines);
    Require((load.BadLines == 0) == (load.FirstBadLine == 0));
    TChartTime previous = 0;
    bool first = true;
    load.Points->ForEach(INT64_MIN, INT64_MAX, [&](const TChartRecord& r) {
        Require(first || r.Time >= previous);
        previous = r.Time;
        first = false;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckLine(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckFile(data, size);
    return 0;
}
