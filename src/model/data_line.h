#pragma once
// The data report line: the master's complete measured state of one status reply in one compact
// text line, the raw record values (nothing scaled), hexadecimal digits upper case. Slave blocks
// are not written.

#include "model/status_record.h"
#include "model/status_view.h"

#include <optional>
#include <string>
#include <string_view>

class TReportWriter;

// The line for one master block, without the report's time stamp. Widths are minimums, so the
// line has no fixed columns; every space from the 22nd character on reads '0' (the first 21
// characters, ";ID=", the ID, ";VA=" and the first place of VA, keep theirs). The three line
// codes go under "Sm" with line C first and line A last.
std::string DataLineText(const TMasterBlock& master);

// Reads a line made by DataLineText back into the master block's fields (the event indices and
// slave flags are not in the line and stay 0). Nothing when the text is not such a line: a key
// missing or out of order, a value that is not a number of its base or does not fit its field,
// anything after the last ';'. An "Sm" of more than three digits (a line code of 16 or more)
// cannot be split into its three codes; the line is read with LineA, LineB and LineC left 0.
std::optional<TMasterBlock> ParseDataLine(std::string_view text);

// Writes one stamped data line per status reply into the data report file. An I/O error of the
// file is raised once for a run of failing lines; the line is lost.
class TDataLineWriter : public IDataLineSink {
public:
    explicit TDataLineWriter(TReportWriter& report) : FReport(report) {}
    void WriteDataLine(const TStatusRecord& record) override;

private:
    TReportWriter& FReport;
};
