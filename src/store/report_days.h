#pragma once
// The days whose report files lie in a report directory: the files named after the instance's
// prefix, a date "yyyymmdd" and ".txt", as the report writer names them.

#include "core/clock.h"
#include "store/report_file.h"

#include <string>
#include <vector>

// The dates of the report files of `kind` in `directory`, earliest first; none when the
// directory cannot be read. Other files are passed over.
std::vector<TDateTime> ReportDaysIn(const std::string& directory, const TReportKind& kind);

// The full name of the report file of `kind` for a day in `directory`.
std::string ReportDayFile(const std::string& directory, const TReportKind& kind,
                          const TDateTime& day);
