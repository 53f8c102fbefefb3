#pragma once
// The event report as its writers see it, with a listener on the side: every line that reaches
// the file is also handed to the listener (the "Events" page shows it at once). A line that is
// not written is not handed on.

#include "store/report_writer.h"

#include <functional>
#include <string>

class TReportLinesTap : public IReportLines {
public:
    using TListener = std::function<void(const std::string&)>;
    TReportLinesTap(IReportLines& file, TListener listener)
        : FFile(file), FListener(std::move(listener)) {}

    bool WriteReportLine(const std::string& text) override {
        const bool written = FFile.WriteReportLine(text);
        if (written && FListener) {
            FListener(text);
        }
        return written;
    }

private:
    IReportLines& FFile;
    TListener FListener;
};
