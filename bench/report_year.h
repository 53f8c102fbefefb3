#pragma once
// A files directory holding a year of event reports, as the history benchmarks read it: 365
// daily files with `records` event lines in all, written as the tool writes them, with markers,
// a version line and a note each. Made under /tmp, removed with the object.

#include "core/civil_time.h"
#include "model/event_record.h"
#include "model/version_decoder.h"
#include "store/report_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

inline constexpr int Days = 365;

// A files directory with `records` event lines over 365 days, made once per size.
class TReportYear {
public:
    explicit TReportYear(int records) {
        char name[] = "/tmp/orvant2-history-bench-XXXXXX";
        if (::mkdtemp(name) == nullptr) {
            throw std::runtime_error("no temporary directory");
        }
        FDir = name;
        fs::create_directories(FDir / EventReportKind.DirectoryName);
        const int perDay = records / Days;
        uint16_t index = 0;
        for (int day = 0; day < Days; ++day) {
            const TDateTime date = CivilDateTime(CivilDays(2025, 1, 1) * 86400 + day * 86400LL);
            std::ofstream out(
                FDir / EventReportKind.DirectoryName /
                    (std::string(EventReportKind.FilePrefix) + ReportDateText(date) + ".txt"),
                std::ios::binary);
            out << ReportTimeStamp(date) << "  " << ReportStartMarker << "\r\n";
            out << VersionStamp(date) << "V2.10\r\n";
            for (int k = 0; k < perDay; ++k) {
                TDateTime pc = date;
                pc.Hour = k * 24 / perDay;
                pc.Minute = k % 60;
                const uint32_t panel = (((static_cast<uint32_t>(date.Year - 2000) * 12 +
                                          static_cast<uint32_t>(date.Month - 1)) *
                                             31 +
                                         static_cast<uint32_t>(date.Day - 1)) *
                                            24 +
                                        static_cast<uint32_t>(pc.Hour)) *
                                       3600;
                const TEventRecord record{index++, 0x00A1B2C3D400u + static_cast<uint64_t>(k % 7),
                                          static_cast<uint8_t>(k % 46),
                                          static_cast<uint8_t>((k % 5) << 4 | k % 3), panel};
                out << EventLine(record, pc) << "\r\n";
            }
            out << ReportTimeStamp(date)
                << "  event copy ID=00A1B2C3D400: record 6 not delivered\r\n";
            out << ReportTimeStamp(date) << "  " << ReportEndMarker << "\r\n";
        }
    }
    ~TReportYear() {
        std::error_code ignored;
        fs::remove_all(FDir, ignored);
    }
    std::string Path() const { return FDir.string(); }

private:
    fs::path FDir;
};
