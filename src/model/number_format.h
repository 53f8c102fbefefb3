#pragma once
// The number format language of the numeric fields: "0" a digit always shown, "#" a digit shown
// only when significant, "." the decimal separator, "," thousands separators, "E+00"/"E-00"
// scientific notation, ";" between the sections for positive, negative and zero values; every
// other character is copied unchanged (units such as " V", " mA", " C", " Bar", " s").
//
// Texts are UTF-8. The format's own characters are all ASCII, and no byte of a multi-byte UTF-8
// character is ASCII, so a unit such as " °C" passes through whole.

#include <string>
#include <string_view>

// What a locale writes between the integer and fraction digits and between groups of thousands,
// as UTF-8 (a separator may be more than one byte, such as a narrow no-break space).
struct TFormatSymbols {
    std::string DecimalSeparator = ".";
    std::string ThousandSeparator = ",";
};

// `value` written with `format` (UTF-8), using `symbols` for the decimal and thousands
// separators; the result is UTF-8.
//
// The value is first taken to 15 significant digits (which drops the binary noise of a division
// such as 12345 / 1000), then rounded half away from zero to the digits the format shows. A
// negative value uses the second section with its own signs, or, without one, the first section
// with a "-" in front; a value that rounds to zero shows without a sign (third section if given).
// Numbers too large for fixed notation (more than 18 integer digits) switch to scientific
// notation; NaN and infinities show as "NAN", "INF" and "-INF"; an empty format writes the number
// in a general form. Never raises.
std::string FormatFloat(std::string_view format, long double value, const TFormatSymbols& symbols);
