#include "model/data_line.h"

#include "store/report_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
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

// One key of the line: its name, the base of its number, its largest value and its field.
struct TDataKey {
    const char* Key;
    int Base;
    uint64_t Max;
    void (*Set)(TMasterBlock&, uint64_t);
};

#define ORVANT_DATA_KEY(key, base, max, field)                                                     \
    TDataKey {                                                                                     \
        key, base, max,                                                                            \
            [](TMasterBlock& m, uint64_t v) { m.field = static_cast<decltype(m.field)>(v); }       \
    }

// Every key of the line in its order; "Sm" is read apart.
const TDataKey DataKeys[] = {
    ORVANT_DATA_KEY("ID", 16, 0xFFFFFFFFFFFFull, ID),
    ORVANT_DATA_KEY("VA", 10, 65535, VA),
    ORVANT_DATA_KEY("IA", 10, 65535, IA),
    ORVANT_DATA_KEY("VB", 10, 65535, VB),
    ORVANT_DATA_KEY("IB", 10, 65535, IB),
    ORVANT_DATA_KEY("VC", 10, 65535, VC),
    ORVANT_DATA_KEY("IC", 10, 65535, IC),
    ORVANT_DATA_KEY("VNet", 10, 65535, VNet),
    ORVANT_DATA_KEY("VDet", 10, 65535, VDet),
    ORVANT_DATA_KEY("VBat", 10, 65535, VBat),
    ORVANT_DATA_KEY("VHas1", 10, 65535, VHas1),
    ORVANT_DATA_KEY("VSir", 10, 65535, VSir),
    ORVANT_DATA_KEY("TE", 10, 65535, TE),
    ORVANT_DATA_KEY("TI", 10, 65535, TI),
    ORVANT_DATA_KEY("TB", 10, 65535, TB),
    ORVANT_DATA_KEY("P", 10, 65535, P),
    {"Sm", 16, 0, nullptr},
    ORVANT_DATA_KEY("Led0", 16, 0xFFFFFFFF, Led0),
    ORVANT_DATA_KEY("Led1", 16, 0xFFFFFFFF, Led1),
    ORVANT_DATA_KEY("Out", 16, 0xFFFF, Out),
    ORVANT_DATA_KEY("stHas", 16, 255, stHas),
    ORVANT_DATA_KEY("stBat", 16, 255, stBat),
    ORVANT_DATA_KEY("stV1", 16, 255, stV1),
    ORVANT_DATA_KEY("stSir", 16, 255, stSir),
    ORVANT_DATA_KEY("stPro", 16, 255, stPro),
    ORVANT_DATA_KEY("Tim", 16, 0xFFFF, Tim),
};

#undef ORVANT_DATA_KEY

// A number as the line writes it: right-aligned in its width, the padding spaces (or, from the
// 22nd character, zeros) in front.
std::optional<uint64_t> ReadNumber(std::string_view digits, int base) {
    const std::size_t start = digits.find_first_not_of(" 0");
    if (digits.empty() || digits.find_first_not_of(' ') == std::string_view::npos) {
        return std::nullopt;
    }
    if (start == std::string_view::npos) {
        return 0;
    }
    uint64_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [at, error] = std::from_chars(digits.data() + start, end, value, base);
    if (error != std::errc() || at != end) {
        return std::nullopt;
    }
    // from_chars takes lower-case hexadecimal digits too; the line has upper case only.
    if (std::any_of(digits.begin(), digits.end(), [](char c) { return c >= 'a' && c <= 'f'; })) {
        return std::nullopt;
    }
    return value;
}

// The three line codes of "Sm": line C, line B, line A, one digit each.
bool ReadLineCodes(std::string_view digits, TMasterBlock& m) {
    if (!ReadNumber(digits, 16)) {
        return false;
    }
    if (digits.size() == 3) {
        m.LineC = static_cast<uint8_t>(*ReadNumber(digits.substr(0, 1), 16));
        m.LineB = static_cast<uint8_t>(*ReadNumber(digits.substr(1, 1), 16));
        m.LineA = static_cast<uint8_t>(*ReadNumber(digits.substr(2, 1), 16));
    }
    return true;
}

} // namespace

std::optional<TMasterBlock> ParseDataLine(std::string_view text) {
    TMasterBlock m;
    std::size_t at = 0;
    for (const TDataKey& key : DataKeys) {
        const std::string_view name = key.Key;
        if (text.size() < at + name.size() + 2 || text[at] != ';' ||
            text.substr(at + 1, name.size()) != name || text[at + 1 + name.size()] != '=') {
            return std::nullopt;
        }
        const std::size_t from = at + name.size() + 2;
        const std::size_t end = text.find(';', from);
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view digits = text.substr(from, end - from);
        if (key.Set == nullptr) {
            if (!ReadLineCodes(digits, m)) {
                return std::nullopt;
            }
        } else {
            const std::optional<uint64_t> value = ReadNumber(digits, key.Base);
            if (!value || *value > key.Max) {
                return std::nullopt;
            }
            key.Set(m, *value);
        }
        at = end;
    }
    if (at + 1 != text.size()) {
        return std::nullopt;
    }
    return m;
}

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
