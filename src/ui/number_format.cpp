#include "ui/number_format.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The value's digits taken to 15 significant places: every decimal of that length survives a
// trip through a double, so a measured value divided by its scale shows the digits it came with.
constexpr int SignificantDigits = 15;
// Past this many integer digits a fixed format would show digits that mean nothing.
constexpr int MaxFixedIntegerDigits = 18;

// A non-negative decimal number: value = 0.Digits x 10^Point, so Point counts the integer digits
// (negative when zeros follow the decimal point first). Zero has no digits.
struct TDecimal {
    std::string Digits; // no leading or trailing zeros
    int Point = 0;
    bool IsZero() const { return Digits.empty(); }
};

void StripTrailingZeros(TDecimal& number) {
    while (!number.Digits.empty() && number.Digits.back() == '0') {
        number.Digits.pop_back();
    }
    if (number.Digits.empty()) {
        number.Point = 0;
    }
}

TDecimal ToDecimal(long double magnitude) {
    TDecimal number;
    if (magnitude == 0) {
        return number;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Le", SignificantDigits - 1, magnitude);
    // "d.dddde+XX": the C library writes its own locale's separator, so only the digits count.
    const char* p = buffer;
    for (; *p != '\0' && *p != 'e'; ++p) {
        if (std::isdigit(static_cast<unsigned char>(*p))) {
            number.Digits.push_back(*p);
        }
    }
    if (*p == 'e') {
        number.Point = std::atoi(p + 1) + 1;
    }
    StripTrailingZeros(number);
    return number;
}

// Keeps the first `keep` digits, rounding half away from zero on the digit that follows.
void RoundTo(TDecimal& number, int keep) {
    if (keep >= static_cast<int>(number.Digits.size())) {
        return;
    }
    if (keep < 0) {
        number = {};
        return;
    }
    const bool up = number.Digits[keep] >= '5';
    number.Digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && number.Digits[i] == '9') {
            number.Digits[i--] = '0';
        }
        if (i >= 0) {
            ++number.Digits[i];
        } else {
            number.Digits.insert(number.Digits.begin(), '1');
            ++number.Point;
        }
    }
    StripTrailingZeros(number);
}

bool IsPlace(QChar c) {
    return c == u'0' || c == u'#';
}

// The length of an exponent marker ("E+00", "e-0") starting at `at`, or 0 when there is none.
int ExponentLength(const QString& text, int at) {
    if (at + 2 >= text.size()) {
        return 0;
    }
    const bool marker = text[at] == u'E' || text[at] == u'e';
    const bool sign = text[at + 1] == u'+' || text[at + 1] == u'-';
    if (!marker || !sign || text[at + 2] != u'0') {
        return 0;
    }
    int end = at + 2;
    while (end < text.size() && text[end] == u'0') {
        ++end;
    }
    return end - at;
}

// One section of a format, taken apart.
struct TSection {
    QString Prefix;
    QString IntPattern;  // '0', '#' and literal characters before the decimal point
    QString FracPattern; // the same after it
    QString BeforeExponent;
    QString Suffix;
    bool Thousands = false;
    bool Scientific = false;
    bool ExponentAlwaysSigned = false; // "E+" rather than "E-"
    int ExponentDigits = 0;
    int IntPlaces = 0;
    int MinIntDigits = 0; // places from the leftmost '0' to the decimal point
    int FracPlaces = 0;
    int MinFracDigits = 0; // places up to the rightmost '0' after the decimal point
    bool HasPlaces() const { return IntPlaces + FracPlaces > 0; }
};

void CountPlaces(TSection& s) {
    for (QChar c : s.IntPattern) {
        if (IsPlace(c)) {
            ++s.IntPlaces;
            if (c == u'0' || s.MinIntDigits > 0) {
                ++s.MinIntDigits;
            }
        }
    }
    for (QChar c : s.FracPattern) {
        if (IsPlace(c)) {
            ++s.FracPlaces;
            if (c == u'0') {
                s.MinFracDigits = s.FracPlaces;
            }
        }
    }
}

// Splits the body (first place to last place) into integer and fraction patterns.
void ReadBody(TSection& s, const QString& body) {
    bool inFraction = false;
    for (QChar c : body) {
        if (c == u'.' && !inFraction) {
            inFraction = true;
        } else if (c == u',') {
            s.Thousands = true;
        } else {
            (inFraction ? s.FracPattern : s.IntPattern).append(c);
        }
    }
}

TSection ParseSection(const QString& text) {
    TSection s;
    const int n = static_cast<int>(text.size());
    int start = 0;
    while (start < n && !IsPlace(text[start]) && text[start] != u'.') {
        ++start;
    }
    int exponentAt = -1;
    for (int i = start; i < n && exponentAt < 0; ++i) {
        if (ExponentLength(text, i) > 0) {
            exponentAt = i;
        }
    }
    const int bodyLimit = exponentAt >= 0 ? exponentAt : n;
    int last = -1;
    for (int i = start; i < bodyLimit; ++i) {
        if (IsPlace(text[i])) {
            last = i;
        }
    }
    if (last < 0) { // no digit places: the section is all literal text
        s.Prefix = text;
        return s;
    }
    s.Prefix = text.left(start);
    ReadBody(s, text.mid(start, last + 1 - start));
    if (exponentAt >= 0) {
        const int length = ExponentLength(text, exponentAt);
        s.Scientific = true;
        s.ExponentAlwaysSigned = text[exponentAt + 1] == u'+';
        s.ExponentDigits = length - 2;
        s.BeforeExponent = text.mid(last + 1, exponentAt - last - 1);
        s.Suffix = text.mid(exponentAt + length);
    } else {
        s.Suffix = text.mid(last + 1);
    }
    CountPlaces(s);
    return s;
}

