#include "model/chart_day_file.h"

#include "core/errors.h"
#include "model/data_line.h"
#include "store/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t ReadBlock = 1 << 20;
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
class TDayReader {
public:
    TChartDayLoad Result;

    TDayReader() { Result.Points = std::make_unique<TChartStore>(); }

    void Line(std::string_view line) {
        ++FLineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
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
            Result.FirstBadLine = Result.BadLines++ == 0 ? FLineNumber : Result.FirstBadLine;
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

TChartDayLoad LoadChartDay(const std::string& path, const std::function<void(double)>& progress,
                           const std::atomic<bool>& stop) {
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        throw EInOutError(errno, path);
    }
    struct stat status {};
    const double size = ::fstat(file, &status) == 0 ? static_cast<double>(status.st_size) : 0;
    TDayReader reader;
    std::vector<char> buffer(ReadBlock);
    std::string carried; // the start of a line cut by the end of a block
    double done = 0;
    while (!(reader.Result.Stopped = stop.load(std::memory_order_relaxed))) {
        const ssize_t n = ::read(file, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int error = errno;
            ::close(file);
            throw EInOutError(error, path);
        }
        if (n == 0) {
            break;
        }
        std::string_view block(buffer.data(), static_cast<std::size_t>(n));
        for (std::size_t end; (end = block.find('\n')) != std::string_view::npos;) {
            if (carried.empty()) {
                reader.Line(block.substr(0, end));
            } else {
                carried.append(block.substr(0, end));
                reader.Line(carried);
                carried.clear();
            }
            block.remove_prefix(end + 1);
        }
        carried.append(block);
        done += static_cast<double>(n);
        if (progress && size > 0) {
            progress(std::min(1.0, done / size));
        }
    }
    ::close(file);
    if (!carried.empty() && !reader.Result.Stopped) {
        reader.Line(carried); // the last line, without its line end (a file still written)
    }
    reader.Flush();
    return std::move(reader.Result);
}
