#pragma once
// The event report for the writers on the main thread (version lines, alarm notes): each line is
// queued as disk work behind the lines before it, so the file is written by one thread in one
// order. True means queued; a failure is raised when it comes back, for the error display.

#include "core/disk_work.h"
#include "store/report_writer.h"

#include <string>

class TQueuedReportLines : public IReportLines {
public:
    // `file` is written only by `disk`'s work.
    TQueuedReportLines(IReportLines& file, IDiskWork& disk) : FFile(file), FDisk(disk) {}

    bool WriteReportLine(const std::string& text) override {
        FDisk.Queue([&file = FFile, text] { file.WriteReportLine(text); },
                    [](std::exception_ptr failure) {
                        if (failure) {
                            std::rethrow_exception(failure);
                        }
                    });
        return true;
    }

private:
    IReportLines& FFile;
    IDiskWork& FDisk;
};