QString RenderInteger(const TSection& s, std::string digits, const TFormatSymbols& symbols) {
    if (static_cast<int>(digits.size()) < s.MinIntDigits) {
        digits.insert(0, s.MinIntDigits - digits.size(), '0');
    }
    QString out;
    int remaining = static_cast<int>(digits.size());
    int written = 0;
    auto put = [&](char digit) {
        if (s.Thousands && written > 0 && written % 3 == 0) {
            out.prepend(symbols.ThousandSeparator);
        }
        out.prepend(QChar(digit));
        ++written;
    };
    for (int k = static_cast<int>(s.IntPattern.size()) - 1; k >= 0; --k) {
        if (IsPlace(s.IntPattern[k])) {
            if (remaining > 0) {
                put(digits[--remaining]);
            }
        } else if (remaining > 0) { // a literal shows only between digits
            out.prepend(s.IntPattern[k]);
        }
    }
    while (remaining > 0) { // digits beyond the places go in front
        put(digits[--remaining]);
    }
    return out;
}

QString RenderFraction(const TSection& s, std::string digits) {
    if (static_cast<int>(digits.size()) < s.MinFracDigits) {
        digits.append(s.MinFracDigits - digits.size(), '0');
    }
    QString out;
    size_t next = 0;
    for (QChar c : s.FracPattern) {
        if (next >= digits.size()) {
            break;
        }
        if (IsPlace(c)) {
            out.append(QChar(digits[next++]));
        } else {
            out.append(c);
        }
    }
    return out;
}

// The digits of a number already rounded for the section, with the section's literals.
QString RenderSection(const TSection& s, const TDecimal& number, int exponent,
                      const TFormatSymbols& symbols) {
    if (!s.HasPlaces()) { // a section of literal text only, with no number in it
        return s.Prefix;
    }
    const int size = static_cast<int>(number.Digits.size());
    std::string intDigits;
    std::string fracDigits;
    if (number.Point > 0) {
        intDigits = number.Digits.substr(0, std::min(number.Point, size));
        intDigits.append(std::max(0, number.Point - size), '0');
        if (number.Point < size) {
            fracDigits = number.Digits.substr(number.Point);
        }
    } else if (!number.IsZero()) {
        fracDigits = std::string(-number.Point, '0') + number.Digits;
    }
    QString text = s.Prefix + RenderInteger(s, intDigits, symbols);
    const QString fraction = RenderFraction(s, fracDigits);
    if (!fraction.isEmpty()) {
        text += symbols.DecimalSeparator + fraction;
    }
    if (s.Scientific) {
        QString digits = QString::number(std::abs(exponent));
        digits = digits.rightJustified(s.ExponentDigits, u'0');
        const QString sign = exponent < 0 ? "-" : (s.ExponentAlwaysSigned ? "+" : "");
        text += s.BeforeExponent + u'E' + sign + digits;
    }
    return text + s.Suffix;
}

// Rounds to the digits the section shows. For scientific notation the number is rescaled so
// that its integer places are filled and `exponent` receives the power of ten taken out.
TDecimal RoundForSection(const TSection& s, TDecimal number, int& exponent) {
    exponent = 0;
    if (!s.Scientific) {
        RoundTo(number, number.Point + s.FracPlaces);
        return number;
    }
    RoundTo(number, s.IntPlaces + s.FracPlaces);
    if (!number.IsZero()) {
        exponent = number.Point - s.IntPlaces;
        number.Point = s.IntPlaces;
    }
    return number;
}

// The format used where none is given or a fixed format cannot hold the number: fixed notation
// for ordinary magnitudes, scientific for very large and very small ones.
QString GeneralFormat(const TDecimal& number) {
    if (number.Point > -5 && number.Point < SignificantDigits) {
        return "0." + QString(SignificantDigits - number.Point, u'#');
    }
    return "0." + QString(SignificantDigits - 1, u'#') + "E+00";
}

} // namespace

TFormatSymbols LocaleFormatSymbols(const QLocale& locale) {
    TFormatSymbols symbols;
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    if (!decimal.isEmpty()) {
        symbols.DecimalSeparator = decimal[0];
    }
    if (!group.isEmpty()) {
        symbols.ThousandSeparator = group[0];
    }
    return symbols;
}

QString FormatFloat(const QString& format, long double value, const TFormatSymbols& symbols) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "INF" : "-INF";
    }
    const TDecimal magnitude = ToDecimal(std::fabs(value));
    if (format.isEmpty()) {
        return FormatFloat(GeneralFormat(magnitude), value, symbols);
    }
    const QStringList sections = format.split(u';');
    const bool negative = value < 0;
    const bool ownNegative = negative && sections.size() > 1 && !sections[1].isEmpty();
    TSection section = ParseSection(sections[ownNegative ? 1 : 0]);
    if (!section.Scientific && magnitude.Point > MaxFixedIntegerDigits) {
        return FormatFloat(GeneralFormat(magnitude), value, symbols);
    }
    int exponent = 0;
    TDecimal shown = RoundForSection(section, magnitude, exponent);
    if (shown.IsZero()) { // what shows as zero carries no sign
        const bool zeroSection = sections.size() > 2 && !sections[2].isEmpty();
        if (zeroSection || ownNegative) {
            section = ParseSection(sections[zeroSection ? 2 : 0]);
            shown = RoundForSection(section, shown, exponent);
        }
        return RenderSection(section, shown, exponent, symbols);
    }
    const QString text = RenderSection(section, shown, exponent, symbols);
    return negative && !ownNegative ? u'-' + text : text;
}
