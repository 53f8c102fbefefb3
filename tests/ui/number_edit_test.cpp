// The numeric field: its number format, the reading of its text, focus with the limits, and the
// keystroke filter of every entry type, driven through real key events on a shown field.

#include "ui/number_edit.h"
#include "ui/number_format.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

namespace {
const TFormatSymbols Point{u'.', u','};
} // namespace

class TNumberEditTest : public QObject {
    Q_OBJECT

private:
    QWidget FWindow;
    TNumberEdit* FEdit = nullptr;
    QLineEdit* FOther = nullptr; // somewhere for the focus to go

    // An empty field of `type` holding the focus, after `keys` were typed into it.
    QString Typed(TNumberEditType type, const QString& keys) {
        FEdit->SetEntryRequired(type);
        FEdit->clear();
        QTest::keyClicks(FEdit, keys);
        return FEdit->text();
    }

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale::c());
        FEdit = new TNumberEdit(&FWindow);
        FOther = new QLineEdit(&FWindow);
        FOther->move(0, 40);
        FWindow.show();
        FWindow.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&FWindow));
    }

    void init() {
        FEdit->setLocale(QLocale::c());
        FEdit->SetEntryRequired(TNumberEditType::floatingpointvalue);
        FEdit->SetMinValue(0);
        FEdit->SetMaxValue(0);
        FEdit->SetValue(0);
        FEdit->setFocus(Qt::OtherFocusReason);
        QVERIFY(FEdit->hasFocus());
    }

    void formatting_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        // The renderings the window relies on.
        QTest::newRow("volts") << "00.000 V" << 12.345 << "12.345 V";
        QTest::newRow("volts padded") << "00.000 V" << 5.5 << "05.500 V";
        QTest::newRow("milliamperes") << "00.00 mA" << 2.5 << "02.50 mA";
        QTest::newRow("negative") << "00.00 mA" << -1.5 << "-01.50 mA";
        QTest::newRow("temperature") << "###0.0 C" << 23.5 << "23.5 C";
        QTest::newRow("temperature wide") << "###0.0 C" << 6553.5 << "6553.5 C";
        QTest::newRow("pressure") << "###0.00 Bar" << 1.5 << "1.50 Bar";
        QTest::newRow("seconds") << "###0.0 s" << 30.0 << "30.0 s";
        QTest::newRow("detector") << "###00.00 V" << 123.456 << "123.46 V";
        QTest::newRow("counter") << "000" << 7.0 << "007";
        QTest::newRow("counter wide") << "000" << 1234.0 << "1234";
        QTest::newRow("scientific") << "0.0E+00" << 0.0012 << "1.2E-03";
        QTest::newRow("scientific zero") << "0.0E+00" << 0.0 << "0.0E+00";
        QTest::newRow("scientific negative") << "0.0E+00" << -123456.0 << "-1.2E+05";
        QTest::newRow("scientific carry") << "0.0E+00" << 9.96 << "1.0E+01";
        QTest::newRow("exponent widens") << "0.0E+00" << 1e123 << "1.0E+123";
        QTest::newRow("E- hides plus") << "0.0E-00" << 1234.0 << "1.2E03";
        // Rounding: half away from zero on the decimal value, not on its binary neighbour.
        QTest::newRow("tie of a division") << "00.00 V" << 12345 / 1000.0 << "12.35 V";
        QTest::newRow("tie below binary") << "00.00 V" << 1005 / 1000.0 << "01.01 V";
        QTest::newRow("carry into integer") << "00.00 V" << 9.999 << "10.00 V";
        QTest::newRow("half up integer") << "0" << 2.5 << "3";
        QTest::newRow("half up negative") << "0" << -2.5 << "-3";
        QTest::newRow("six decimals") << "0.000000" << 0.1234565 << "0.123457";
        // Sections, grouping, optional digits.
        QTest::newRow("negative section") << "0;-0" << -5.0 << "-5";
        QTest::newRow("negative zero has no sign") << "0;-0" << -0.4 << "0";
        QTest::newRow("rounded to zero has no sign") << "0.00" << -0.004 << "0.00";
        QTest::newRow("zero section") << "0.0;(0.0);none" << 0.0 << "none";
        QTest::newRow("parentheses section") << "0.0;(0.0);none" << -1.5 << "(1.5)";
        QTest::newRow("thousands") << "#,0" << 1234567.0 << "1,234,567";
        QTest::newRow("thousands negative") << "#,0" << -1234.0 << "-1,234";
        QTest::newRow("thousands zero") << "#,0" << 0.0 << "0";
        QTest::newRow("optional fraction") << "0.##" << 1.0 << "1";
        QTest::newRow("optional integer") << "#.##" << 0.5 << ".5";
        // Numbers no format can hold sensibly.
        QTest::newRow("too large for fixed") << "0.000000" << 1e25 << "1E+25";
        QTest::newRow("general") << "" << 1.5 << "1.5";
        QTest::newRow("nan") << "0.0" << std::numeric_limits<double>::quiet_NaN() << "NAN";
        QTest::newRow("infinity") << "0.0" << -std::numeric_limits<double>::infinity() << "-INF";
    }

    void formatting() {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(FormatFloat(format, value, Point), expected);
    }

    void formattingUsesTheLocaleSeparators() {
        QCOMPARE(FormatFloat("#,0.00", 1234.5, {u',', u'.'}), "1.234,50");
        QCOMPARE(FormatFloat("0.0", 1234.5L / 1000, {u',', u'.'}), "1,2");
    }

    void parsing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("expected");
        const int floating = int(TNumberEditType::floatingpointvalue);
        const int currency = int(TNumberEditType::CurrencyValue);
        QTest::newRow("parentheses") << "(12)" << floating << true << -12.0;
        QTest::newRow("own negative text") << "-01.50 mA" << floating << true << -1.5;
        QTest::newRow("unit only") << " mA" << floating << true << 0.0;
        QTest::newRow("empty") << "" << floating << true << 0.0;
        QTest::newRow("negative exponent") << "1.2E-03" << floating << true << 0.0012;
        QTest::newRow("negative both") << "-1.2E-03" << floating << true << -0.0012;
        QTest::newRow("positive exponent") << "1.2E+03" << floating << true << 1200.0;
        QTest::newRow("thousands skipped") << "1,234.5" << floating << true << 1234.5;
        QTest::newRow("integer field")
            << "12.5" << int(TNumberEditType::integervalue) << true << 12.5;
        QTest::newRow("currency rounds") << "12.345678" << currency << true << 12.3457;
        QTest::newRow("two separators") << "1.2.3" << floating << false << 0.0;
        QTest::newRow("separator only") << "." << floating << false << 0.0;
        QTest::newRow("no mantissa") << "E5" << floating << false << 0.0;
        QTest::newRow("no exponent digits") << "1E" << floating << false << 0.0;
        QTest::newRow("overflow") << "1E99999" << floating << false << 0.0;
        QTest::newRow("currency overflow") << "922337203685478" << currency << false << 0.0;
    }

    void parsing() {
        QFETCH(QString, text);
        QFETCH(int, type);
        QFETCH(bool, valid);
        QFETCH(double, expected);
        const auto value = ParseNumberText(text, TNumberEditType(type), u'.');
        QCOMPARE(value.has_value(), valid);
        if (valid) {
            QCOMPARE(double(*value), expected);
        }
    }

    void defaultsAtConstruction() {
        const TNumberEdit edit;
        QCOMPARE(edit.text(), "0.0E+00");
        QCOMPARE(edit.DisplayFormat(), "0.0E+00");
        QCOMPARE(edit.EntryRequired(), TNumberEditType::floatingpointvalue);
        QCOMPARE(double(edit.Value()), 0.0);
        QCOMPARE(int(edit.alignment() & Qt::AlignHorizontal_Mask), int(Qt::AlignRight));
        QCOMPARE(edit.size(), QSize(121, 25));
    }

    void entryTypeSetsItsDefaultFormat() {
        FEdit->SetEntryRequired(TNumberEditType::integervalue);
        QCOMPARE(FEdit->text(), "0");
        FEdit->SetValue(-5);
        QCOMPARE(FEdit->text(), "-5");
        FEdit->SetEntryRequired(TNumberEditType::CurrencyValue);
        QCOMPARE(FEdit->DisplayFormat(), "#,0");
        FEdit->SetValue(1234567);
        QCOMPARE(FEdit->text(), "1,234,567");
    }

    void sameValueOrFormatLeavesTheText() {
        FEdit->SetDisplayFormat("00.000 V");
        FEdit->SetValue(5.5);
        QCOMPARE(FEdit->text(), "05.500 V");
        FEdit->selectAll();
        QTest::keyClicks(FEdit, "9");
        FEdit->SetValue(5.5);
        FEdit->SetDisplayFormat("00.000 V");
        QCOMPARE(FEdit->text(), "9");
        FEdit->SetDisplayFormat("00.00 mA");
        QCOMPARE(FEdit->text(), "05.50 mA");
        FEdit->SetValue(6);
        QCOMPARE(FEdit->text(), "06.00 mA");
    }

    void enterReadsTheTypedNumber() {
        FEdit->SetDisplayFormat("00.000 V");
        FEdit->SetValue(5.5);
        FEdit->selectAll();
        QTest::keyClicks(FEdit, "7.25");
        QTest::keyClick(FEdit, Qt::Key_Return);
        QCOMPARE(double(FEdit->Value()), 7.25);
        QCOMPARE(FEdit->text(), "07.250 V");
        // Text that is no number keeps the value and shows it again.
        FEdit->setText("1.2.3");
        QTest::keyClick(FEdit, Qt::Key_Enter);
        QCOMPARE(double(FEdit->Value()), 7.25);
        QCOMPARE(FEdit->text(), "07.250 V");
    }

    void ownScientificTextReadsBack() {
        FEdit->SetValue(0.0012L);
        QCOMPARE(FEdit->text(), "1.2E-03");
        QTest::keyClick(FEdit, Qt::Key_Return);
        QCOMPARE(double(FEdit->Value()), 0.0012);
    }

    void focusSelectsAllAndLeavingClamps() {
        FEdit->SetValue(3);
        FOther->setFocus(Qt::TabFocusReason);
        QCOMPARE(double(FEdit->Value()), 0.0); // limits 0..0, as on the window
        FEdit->setFocus(Qt::TabFocusReason);
        QCOMPARE(FEdit->selectedText(), FEdit->text());

        FEdit->SetMinValue(-10);
        FEdit->SetMaxValue(100);
        const auto leaveAfterTyping = [this](const QString& keys) {
            FEdit->setFocus(Qt::TabFocusReason);
            QTest::keyClicks(FEdit, keys);
            FOther->setFocus(Qt::TabFocusReason);
            return double(FEdit->Value());
        };
        QCOMPARE(leaveAfterTyping("42"), 42.0);
        QCOMPARE(FEdit->text(), "4.2E+01");
        QCOMPARE(leaveAfterTyping("250"), 100.0);
        QCOMPARE(leaveAfterTyping("-50"), -10.0);
        FEdit->SetMinValue(5); // crossed limits: the minimum wins
        FEdit->SetMaxValue(1);
        QCOMPARE(leaveAfterTyping("3"), 5.0);
    }

    void windowFocusLossKeepsTyping() {
        QTest::keyClicks(FEdit, "12");
        QFocusEvent leave(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(FEdit, &leave);
        QCOMPARE(FEdit->text(), "12");
    }

    void integerFilter() {
        const auto type = TNumberEditType::integervalue;
        QCOMPARE(Typed(type, "327670"), "32767");
        QCOMPARE(Typed(type, "-327689"), "-32768");
        QCOMPARE(Typed(type, "5-E.a"), "5");
        QCOMPARE(Typed(type, "-5"), "-5");
        QTest::keyClick(FEdit, Qt::Key_Home);
        QTest::keyClicks(FEdit, "3-"); // no digit in front of the minus; a second minus is
        QCOMPARE(FEdit->text(), "--5");
        QTest::keyClick(FEdit, Qt::Key_End);
        QTest::keyClicks(FEdit, "6"); // "--56" is no integer: refused, nothing thrown
        QCOMPARE(FEdit->text(), "--5");
    }

    void longIntegerFilter() {
        const auto type = TNumberEditType::longintvalue;
        QCOMPARE(Typed(type, "2147483647"), "2147483647");
        QCOMPARE(Typed(type, "2147483648"), "214748364");
        QCOMPARE(Typed(type, "-2147483648"), "-2147483648");
        QCOMPARE(Typed(type, "-2147483649"), "-214748364");
    }

    void wordFilter() {
        const auto type = TNumberEditType::wordvalue;
        QCOMPARE(Typed(type, "-65535"), "65535");
        QCOMPARE(Typed(type, "65536"), "6553");
    }

    void floatingPointFilter() {
        const auto type = TNumberEditType::floatingpointvalue;
        QCOMPARE(Typed(type, "1.2.5Ee-3x"), "1.25E-3");
        QCOMPARE(Typed(type, "7-"), "7");
        FEdit->setText("1.5");
        FEdit->setSelection(0, 1);
        QTest::keyClicks(FEdit, ".");
        QCOMPARE(FEdit->text(), "1.5"); // the selection leaves the old separator
        FEdit->setSelection(1, 1);
        QTest::keyClicks(FEdit, ".");
        QCOMPARE(FEdit->text(), "1.5");
        QTest::keyClick(FEdit, Qt::Key_Backspace);
        QTest::keyClick(FEdit, Qt::Key_Home);
        QTest::keyClick(FEdit, Qt::Key_Delete);
        QCOMPARE(FEdit->text(), "5");
    }

    void currencyFilter() {
        const auto type = TNumberEditType::CurrencyValue;
        QCOMPARE(Typed(type, "12E.5.0"), "12.50");
        QCOMPARE(Typed(type, "9223372036854778"), "922337203685477");
        QCOMPARE(Typed(type, "-922337203685478"), "-92233720368547");
    }

    void localeDecimalSeparatorBothWays() {
        FEdit->setLocale(QLocale(QLocale::German, QLocale::Germany));
        FEdit->SetDisplayFormat("00.000 V");
        FEdit->SetValue(5.5);
        QCOMPARE(FEdit->text(), "05,500 V");
        FEdit->selectAll();
        QTest::keyClicks(FEdit, "7.,25");
        QTest::keyClick(FEdit, Qt::Key_Return);
        QCOMPARE(double(FEdit->Value()), 7.25);
        QCOMPARE(FEdit->text(), "07,250 V");
    }
};

QTEST_MAIN(TNumberEditTest)
#include "number_edit_test.moc"
