#pragma once
// A report file as its writers use it (the event, version and data lines): an I/O error of the
// file is raised once, not on every line, and reception goes on. The file itself retries opening
// at every write, so once the directory is writable again lines flow without a word.

#include "core/repeat_filter.h"
#include "store/report_file.h"

#include <string>

// Where the event and version lines go: the event report file, as the decoders see it.
class IReportLines {
public:
    virtual ~IReportLines() = default;
    // Writes one line unchanged. True when the line is written (in the event report: on the
    // disk); false when it failed the same way as the line before, whose failure was raised
    // then. A new failure raises the file's error.
    virtual bool WriteReportLine(const std::string& text) = 0;
};

// No report file at all: nothing is written, and no line counts as written.
class TNoReportLines : public IReportLines {
public:
    bool WriteReportLine(const std::string&) override { return false; }
};

class TReportWriter : public IReportLines {
public:
    explicit TReportWriter(TReportFile& file) : FFile(file) {}

    // Raise the file's EInOutError only for the first failure of a run of failures.
    bool WriteReportLine(const std::string& text) override {
        bool written = false;
        FFailures.Run([&] {
            FFile.WriteReportLine(text);
            written = true;
        });
        return written;
    }
    void WriteStampedLine(const std::string& text) {
        FFailures.Run([&] { FFile.WriteStampedLine(text); });
    }

private:
    TReportFile& FFile;
    TRepeatFilter FFailures;
};
