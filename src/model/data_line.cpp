#include "model/data_line.h"

#include "store/report_writer.h"

#include <algorithm>
#include <cstdio>

namespace {

// Every space from here (0-based) to the end of the line becomes '0'.
constexpr std::size_t FirstZeroPadded = 21;

// The longest line: every field at its widest (five-digit values, two-digit line codes).
constexpr std::size_t MaxLineLength = 320;

std::string FormatFields(const TMasterBlock& m) {
    char line[MaxLineLength];
    const int length = std::snprintf(
        line, sizeof line,
        ";ID=%s;VA=%5d;IA=%5d;VB=%5d;IB=%5d;VC=%5d;IC=%5d;VNet=%5d;VDet=%5d;VBat=%5d;"
        "VHas1=%5d;VSir=%5d;TE=%3d;TI=%3d;TB=%3d;P=%5d;Sm=%1X%1X%1X;Led0=%8X;Led1=%8X;Out=%4X;"
        "stHas=%1X;stBat=%1X;stV1=%1X;stSir=%1X;stPro=%1X;Tim=%4X;",
        DeviceIdText(m.ID).c_str(), m.VA, m.IA, m.VB, m.IB, m.VC, m.IC, m.VNet, m.VDet, m.VBat,
        m.VHas1, m.VSir, m.TE, m.TI, m.TB, m.P, unsigned{m.LineC}, unsigned{m.LineB},
        unsigned{m.LineA}, unsigned{m.Led0}, unsigned{m.Led1}, unsigned{m.Out}, unsigned{m.stHas},
        unsigned{m.stBat}, unsigned{m.stV1}, unsigned{m.stSir}, unsigned{m.stPro}, unsigned{m.Tim});
    // The buffer holds the widest line; a shorter count from snprintf is only a safeguard.
    return std::string(
        line, std::min(static_cast<std::size_t>(length > 0 ? length : 0), sizeof line - 1));
}

} // namespace

std::string DataLineText(const TMasterBlock& master) {
    std::string line = FormatFields(master);
    for (std::size_t i = FirstZeroPadded; i < line.size(); ++i) {
        if (line[i] == ' ') {
            line[i] = '0';
        }
    }
    return line;
}

void TDataLineWriter::WriteDataLine(const TStatusRecord& record) {
    FReport.WriteStampedLine(DataLineText(record.Master));
}
