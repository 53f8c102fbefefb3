#include "ui/number_edit.h"

#include "model/number_format.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <string>

namespace {

constexpr int FieldWidth = 121;
constexpr int FieldHeight = 25;
// The gap QLineEdit leaves on each side of its text, inside the frame.
constexpr int TextMargin = 2;

// Focus that comes and goes with the whole window or a context menu is not the technician
// entering or leaving the field, and must not disturb what is being typed.
bool IsFieldFocusChange(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

// The field's locale as the separators the number format writes (UTF-8, whole: a group separator
// may be a character that takes more than one byte).
TFormatSymbols LocaleFormatSymbols(const QLocale& locale) {
    return {locale.decimalPoint().toStdString(), locale.groupSeparator().toStdString()};
}

} // namespace

TNumberEdit::TNumberEdit(QWidget* parent)
    : QLineEdit(parent), FDisplayFormat(DefaultDisplayFormat(FEntryRequired)) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    resize(FieldWidth, FieldHeight);
    Rewrite();
}

void TNumberEdit::SetEntryRequired(TNumberEditType type) {
    FEntryRequired = type;
    FDisplayFormat = DefaultDisplayFormat(type);
    Rewrite();
}

void TNumberEdit::SetDisplayFormat(const QString& format) {
    if (format != FDisplayFormat) {
        FDisplayFormat = format;
        Rewrite();
        updateGeometry();
    }
}

void TNumberEdit::SetValue(long double value) {
    if (value != FValue) {
        FValue = value;
        Rewrite();
    }
}

QSize TNumberEdit::sizeHint() const {
    return {std::max(FieldWidth, minimumSizeHint().width()), QLineEdit::sizeHint().height()};
}

// Room for the display format filled with wide digits (at least five, the most an unsigned 16-bit
// count has), plus the frame and the line edit's own margins.
QSize TNumberEdit::minimumSizeHint() const {
    QString widest = FDisplayFormat;
    widest.replace(QLatin1Char('#'), QLatin1Char('8')).replace(QLatin1Char('0'), QLatin1Char('8'));
    const QFontMetrics metrics = fontMetrics();
    const int textWidth = std::max(metrics.horizontalAdvance(widest),
                                   metrics.horizontalAdvance(QStringLiteral("88888")));
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    const QMargins margins = textMargins();
    const int width = textWidth + 2 * frame + margins.left() + margins.right() + 2 * TextMargin;
    return {width, QLineEdit::minimumSizeHint().height()};
}

void TNumberEdit::Rewrite() {
    const QString text = QString::fromStdString(
        FormatFloat(FDisplayFormat.toStdString(), FValue, LocaleFormatSymbols(locale())));
    if (text != this->text()) {
        setText(text); // lays the text out anew, even when it reads as before
    }
}

// Reads the text into the value; a text that is no number beeps and keeps the value.
void TNumberEdit::ReadText() {
    const auto value = ParseNumberText(text(), FEntryRequired, DecimalSeparator());
    if (value) {
        FValue = *value;
    } else {
        QApplication::beep();
    }
}

QChar TNumberEdit::DecimalSeparator() const {
    // Typed and read back one character at a time, which every locale's separator is in practice.
    const QString separator = locale().decimalPoint();
    return separator.isEmpty() ? QChar(u'.') : separator[0];
}

bool TNumberEdit::LetThrough(QChar typed) const {
    int start = cursorPosition();
    int end = start;
    if (hasSelectedText()) {
        start = selectionStart();
        end = selectionEnd();
    }
    return CharacterAllowed(FEntryRequired, typed, text(), start, end, DecimalSeparator());
}

void TNumberEdit::keyPressEvent(QKeyEvent* event) {
    if (isReadOnly()) { // a display: selecting and copying only, nothing read back
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        ReadText();
        Rewrite();
        event->accept();
        return;
    }
    // Only typed characters are filtered; editing keys, cursor keys and shortcuts (Backspace,
    // Delete, Ctrl+C...) carry no printable text and reach the line edit unchanged.
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(),
                                                           [](QChar c) { return c.isPrint(); });
    if (printable && (typed.size() != 1 || !LetThrough(typed[0]))) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TNumberEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (IsFieldFocusChange(event->reason())) {
        selectAll();
    }
}

void TNumberEdit::focusOutEvent(QFocusEvent* event) {
    if (IsFieldFocusChange(event->reason()) && !isReadOnly()) {
        ReadText();
        // The maximum first, so the minimum wins when the limits cross.
        if (FValue > FMaxValue) {
            FValue = FMaxValue;
        }
        if (FValue < FMinValue) {
            FValue = FMinValue;
        }
        Rewrite();
    }
    QLineEdit::focusOutEvent(event);
}

void TNumberEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::LocaleChange) { // the decimal separator may have changed
        Rewrite();
    }
}
