#include "store/report_file.h"

#include "core/errors.h"
#include "store/atomic_file.h"
#include "store/disk_calls.h"
#include "store/folder_owner.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const LineEnd = "\r\n";

// Runs both steps even when the first raises, then raises the first error.
void RunBoth(const std::function<void()>& first, const std::function<void()>& second) {
    std::exception_ptr failure;
    try {
        first();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        second();
    } catch (...) {
        if (!failure) {
            failure = std::current_exception();
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace

std::string ReportTimeStamp(const TDateTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%02d %02d:%02d:%02d", time.Day % 100,
                  time.Month % 100, time.Year % 100, time.Hour % 100, time.Minute % 100,
                  time.Second % 100);
    return text;
}

std::optional<TDateTime> ParseReportTimeStamp(std::string_view line) {
    // "dd.mm.yy hh:mm:ss  ": two digits at these places, the separators between them.
    static constexpr std::string_view Pattern = "00.00.00 00:00:00  ";
    if (line.size() < Pattern.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < Pattern.size(); ++i) {
        const bool digit = line[i] >= '0' && line[i] <= '9';
        if (Pattern[i] == '0' ? !digit : line[i] != Pattern[i]) {
            return std::nullopt;
        }
    }
    const auto two = [&](std::size_t at) { return (line[at] - '0') * 10 + (line[at + 1] - '0'); };
    const TDateTime t{2000 + two(6), two(3), two(0), two(9), two(12), two(15), 0};
    if (t.Month < 1 || t.Month > 12 || t.Day < 1 || t.Day > 31 || t.Hour > 23 || t.Minute > 59 ||
        t.Second > 59) {
        return std::nullopt;
    }
    return t;
}

std::string ReportDateText(const TDateTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d", time.Year % 10000, time.Month % 100,
                  time.Day % 100);
    return text;
}

TReportFile::TReportFile(const TReportKind& kind, std::string baseDirectory, const IClock& clock)
    : FKind(kind), FBaseDirectory(std::move(baseDirectory)), FClock(clock) {}

namespace {

// True when the file's last byte is not a line feed (an empty file ends no line).
bool EndsMidLine(const std::string& path) {
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return false;
    }
    struct stat status {};
    char last = '\n';
    if (::fstat(file, &status) == 0 && status.st_size > 0 &&
        ::pread(file, &last, 1, status.st_size - 1) != 1) {
        last = '\n';
    }
    ::close(file);
    return last != '\n';
}

} // namespace

TReportFile::~TReportFile() {
    if (FHandle >= 0) {
        ::close(FHandle);
    }
}

void TReportFile::OpenReport() {
    OpenAt(FClock.Now());
}

void TReportFile::OpenAt(const TDateTime& now) {
    if (FHandle >= 0) {
        ::close(FHandle); // opened twice: the older handle must not leak
    }
    const std::string directory = FBaseDirectory + "/" + FKind.DirectoryName;
    // A directory that cannot be made shows as the open failing just below.
    const bool madeDirectory = ::mkdir(directory.c_str(), 0777) == 0;
    const std::string fileName = directory + FKind.FilePrefix + ReportDateText(now) + ".txt";
    FReportFileName = fileName;
    // Append mode: a second run on one day, or a clock set back, continues the file at its end.
    // No lock is taken, so a viewer may read the report meanwhile.
    const int flags = O_WRONLY | O_APPEND | O_CLOEXEC;
    FHandle = ::open(FReportFileName.c_str(), flags | O_CREAT | O_EXCL, 0666);
    const bool madeFile = FHandle >= 0;
    if (!madeFile && errno == EEXIST) {
        FHandle = ::open(FReportFileName.c_str(), flags | O_CREAT, 0666);
    }
    FOpenError = FHandle < 0 ? errno : 0;
    if (madeDirectory) {
        KeepFolderOwner(directory);
    }
    if (madeFile) {
        KeepFolderOwner(FReportFileName, FHandle);
    }
    // A file continued after a power cut may end in half a line: the next line starts on its
    // own, never glued to the torn one.
    FLineBroken = FHandle >= 0 && !madeFile && EndsMidLine(FReportFileName);
    if (FKind.ForceToDisk && FHandle >= 0) {
        // The lines reach the disk with the file, but a new file (or directory) is only found
        // after a power cut once its entry is on the disk too. A flush that fails here is tried
        // again before the next line, which is refused with the error while it still fails.
        if (madeDirectory) {
            FlushDirectoryLater(FBaseDirectory.empty() ? "/" : FBaseDirectory);
        }
        if (madeFile) {
            FlushDirectoryLater(directory);
        }
    }
    FReportOpened = FHandle >= 0;
    FReportDay = now;
    FDayKnown = true;
}

