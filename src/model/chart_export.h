#pragma once
// The chart's points of a time range as a CSV file for a spreadsheet: one line per record with
// the PC time and the three voltages in volts, ';' between fields, '.' before decimals, CR LF
// line ends.

#include "model/chart_store.h"

#include <string>

inline constexpr const char* ChartCsvHeader = "PC time;Mains [V];Battery [V];Lines [V]";

// One record's line without its line end: "dd.mm.yyyy hh:mm:ss.zzz;23.456;13.780;24.100".
std::string ChartCsvLine(const TChartRecord& record);

// Writes the header and every record with from <= time <= to into a new file at `path`
// (replacing one that is there). Raises EInOutError when the file cannot be written; a file
// cut short is removed.
void ExportChartCsv(const TChartStore& store, TChartTime from, TChartTime to,
                    const std::string& path);
