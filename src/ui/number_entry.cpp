#include "ui/number_entry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

// The largest amount a currency field holds: a 64-bit count of ten-thousandths.
constexpr long double MaxCurrency = 922337203685477.5807L;

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// digits [ "." digits ] [ "E" [ "-" ] digits ], with at least one digit before the exponent.
bool IsNumberText(const std::string& text) {
    size_t i = 0;
    int mantissaDigits = 0;
    auto digits = [&] {
        int count = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
            ++count;
        }
        return count;
    };
    mantissaDigits += digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (i < text.size() && text[i] == 'E') {
        ++i;
        if (i < text.size() && text[i] == '-') {
            ++i;
        }
        if (digits() == 0) {
            return false;
        }
    }
    return i == text.size();
}

std::optional<long double> ToFloat(const std::string& text) {
    if (!IsNumberText(text)) {
        return std::nullopt;
    }
    long double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// An integer as the toolkit reads one: an optional sign and decimal digits, within 64 bits.
std::optional<long long> ToInteger(const QString& text) {
    std::string ascii = text.toStdString();
    if (!ascii.empty() && ascii[0] == '+') {
        ascii.erase(0, 1);
    }
    const size_t firstDigit = !ascii.empty() && ascii[0] == '-' ? 1 : 0;
    if (ascii.size() == firstDigit) {
        return std::nullopt;
    }
    for (size_t i = firstDigit; i < ascii.size(); ++i) {
        if (ascii[i] < '0' || ascii[i] > '9') {
            return std::nullopt;
        }
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size()) {
        return std::nullopt;
    }
    return value;
}

// The digits of a candidate after one leading "-" must fit `limit` (compared as text when they
// are just as long).
bool DigitsFit(const QString& candidate, int maxLength, const QString& limit) {
    const QString rest = candidate.startsWith(u'-') ? candidate.mid(1) : candidate;
    if (rest.size() != maxLength) {
        return rest.size() < maxLength;
    }
    return rest <= limit;
}

// The check by type of the text a typed digit or "E" would produce.
bool CandidateFits(TNumberEditType type, const QString& candidate) {
    switch (type) {
    case TNumberEditType::integervalue: {
        const auto value = ToInteger(candidate);
        return value && *value >= -32768 && *value <= 32767;
    }
    case TNumberEditType::wordvalue: {
        const auto value = ToInteger(candidate);
        return value && *value <= 65535;
    }
    case TNumberEditType::longintvalue:
        return DigitsFit(candidate, 10, candidate.startsWith(u'-') ? "2147483648" : "2147483647");
    case TNumberEditType::CurrencyValue:
        return DigitsFit(candidate, 15, "922337203685477");
    case TNumberEditType::floatingpointvalue:
        return true;
    }
    return false;
}

// The characters a type lets in at all.
bool TypeAccepts(TNumberEditType type, QChar c, QChar decimalSeparator) {
    if (IsDigit(c)) {
        return true;
    }
    const bool floating = type == TNumberEditType::floatingpointvalue;
    if (c == u'-') {
        return type != TNumberEditType::wordvalue;
    }
    if (c == u'E') {
        return floating;
    }
    if (c == decimalSeparator) {
        return floating || type == TNumberEditType::CurrencyValue;
    }
    return false;
}

} // namespace

QString DefaultDisplayFormat(TNumberEditType type) {
    switch (type) {
    case TNumberEditType::floatingpointvalue:
        return "0.0E+00";
    case TNumberEditType::CurrencyValue:
        return "#,0";
    default:
        return "0;-0";
    }
}

std::optional<long double> ParseNumberText(const QString& text, TNumberEditType type,
                                           QChar decimalSeparator) {
    bool minus = false;
    bool parenthesis = false;
    std::string kept;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'-' && i > 0 && text[i - 1] == u'E') {
            kept += '-'; // the exponent's sign, as in "1.2E-03"
        } else if (c == u'-') {
            minus = true;
        } else if (c == u'(') {
            parenthesis = true;
        } else if (IsDigit(c) || c == u'E') {
            kept += static_cast<char>(c.unicode());
        } else if (c == decimalSeparator) {
            kept += '.';
        }
    }
    if (kept.empty()) {
        return 0.0L;
    }
    auto value = ToFloat(kept);
    if (value && type == TNumberEditType::CurrencyValue) {
        if (*value > MaxCurrency) {
            return std::nullopt;
        }
        *value = std::round(*value * 10000.0L) / 10000.0L;
    }
    if (value && (minus || parenthesis) && *value != 0) {
        *value = -*value;
    }
    return value;
}

bool CharacterAllowed(TNumberEditType type, QChar typed, const QString& text, int selStart,
                      int selEnd, QChar decimalSeparator) {
    if (!TypeAccepts(type, typed, decimalSeparator)) {
        return false;
    }
    const int size = static_cast<int>(text.size());
    selStart = std::clamp(selStart, 0, size);
    selEnd = std::clamp(selEnd, selStart, size);
    const QString selected = text.mid(selStart, selEnd - selStart);
    if (typed == u'-') {
        // A sign goes only in front; in a floating-point field also as the exponent's sign.
        const bool exponentSign = type == TNumberEditType::floatingpointvalue && selStart > 0 &&
                                  text[selStart - 1] == u'E';
        return selStart == 0 || exponentSign;
    }
    if (typed == decimalSeparator) {
        return !text.contains(decimalSeparator) || selected.contains(decimalSeparator);
    }
    // Nothing may be typed in front of a leading minus that stays.
    if (selStart == 0 && !selected.contains(u'-') && text.startsWith(u'-')) {
        return false;
    }
    return CandidateFits(type, text.left(selStart) + typed + text.mid(selEnd));
}
