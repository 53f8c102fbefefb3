#pragma once
// A report file as its writers use it (the event, version and data lines): an I/O error of the
// file is raised once, not on every line, and reception goes on. The file itself retries opening
// at every write, so once the directory is writable again lines flow without a word.

#include "core/repeat_filter.h"
#include "store/report_file.h"

#include <string>

class TReportWriter {
public:
    explicit TReportWriter(TReportFile& file) : FFile(file) {}

    // Raise the file's EInOutError only for the first failure of a run of failures.
    void WriteReportLine(const std::string& text) {
        FFailures.Run([&] { FFile.WriteReportLine(text); });
    }
    void WriteStampedLine(const std::string& text) {
        FFailures.Run([&] { FFile.WriteStampedLine(text); });
    }

private:
    TReportFile& FFile;
    TRepeatFilter FFailures;
};
