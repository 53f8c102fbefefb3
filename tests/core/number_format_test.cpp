// The number format language of the numeric fields, on every format the window shows and on the
// cases around it: rounding, sections, grouping, scientific notation and the locale's separators.

#include "model/number_format.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

const TFormatSymbols Point{".", ","};
const TFormatSymbols Comma{",", "."};

struct TCase {
    const char* Format;
    long double Value;
    const char* Expected;
};

void ExpectAll(std::initializer_list<TCase> cases, const TFormatSymbols& symbols = Point) {
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string("format \"") + c.Format + "\"");
        EXPECT_EQ(FormatFloat(c.Format, c.Value, symbols), c.Expected);
    }
}

} // namespace

TEST(NumberFormat, WindowFormatsShowMeasuredValues) {
    ExpectAll({
        {"0.000000", 0.1234565L, "0.123457"},
        {"0.000000", 12.5L, "12.500000"},
        {"00.000 V", 5.5L, "05.500 V"},
        {"00.000 V", 12345 / 1000.0L, "12.345 V"},
        {"00.000 V", 12345 / 1000.0, "12.345 V"}, // the same from a double
        {"00.00 mA", 2.5L, "02.50 mA"},
        {"00.00 mA", -1.5L, "-01.50 mA"},
        {"###0.0 C", 23.5L, "23.5 C"},
        {"###0.0 C", 6553.5L, "6553.5 C"},
        {"###0.0 C", -12.5L, "-12.5 C"},
        {"###0.0 C", 0.0L, "0.0 C"},
        {"00.00 V", 24.0L, "24.00 V"},
        {"00.00 V", 0.5L, "00.50 V"},
        {"###00.00 V", 123.456L, "123.46 V"},
        {"###00.00 V", 1.5L, "01.50 V"},
        {"###0.00 Bar", 1.5L, "1.50 Bar"},
        {"###0.00 Bar", 0.0L, "0.00 Bar"},
        {"0", 42.0L, "42"},
        {"0", 0.0L, "0"},
        {"000", 7.0L, "007"},
        {"000", 1234.0L, "1234"}, // more digits than places go in front
        {"###0.0 s", 30.0L, "30.0 s"},
        {"###0.0 s", 0.1L, "0.1 s"},
    });
}

TEST(NumberFormat, DefaultFormatsOfTheEntryTypes) {
    ExpectAll({
        {"0;-0", 17.0L, "17"},
        {"0;-0", -5.0L, "-5"},
        {"0;-0", -0.4L, "0"}, // what rounds to zero carries no sign
        {"0.0E+00", 0.0L, "0.0E+00"},
        {"0.0E+00", 0.0012L, "1.2E-03"},
        {"0.0E+00", -123456.0L, "-1.2E+05"},
        {"#,0", 1234567.0L, "1,234,567"},
        {"#,0", -1234.0L, "-1,234"},
        {"#,0", 999.0L, "999"},
        {"#,0", 0.0L, "0"},
    });
}

TEST(NumberFormat, RoundsHalfAwayFromZeroOnTheDecimalValue) {
    ExpectAll({
        // 12.345 and 1.005 lie just below their ties in binary; the decimal value is meant.
        {"00.00 V", 12345 / 1000.0, "12.35 V"},
        {"00.00 V", 1005 / 1000.0, "01.01 V"},
        {"00.00 V", 9.999L, "10.00 V"}, // the carry reaches the integer digits
        {"0", 2.5L, "3"},
        {"0", -2.5L, "-3"},
        {"0", 0.49L, "0"},
        {"0.00", -0.004L, "0.00"},
        {"###0.0 C", 999.96L, "1000.0 C"},
    });
}

TEST(NumberFormat, SectionsForNegativeAndZeroValues) {
    ExpectAll({
        {"0.0;(0.0);none", 0.0L, "none"},
        {"0.0;(0.0);none", -1.5L, "(1.5)"},
        {"0.0;(0.0);none", 1.5L, "1.5"},
        {"0.0;(0.0);none", 0.01L, "none"}, // shown as zero, so the zero section
        {"0.0;", -1.5L, "-1.5"},           // an empty negative section falls back to the first
        {"0 V;minus 0 V", -3.0L, "minus 3 V"},
    });
}

TEST(NumberFormat, OptionalDigitsAndLiterals) {
    ExpectAll({
        {"0.##", 1.0L, "1"},
        {"0.##", 1.25L, "1.25"},
        {"0.##", 1.255L, "1.26"},
        {"#.##", 0.5L, ".5"},
        {"#", 0.0L, ""},
        {"#0#.#0#", 5.0L, "05.00"}, // between a '0' and the point every place is a forced digit
        {"Ubat = 00.0 V", 13.8L, "Ubat = 13.8 V"},
        {"#-00", 123.0L, "1-23"}, // a literal between integer places
        {"#-00", 5.0L, "05"},     // ... shows only where digits stand on both sides
        {"0-00", 5.0L, "0-05"},   // ... which zeros always do
        {"#,##0.00", 1234567.891L, "1,234,567.89"},
    });
}

TEST(NumberFormat, ScientificNotation) {
    ExpectAll({
        {"0.0E+00", 9.96L, "1.0E+01"}, // rounding carries into the exponent
        {"0.0E+00", 1e123L, "1.0E+123"},
        {"0.0E+00", 1.5e-7L, "1.5E-07"},
        {"0.0E-00", 1234.0L, "1.2E03"}, // "E-" writes only a negative sign
        {"0.0E-00", 0.0012L, "1.2E-03"},
        {"0.00E+0 V", 12345.0L, "1.23E+4 V"},
        {"00.0E+00", 12345.0L, "12.3E+03"},
    });
}

TEST(NumberFormat, LocaleSeparators) {
    ExpectAll(
        {
            {"00.000 V", 5.5L, "05,500 V"},
            {"00.00 mA", -1.5L, "-01,50 mA"},
            {"#,0.00", 1234.5L, "1.234,50"},
            {"0.0", 1234.5L / 1000, "1,2"},
            {"0.0E+00", 0.0012L, "1,2E-03"},
            {"#,0", 1234567.0L, "1.234.567"},
        },
        Comma);
    // Separators of more than one byte, as some locales have them.
    const TFormatSymbols wide{"\u066B", "\u202F"};
    EXPECT_EQ(FormatFloat("#,0.0", 1234567.25L, wide), "1\u202F234\u202F567\u066B3");
}

TEST(NumberFormat, UnitsInUtf8PassThroughWhole) {
    ExpectAll({
        {"###0.0 \u00B0C", 23.5L, "23.5 \u00B0C"},
        {"\u00B10.00 \u00B5A", 2.5L, "\u00B12.50 \u00B5A"},
        {"0\u00B700", 123.0L, "1\u00B723"}, // a two-byte literal between integer places
        {"0.0 \u2103;\u2212 0.0 \u2103", -4.25L, "\u2212 4.3 \u2103"},
    });
}

TEST(NumberFormat, NumbersNoFormatHoldsSensibly) {
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double infinity = std::numeric_limits<long double>::infinity();
    ExpectAll({
        {"0.000000", 1e25L, "1E+25"}, // past 18 integer digits a fixed format switches over
        {"0", 123456789012345678.0L, "123456789012346000"},
        {"", 1.5L, "1.5"},
        {"", -0.000125L, "-0.000125"},
        {"", 1e-9L, "1E-09"},
        {"0.000000", 1e-300L, "0.000000"},
        {"0.0", nan, "NAN"},
        {"0.0", infinity, "INF"},
        {"0.0", -infinity, "-INF"},
        {"no number here", 5.0L, "no number here"},
    });
}
