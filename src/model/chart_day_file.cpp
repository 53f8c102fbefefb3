#include "model/chart_day_file.h"

#include "core/errors.h"
#include "model/data_line.h"
#include "store/report_file.h"
#include "store/report_reader.h"

#include <cerrno>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t StampLength = 19; // "dd.mm.yy hh:mm:ss" and two spaces

bool IsMarker(std::string_view text) {
    for (const char* marker : {ReportStartMarker, ReportEndMarker, DayEndMarker, DayStartMarker}) {
        if (text == marker) {
            return true;
        }
    }
    return false;
}

// Takes the file's lines one by one and gathers the records of each second.
class TDayReader : public ILineSink {
public:
    TChartDayLoad Result;

    TDayReader() { Result.Points = std::make_unique<TChartStore>(); }

    // A last line without its line end is read too: the day's file may still be written.
    void Line(std::string_view line, std::size_t length, bool /*ended*/) override {
        ++FLineNumber;
        if (length > line.size()) {
            Bad(); // far longer than any line the tool writes
            return;
        }
        const std::optional<TDateTime> stamp = ParseReportTimeStamp(line);
        const std::string_view text = stamp ? line.substr(StampLength) : line;
        if (line.empty()) {
            return;
        }
        if (IsMarker(text)) {
            FBreak = true; // the program started or ended: its runs are not joined
            return;
        }
        const std::optional<TMasterBlock> master = stamp ? ParseDataLine(text) : std::nullopt;
        if (!master) {
            Bad();
            return;
        }
        const TChartTime time = ChartTimeOf(*stamp);
        if (time != FSecond) {
            Flush();
            NoteGap(time);
            FSecond = time;
        }
        FPending.push_back({Volts(master->VNet), Volts(master->VBat), Volts(master->VDet)});
    }

    // The records of the second gathered so far, spread evenly over it.
    void Flush() {
        const auto n = static_cast<TChartTime>(FPending.size());
        for (TChartTime k = 0; k < n; ++k) {
            Result.Points->Add(FSecond + k * ChartSecond / n, FPending[static_cast<size_t>(k)]);
        }
        Result.DataLines += FPending.size();
        FPending.clear();
    }

private:
    void Bad() { Result.FirstBadLine = Result.BadLines++ == 0 ? FLineNumber : Result.FirstBadLine; }
    // A new second's records start at `second`: a gap lies before them after a marker, or after
    // a silence longer than three times the step before it (the stamps have whole seconds, so a
    // step is at least one).
    void NoteGap(TChartTime second) {
        const TChartStore& points = *Result.Points;
        if (points.Empty()) {
            FBreak = false;
            return;
        }
        const TChartTime step = second - FSecond;
        const bool silent = FStep > 0 && step > TChartTime{GapSteps} * FStep;
        if (FBreak || silent) {
            Result.Points->Gaps().Add(points.LastTime(), second);
        }
        // The step before is the measure: a poll made slower breaks the lines once only.
        FStep = step;
        FBreak = false;
    }

    static constexpr int GapSteps = 3;

    // As the chart takes a raw value from a status reply.
    static float Volts(uint16_t raw) { return static_cast<float>(raw / 1000.0); }

    std::size_t FLineNumber = 0;
    TChartTime FSecond = 0;
    TChartTime FStep = 0; // the step between the last two seconds; 0 before one
    bool FBreak = false;  // a marker came since the last record
    std::vector<TChartValues> FPending;
};

} // namespace

TChartDayLoad ReadChartDay(std::string_view bytes) {
    TDayReader reader;
    ReadLines(bytes, reader);
    reader.Flush();
    return std::move(reader.Result);
}

TChartDayLoad LoadChartDay(const std::string& path, const std::function<void(double)>& progress,
                           const std::atomic<bool>& stop) {
    TDayReader reader;
    const TFileRead read = ReadFileLines(path, reader, stop, [&](uint64_t done, uint64_t size) {
        if (progress && size > 0) {
            progress(static_cast<double>(done) / static_cast<double>(size));
        }
    });
    if (read.NotRegular) {
        throw EInOutError(EINVAL, path + " (not a regular file)");
    }
    if (read.Error != 0) {
        throw EInOutError(read.Error, path);
    }
    reader.Result.Stopped = read.Stopped;
    reader.Flush();
    return std::move(reader.Result);
}
