#include "model/number_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

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

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
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
        if (IsDigit(*p)) {
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

bool IsPlace(char c) {
    return c == '0' || c == '#';
}

// The length of an exponent marker ("E+00", "e-0") starting at `at`, or 0 when there is none.
size_t ExponentLength(std::string_view text, size_t at) {
    if (at + 2 >= text.size()) {
        return 0;
    }
    const bool marker = text[at] == 'E' || text[at] == 'e';
    const bool sign = text[at + 1] == '+' || text[at + 1] == '-';
    if (!marker || !sign || text[at + 2] != '0') {
        return 0;
    }
    size_t end = at + 2;
    while (end < text.size() && text[end] == '0') {
        ++end;
    }
    return end - at;
}

// One section of a format, taken apart.
struct TSection {
    std::string Prefix;
    std::string IntPattern;  // '0', '#' and literal characters before the decimal point
    std::string FracPattern; // the same after it
    std::string BeforeExponent;
    std::string Suffix;
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
    for (char c : s.IntPattern) {
        if (IsPlace(c)) {
            ++s.IntPlaces;
            if (c == '0' || s.MinIntDigits > 0) {
                ++s.MinIntDigits;
            }
        }
    }
    for (char c : s.FracPattern) {
        if (IsPlace(c)) {
            ++s.FracPlaces;
            if (c == '0') {
                s.MinFracDigits = s.FracPlaces;
            }
        }
    }
}

// Splits the body (first place to last place) into integer and fraction patterns.
void ReadBody(TSection& s, std::string_view body) {
    bool inFraction = false;
    for (char c : body) {
        if (c == '.' && !inFraction) {
            inFraction = true;
        } else if (c == ',') {
            s.Thousands = true;
        } else {
            (inFraction ? s.FracPattern : s.IntPattern).push_back(c);
        }
    }
}

// The position of the first exponent marker at or after `from`, or npos.
size_t FindExponent(std::string_view text, size_t from) {
    for (size_t i = from; i < text.size(); ++i) {
        if (ExponentLength(text, i) > 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

TSection ParseSection(std::string_view text) {
    TSection s;
    size_t start = 0;
    while (start < text.size() && !IsPlace(text[start]) && text[start] != '.') {
        ++start;
    }
    const size_t exponentAt = FindExponent(text, start);
    const bool scientific = exponentAt != std::string_view::npos;
    const size_t bodyLimit = scientific ? exponentAt : text.size();
    size_t last = std::string_view::npos;
    for (size_t i = start; i < bodyLimit; ++i) {
        if (IsPlace(text[i])) {
            last = i;
        }
    }
    if (last == std::string_view::npos) { // no digit places: the section is all literal text
        s.Prefix = text;
        return s;
    }
    s.Prefix = text.substr(0, start);
    ReadBody(s, text.substr(start, last + 1 - start));
    if (scientific) {
        const size_t length = ExponentLength(text, exponentAt);
        s.Scientific = true;
        s.ExponentAlwaysSigned = text[exponentAt + 1] == '+';
        s.ExponentDigits = static_cast<int>(length) - 2;
        s.BeforeExponent = text.substr(last + 1, exponentAt - last - 1);
        s.Suffix = text.substr(exponentAt + length);
    } else {
        s.Suffix = text.substr(last + 1);
    }
    CountPlaces(s);
    return s;
}

// The integer digits laid into the section's integer pattern, right to left. The result is built
// backwards byte by byte from the end and turned round once, which keeps multi-byte literals and
// separators in their order.
std::string RenderInteger(const TSection& s, std::string digits, const TFormatSymbols& symbols) {
    if (static_cast<int>(digits.size()) < s.MinIntDigits) {
        digits.insert(0, s.MinIntDigits - digits.size(), '0');
    }
    std::string backwards;
    size_t remaining = digits.size();
    int written = 0;
    auto put = [&](char digit) {
        if (s.Thousands && written > 0 && written % 3 == 0) {
            backwards.append(symbols.ThousandSeparator.rbegin(), symbols.ThousandSeparator.rend());
        }
        backwards += digit;
        ++written;
    };
    for (auto k = s.IntPattern.rbegin(); k != s.IntPattern.rend(); ++k) {
        if (IsPlace(*k)) {
            if (remaining > 0) {
                put(digits[--remaining]);
            }
        } else if (remaining > 0) { // a literal shows only between digits
            backwards += *k;
        }
    }
    while (remaining > 0) { // digits beyond the places go in front
        put(digits[--remaining]);
    }
    return {backwards.rbegin(), backwards.rend()};
}

std::string RenderFraction(const TSection& s, std::string digits) {
    if (static_cast<int>(digits.size()) < s.MinFracDigits) {
        digits.append(s.MinFracDigits - digits.size(), '0');
    }
    std::string out;
    size_t next = 0;
    for (char c : s.FracPattern) {
        if (next >= digits.size()) {
            break;
        }
        out.push_back(IsPlace(c) ? digits[next++] : c);
    }
    return out;
}

// "E", the exponent's sign as the section asks for it, and at least ExponentDigits digits.
std::string RenderExponent(const TSection& s, int exponent) {
    std::string digits = std::to_string(std::abs(exponent));
    if (static_cast<int>(digits.size()) < s.ExponentDigits) {
        digits.insert(0, s.ExponentDigits - digits.size(), '0');
    }
    const char* sign = exponent < 0 ? "-" : (s.ExponentAlwaysSigned ? "+" : "");
    return "E" + std::string(sign) + digits;
}

// The digits of a number already rounded for the section, with the section's literals.
std::string RenderSection(const TSection& s, const TDecimal& number, int exponent,
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
    std::string text = s.Prefix + RenderInteger(s, intDigits, symbols);
    const std::string fraction = RenderFraction(s, fracDigits);
    if (!fraction.empty()) {
        text += symbols.DecimalSeparator + fraction;
    }
    if (s.Scientific) {
        text += s.BeforeExponent + RenderExponent(s, exponent);
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
std::string GeneralFormat(const TDecimal& number) {
    if (number.Point > -5 && number.Point < SignificantDigits) {
        return "0." + std::string(SignificantDigits - number.Point, '#');
    }
    return "0." + std::string(SignificantDigits - 1, '#') + "E+00";
}

std::vector<std::string_view> SplitSections(std::string_view format) {
    std::vector<std::string_view> sections;
    size_t from = 0;
    for (size_t at = format.find(';'); at != std::string_view::npos; at = format.find(';', from)) {
        sections.push_back(format.substr(from, at - from));
        from = at + 1;
    }
    sections.push_back(format.substr(from));
    return sections;
}

} // namespace

std::string FormatFloat(std::string_view format, long double value, const TFormatSymbols& symbols) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "INF" : "-INF";
    }
    const TDecimal magnitude = ToDecimal(std::fabs(value));
    if (format.empty()) {
        return FormatFloat(GeneralFormat(magnitude), value, symbols);
    }
    const std::vector<std::string_view> sections = SplitSections(format);
    const bool negative = value < 0;
    const bool ownNegative = negative && sections.size() > 1 && !sections[1].empty();
    TSection section = ParseSection(sections[ownNegative ? 1 : 0]);
    if (!section.Scientific && magnitude.Point > MaxFixedIntegerDigits) {
        return FormatFloat(GeneralFormat(magnitude), value, symbols);
    }
    int exponent = 0;
    TDecimal shown = RoundForSection(section, magnitude, exponent);
    if (shown.IsZero()) { // what shows as zero carries no sign
        const bool zeroSection = sections.size() > 2 && !sections[2].empty();
        if (zeroSection || ownNegative) {
            section = ParseSection(sections[zeroSection ? 2 : 0]);
            shown = RoundForSection(section, shown, exponent);
        }
        return RenderSection(section, shown, exponent, symbols);
    }
    const std::string text = RenderSection(section, shown, exponent, symbols);
    return negative && !ownNegative ? "-" + text : text;
}
