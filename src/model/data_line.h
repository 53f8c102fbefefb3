#pragma once
// The data report line: the master's complete measured state of one status reply in one compact
// text line, the raw record values (nothing scaled), hexadecimal digits upper case. Slave blocks
// are not written.

#include "model/status_record.h"
#include "model/status_view.h"

#include <string>

class TReportWriter;

// The line for one master block, without the report's time stamp. Widths are minimums, so the
// line has no fixed columns; every space from the 22nd character on reads '0' (the first 21
// characters, ";ID=", the ID, ";VA=" and the first place of VA, keep theirs). The three line
// codes go under "Sm" with line C first and line A last.
std::string DataLineText(const TMasterBlock& master);

// Writes one stamped data line per status reply into the data report file. An I/O error of the
// file is raised once for a run of failing lines; the line is lost.
class TDataLineWriter : public IDataLineSink {
public:
    explicit TDataLineWriter(TReportWriter& report) : FReport(report) {}
    void WriteDataLine(const TStatusRecord& record) override;

private:
    TReportWriter& FReport;
};