void TReportFile::FlushDirectoryLater(const std::string& directory) {
    if (!FlushDirectory(directory)) {
        FUnflushedDirectories.push_back(directory);
    }
}

void TReportFile::FlushDirectoriesOrRaise() {
    while (!FUnflushedDirectories.empty()) {
        if (!FlushDirectory(FUnflushedDirectories.front())) {
            throw EInOutError(errno, FUnflushedDirectories.front());
        }
        FUnflushedDirectories.erase(FUnflushedDirectories.begin());
    }
}

void TReportFile::WriteReportLine(const std::string& text) {
    WriteLineAt(FClock.Now(), text);
}

void TReportFile::WriteStampedLine(const std::string& text) {
    const TDateTime now = FClock.Now();
    WriteLineAt(now, ReportTimeStamp(now) + "  " + text);
}

void TReportFile::StartReport() {
    const TDateTime now = FClock.Now();
    OpenAt(now);
    FPending = TPendingMarker::RunStart;
    if (FReportOpened) {
        WritePendingMarker(now);
    }
}

void TReportFile::FinishReport() {
    if (!FReportOpened) {
        FPending = TPendingMarker::None;
        return;
    }
    const TDateTime now = FClock.Now();
    // Every failure on the way closes the file before it is raised.
    WriteLineAt(now, ReportTimeStamp(now) + "  " + ReportEndMarker);
    FPending = TPendingMarker::None;
    CloseFile();
}

void TReportFile::WriteLineAt(const TDateTime& now, const std::string& text) {
    if (FDayKnown && !now.SameDate(FReportDay)) {
        ChangeDay(now);
    } else if (!FReportOpened) {
        ReopenOrRaise(now);
    }
    FlushDirectoriesOrRaise();
    WritePendingMarker(now);
    WriteRaw(text + LineEnd);
}

void TReportFile::ChangeDay(const TDateTime& now) {
    if (FReportOpened) {
        WriteRaw(std::string(DayEndMarker) + LineEnd);
        CloseFile();
    }
    // A run whose start marker never reached a file keeps that marker pending instead.
    if (FPending == TPendingMarker::None) {
        FPending = TPendingMarker::DayStart;
    }
    ReopenOrRaise(now);
}

void TReportFile::ReopenOrRaise(const TDateTime& now) {
    OpenAt(now);
    if (!FReportOpened) {
        throw EInOutError(FOpenError, FReportFileName);
    }
}

void TReportFile::WritePendingMarker(const TDateTime& now) {
    switch (FPending) {
    case TPendingMarker::None:
        return;
    case TPendingMarker::RunStart:
        WriteRaw(ReportTimeStamp(now) + "  " + ReportStartMarker + LineEnd);
        break;
    case TPendingMarker::DayStart:
        WriteRaw(std::string(DayStartMarker) + LineEnd);
        break;
    }
    FPending = TPendingMarker::None; // only once the marker is written
}

void TReportFile::WriteRaw(const std::string& text) {
    // A line that an earlier write left half written is ended first, so that this one stands on
    // a line of its own.
    const std::string line = FLineBroken ? LineEnd + text : text;
    // One write per line, so the line is with the operating system when this returns.
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t written = DiskCalls().Write(FHandle, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written > 0) {
            FLineBroken = line[done + size_t(written) - 1] != '\n';
        }
        if (written <= 0) {
            const int error = written < 0 ? errno : EIO;
            DropFile();
            throw EInOutError(error, FReportFileName);
        }
        done += static_cast<size_t>(written);
    }
    if (FKind.ForceToDisk && !ForceToDisk(FHandle, TFlushKind::Data, FReportFileName)) {
        const int error = errno;
        DropFile();
        throw EInOutError(error, FReportFileName);
    }
}

void TReportFile::CloseFile() {
    const int handle = FHandle;
    FHandle = -1;
    FReportOpened = false;
    // After a failed close the handle is gone all the same; only the error is left to report.
    if (handle >= 0 && ::close(handle) != 0 && errno != EINTR) {
        throw EInOutError(errno, FReportFileName);
    }
}

void TReportFile::DropFile() {
    if (FHandle >= 0) {
        ::close(FHandle); // the write error is the one to report, not a second one
    }
    FHandle = -1;
    FReportOpened = false;
}

TReports::TReports(const std::string& baseDirectory, const IClock& clock)
    : URepData(DataReportKind, baseDirectory, clock),
      URepUdal(EventReportKind, baseDirectory, clock) {}

void StartReports(TReports& reports) {
    RunBoth([&] { reports.URepData.StartReport(); }, [&] { reports.URepUdal.StartReport(); });
}

void FinishReports(TReports& reports, bool eventReportFree) {
    if (!eventReportFree) {
        reports.URepData.FinishReport();
        return;
    }
    RunBoth([&] { reports.URepUdal.FinishReport(); }, [&] { reports.URepData.FinishReport(); });
}
