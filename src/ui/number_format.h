#pragma once
// The number format language of the numeric fields: "0" a digit always shown, "#" a digit shown
// only when significant, "." the decimal separator, "," thousands separators, "E+00"/"E-00"
// scientific notation, ";" between the sections for positive, negative and zero values; every
// other character is copied unchanged (units such as " V", " mA", " C", " Bar", " s").

#include <QChar>
#include <QLocale>
#include <QString>

// The characters a locale writes between the integer and fraction digits and between groups of
// thousands.
struct TFormatSymbols {
    QChar DecimalSeparator = u'.';
    QChar ThousandSeparator = u',';
};

// The separators of the given locale (the first character of each, which is all there is in
// practice).
TFormatSymbols LocaleFormatSymbols(const QLocale& locale);

// `value` written with `format`, using `symbols` for the decimal and thousands separators.
//
// The value is first taken to 15 significant digits (which drops the binary noise of a division
// such as 12345 / 1000), then rounded half away from zero to the digits the format shows. A
// negative value uses the second section with its own signs, or, without one, the first section
// with a "-" in front; a value that rounds to zero shows without a sign (third section if given).
// Numbers too large for fixed notation (more than 18 integer digits) switch to scientific
// notation; NaN and infinities show as "NAN", "INF" and "-INF"; an empty format writes the number
// in a general form. Never raises.
QString FormatFloat(const QString& format, long double value, const TFormatSymbols& symbols);
