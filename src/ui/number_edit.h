#pragma once
// The numeric field that shows every measured value: a one-line, right-aligned box holding a
// number, shown through a display format that may carry a unit ("00.000 V"). The window writes
// the value; a technician may type into the field, and the text is read back on Enter and when
// the field is left, then held within MinValue..MaxValue. A read-only field is a display: its
// text can be selected and copied, and is never read back.

#include "ui/number_entry.h"

#include <QLineEdit>

class TNumberEdit : public QLineEdit {
    Q_OBJECT

public:
    // A floating-point field with the format "0.0E+00", value, minimum and maximum 0, showing
    // "0.0E+00".
    explicit TNumberEdit(QWidget* parent = nullptr);

    TNumberEditType EntryRequired() const { return FEntryRequired; }
    // Sets the type, replaces the display format by the type's default and rewrites the text.
    // A format wanted besides the default is set afterwards.
    void SetEntryRequired(TNumberEditType type);

    const QString& DisplayFormat() const { return FDisplayFormat; }
    // A different format rewrites the text; the same one changes nothing.
    void SetDisplayFormat(const QString& format);

    // The number held (not a fresh reading of the text).
    long double Value() const { return FValue; }
    // A different number is stored and shown; the same number leaves the text alone, even
    // when the technician has typed over it.
    void SetValue(long double value);

    // The limits applied when the field is left. Both are 0 unless set, which makes a field
    // that is left after typing hold 0.
    long double MinValue() const { return FMinValue; }
    void SetMinValue(long double value) { FMinValue = value; }
    long double MaxValue() const { return FMaxValue; }
    void SetMaxValue(long double value) { FMaxValue = value; }

    // The design width; never narrower than the widest text the display format gives.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Rewrite();
    void ReadText();
    bool LetThrough(QChar typed) const;
    QChar DecimalSeparator() const;

    TNumberEditType FEntryRequired = TNumberEditType::floatingpointvalue;
    QString FDisplayFormat;
    long double FValue = 0;
    long double FMaxValue = 0;
    long double FMinValue = 0;
};
