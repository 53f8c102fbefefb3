#pragma once
// The daily report files. Two instances of one writer: URepUdal, the event report file (event
// lines and version lines, unchanged), and URepData, the data report file (one stamped
// measurement line per status reply). A new file is started for each local calendar day and a
// file that already exists for the day is continued at its end. Each run of the program is
// bracketed by start and end markers; a run that crosses midnight (or meets a clock set back)
// ends the old day's file with "******** konec dne *********" and begins the new one with
// "******** zacatek dne *********" at the first write of the new day.
//
// Lines are 8-bit text written byte for byte, each ended by CR LF. Every line is handed to the
// operating system as soon as it is written, so a crash loses nothing already written; an
// instance made with ForceToDisk also waits until the line is on the disk. Other programs may
// read a report while it is open.
//
// A file that cannot be opened is not reported when it is opened; the next write tries to open
// the day's file again and raises EInOutError when it still cannot, so logging resumes by itself
// once the directory is writable again. A write that fails raises EInOutError and closes the
// file; the line is lost and the next write opens the file again, starting on a fresh line when
// the failed one was cut short. Likewise a file continued that ends in half a line (a power cut
// in the run before) gets its line ended before anything else is written after it. An instance
// made with ForceToDisk also flushes the entries of a directory or file it creates, so that a new
// day's file is still there after a power cut; while such a flush fails, every line is refused
// with EInOutError naming the directory (a line is not durable before its file's entry is), and
// the flush is tried again at each one.

#include "core/clock.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What tells the two report instances apart.
struct TReportKind {
    const char* DirectoryName; // one directory level below the base, with trailing "/"
    const char* FilePrefix;    // followed by the date "yyyymmdd" and ".txt"
    bool ForceToDisk;          // fdatasync after every line
};

// The event report file: an event line must be on the disk before its record counts as copied.
inline constexpr TReportKind EventReportKind{"ReportUdal/", "Kelm2_Udal_", true};
// The data report file: one line a second, losing the last ones at a power cut is acceptable.
inline constexpr TReportKind DataReportKind{"ReportData/", "Kelm2_Data_", false};

inline constexpr const char* ReportStartMarker = "******* Rep Start *******";
inline constexpr const char* ReportEndMarker = "******* Rep End *******";
inline constexpr const char* DayEndMarker = "******** konec dne *********";
inline constexpr const char* DayStartMarker = "******** zacatek dne *********";

class TReportFile {
public:
    // baseDirectory: where the report directory is made (the executable's directory), without
    // a trailing separator. The clock gives the local date and time of every write.
    TReportFile(const TReportKind& kind, std::string baseDirectory, const IClock& clock);
    ~TReportFile(); // closes the file without an end marker
    TReportFile(const TReportFile&) = delete;
    TReportFile& operator=(const TReportFile&) = delete;

    // Opens the file of the current local day for appending, creating its directory (one level)
    // and the file when missing. Raises nothing: a failure leaves ReportOpened() false.
    void OpenReport();
    // Writes the text and CR LF, after the check for a change of date. Raises EInOutError when
    // the file cannot be opened or written.
    void WriteReportLine(const std::string& text);
    // Writes "dd.mm.yy hh:mm:ss", two spaces and the text as one line. Raises as WriteReportLine.
    void WriteStampedLine(const std::string& text);
    // Opens the day's file and writes the stamped start marker. When the file cannot be opened
    // nothing is raised; the start marker then goes into the file at the first write that opens
    // it. Raises EInOutError when the file opens but the marker cannot be written.
    void StartReport();
    // If the file is open: writes the stamped end marker and closes the file. Raises
    // EInOutError when the marker cannot be written or the close fails; the file is closed then.
    void FinishReport();

    const std::string& ReportFileName() const { return FReportFileName; }
    bool ReportOpened() const { return FReportOpened; }
    const TDateTime& ReportDay() const { return FReportDay; }

private:
    // The marker the next opened file must begin with.
    enum class TPendingMarker { None, RunStart, DayStart };

    void OpenAt(const TDateTime& now);
    void WriteLineAt(const TDateTime& now, const std::string& text);
    void ChangeDay(const TDateTime& now);
    void ReopenOrRaise(const TDateTime& now);
    void WritePendingMarker(const TDateTime& now);
    void WriteRaw(const std::string& line);
    void CloseFile();
    void DropFile();
    void FlushDirectoryLater(const std::string& directory);
    void FlushDirectoriesOrRaise();

    TReportKind FKind;
    std::string FBaseDirectory;
    const IClock& FClock;
    std::string FReportFileName;
    bool FReportOpened = false;
    bool FDayKnown = false; // false until the first open sets ReportDay
    TDateTime FReportDay;
    int FHandle = -1;
    int FOpenError = 0;       // errno of the last failed open
    bool FLineBroken = false; // the file ends in half a line (a failed write, a power cut)
    TPendingMarker FPending = TPendingMarker::None;
    std::vector<std::string> FUnflushedDirectories; // whose entries a flush failed to secure
};

// "dd.mm.yy hh:mm:ss" of a local time.
std::string ReportTimeStamp(const TDateTime& time);
// The time of a stamp at the start of a stamped line (the year taken as 20yy); nothing when the
// text does not begin with one followed by the two spaces.
std::optional<TDateTime> ParseReportTimeStamp(std::string_view line);
// "yyyymmdd" of a local date.
std::string ReportDateText(const TDateTime& time);

// The two report instances of the program. They are opened before the window exists and closed
// after it is gone.
struct TReports {
    TReports(const std::string& baseDirectory, const IClock& clock);
    TReportFile URepData;
    TReportFile URepUdal;
};

// At program start: the data report file, then the event report file, each with its start
// marker. Both are started even when the first raises; the first error is raised afterwards.
void StartReports(TReports& reports);
// At program end: the event report file, then the data report file, each with its end marker.
// Both are finished even when the first raises; the first error is raised afterwards. When the
// event report's disk work was left behind (a device that does not answer, `eventReportFree`
// false), its writer may still be at work: only the data report is finished, and the event
// report stays as it stands.
void FinishReports(TReports& reports, bool eventReportFree = true);
