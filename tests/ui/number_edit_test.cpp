// The numeric field: its text in the field's locale, the reading of its text, focus with the
// limits, and the keystroke filter of every entry type, driven through real key events on a
// shown field. The number format language itself is tested in the core tests.

#include "ui/number_edit.h"

#include <QtTest>

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

    // The whole group separator is written, even where the locale's takes more than one byte.
    void localeGroupSeparatorWhole() {
        const QLocale french(QLocale::French, QLocale::France);
        const QString group = french.groupSeparator();
        QVERIFY(!group.isEmpty() && group[0].unicode() > 0x7F);
        FEdit->setLocale(french);
        FEdit->SetEntryRequired(TNumberEditType::CurrencyValue);
        FEdit->SetValue(1234567);
        QCOMPARE(FEdit->text(), "1" + group + "234" + group + "567");
    }

    void unitOutsideAsciiKeptWhole() {
        FEdit->SetDisplayFormat(QString::fromUtf8("###0.0 \u00B0C"));
        FEdit->SetValue(-23.5);
        QCOMPARE(FEdit->text(), QString::fromUtf8("-23.5 \u00B0C"));
        QTest::keyClick(FEdit, Qt::Key_Return);
        QCOMPARE(double(FEdit->Value()), -23.5);
    }
};

QTEST_MAIN(TNumberEditTest)
#include "number_edit_test.moc"
