#pragma once
// What a numeric field accepts: its entry types, the reading of its text back into a number and
// the check of every typed character. No widget here, so the rules can be checked on their own.

#include <QChar>
#include <QString>

#include <cstdint>
#include <optional>

// The kind of number a numeric field holds; it decides the keystroke filter and the default
// display format.
enum class TNumberEditType : uint8_t {
    integervalue,
    longintvalue,
    floatingpointvalue,
    wordvalue,
    CurrencyValue,
};

// "0;-0" for the integer types, "0.0E+00" for floating point, "#,0" for currency.
QString DefaultDisplayFormat(TNumberEditType type);

// Reads a field's text as a number. The number is negative when the text holds a "-" anywhere
// (a "-" right after "E" is the exponent's sign instead), or else a "("; of the rest only the
// digits, "E", the exponent's "-" and `decimalSeparator` count, so units, blanks and thousands
// separators are skipped. A text with none of these reads as 0. Currency amounts are rounded to
// four decimal places and must lie within +-922337203685477.5807. Returns nothing when the kept
// characters do not form a number (two separators, "E" without digits, out of range).
std::optional<long double> ParseNumberText(const QString& text, TNumberEditType type,
                                           QChar decimalSeparator);

// Whether the printable character `typed` may go into a field of type `type` whose text is
// `text` with the selection [selStart, selEnd) (both zero-based; equal when nothing is
// selected, at the cursor). Backspace and Delete are not printable and always allowed; Enter is
// the field's own business. A candidate that is not a valid integer where the type needs one is
// refused. Never raises.
bool CharacterAllowed(TNumberEditType type, QChar typed, const QString& text, int selStart,
                      int selEnd, QChar decimalSeparator);
