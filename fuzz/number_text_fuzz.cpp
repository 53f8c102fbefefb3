// Throws arbitrary formats, numbers and texts at the numeric field's formatting, its reading of
// a text back into a number and its keystroke check.
//
// For every input:
//   - any format, value and separators: formatting never fails, and a format and separators of
//     valid UTF-8 give valid UTF-8;
//   - each display format the window uses: the text it shows for a value reads back as that
//     value to within half a unit of the last digit shown, sign included;
//   - any text: reading it gives nothing or a finite number; any typed character at any
//     selection is either allowed or refused, never a failure.

#include "model/number_format.h"
#include "ui/number_entry.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QString>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool ValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x06 ? 2
                                   : (lead >> 4) == 0x0E ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<uint8_t>(text[i + k]) >> 6) != 0x02) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

struct TShownFormat {
    std::string_view Format;
    int Decimals; // -1: scientific with one decimal
};

// The window's display formats, and the defaults of the entry types.
constexpr std::array<TShownFormat, 13> WindowFormats{{
    {"0.000000", 6},
    {"00.000 V", 3},
    {"00.00 mA", 2},
    {"###0.0 C", 1},
    {"00.00 V", 2},
    {"###00.00 V", 2},
    {"###0.00 Bar", 2},
    {"0", 0},
    {"000", 0},
    {"###0.0 s", 1},
    {"0;-0", 0},
    {"#,0", 0},
    {"0.0E+00", -1},
}};

// Half a unit of the last digit the format shows for `value`, and a little for the 15
// significant digits the value is first taken to.
long double Tolerance(const TShownFormat& shown, long double value) {
    const long double magnitude = std::fabs(value);
    long double half = 0;
    if (shown.Decimals >= 0) {
        half = 0.5L * std::pow(10.0L, -shown.Decimals);
    } else if (magnitude > 0) {
        half = 0.05L * std::pow(10.0L, std::floor(std::log10(magnitude)));
    }
    return half * (1 + 1e-9L) + magnitude * 1e-14L;
}

void CheckRoundTrip(long double value) {
    const TFormatSymbols symbols; // "." and ","
    for (const TShownFormat& shown : WindowFormats) {
        const std::string text = FormatFloat(shown.Format, value, symbols);
        const auto back = ParseNumberText(QString::fromUtf8(text.data(), text.size()),
                                          TNumberEditType::floatingpointvalue, u'.');
        Require(back.has_value());
        Require(std::fabs(*back - value) <= Tolerance(shown, value));
    }
}

void CheckAnyFormat(FuzzedDataProvider& input) {
    TFormatSymbols symbols;
    symbols.DecimalSeparator = input.ConsumeRandomLengthString(4);
    symbols.ThousandSeparator = input.ConsumeRandomLengthString(4);
    const std::string format = input.ConsumeRandomLengthString(48);
    const auto value = input.ConsumeFloatingPoint<long double>();
    const std::string text = FormatFloat(format, value, symbols);
    if (ValidUtf8(format) && ValidUtf8(symbols.DecimalSeparator) &&
        ValidUtf8(symbols.ThousandSeparator)) {
        Require(ValidUtf8(text));
    }
}

void CheckTyping(FuzzedDataProvider& input) {
    const auto type = static_cast<TNumberEditType>(input.ConsumeIntegralInRange<int>(0, 4));
    const QChar separator = input.ConsumeBool() ? u'.' : u',';
    const QChar typed(input.ConsumeIntegral<char16_t>());
    const int selStart = input.ConsumeIntegralInRange<int>(-2, 40);
    const int selEnd = input.ConsumeIntegralInRange<int>(-2, 40);
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const auto value = ParseNumberText(text, type, separator);
    Require(!value || std::isfinite(*value));
    CharacterAllowed(type, typed, text, selStart, selEnd, separator);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto value = input.ConsumeFloatingPointInRange<long double>(-1e15L, 1e15L);
    // The round trips depend on the value alone, and most mutations leave the bytes it is read
    // from as they were: a value just checked (sign of a zero included) is not checked again.
    static long double lastChecked = std::numeric_limits<long double>::quiet_NaN();
    const bool checked = value == lastChecked && std::signbit(value) == std::signbit(lastChecked);
    if (std::isfinite(value) && !checked) {
        CheckRoundTrip(value);
        // Small magnitudes too, where the digits lie past the decimal point.
        CheckRoundTrip(value * 1e-18L);
        lastChecked = value;
    }
    CheckAnyFormat(input);
    CheckTyping(input);
    return 0;
}
