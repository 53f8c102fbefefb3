// The main window against a panel on a pseudo-terminal: start-up, the communication page, the
// poll over the serial line, the buttons, the error display, and closing.

#include "hung_run.h"
#include "little_endian.h"
#include "panel_frames.h"
#include "pty_pair.h"
#include "temp_dir.h"
#include "ui/accessibility.h"
#include "ui/chart_page.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/installations_page.h"
#include "ui/led_shape.h"
#include "ui/link_health_view.h"
#include "ui/link_status_bar.h"
#include "ui/alarm_page.h"
#include "ui/main_window.h"
#include "ui/number_edit.h"
#include "ui/qt_timer.h"
#include "ui/radio_group.h"
#include "ui/status_page.h"
#include "ui/status_pages.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

#include <chrono>
#include <functional>
#include <memory>

namespace {

const std::string Poll = "\xAA\x01\x30\x41\x71\xAA\x02";

// Reads from the far side while the window keeps handling its events.
std::string ReceiveWhileRunning(TPtyPair& pty, std::size_t count, int timeoutMs) {
    std::string bytes;
    QElapsedTimer clock;
    clock.start();
    while (bytes.size() < count && clock.elapsed() < timeoutMs) {
        QTest::qWait(20);
        bytes += pty.Receive(count - bytes.size(), std::chrono::milliseconds(10));
    }
    return bytes;
}

// Runs `action` on the question box once it is up, and gives back its text.
void OnQuestion(const std::function<void(QMessageBox*)>& action) {
    QTimer::singleShot(0, [action] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        action(box);
    });
}

void AnswerYes(QMessageBox* box) {
    box->button(QMessageBox::Yes)->click();
}

std::string IniForPort(const std::string& port) {
    return "[ComPort1]\r\nPort=" + port +
           "\r\nBaudRate=115200\r\nStopBits=1\r\nDataBits=8\r\nParity=None\r\n"
           "FlowControl=None\r\n";
}

} // namespace

class TMainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        InstallAccessibleRoles(); // as the program does at start
        // The machine's port 1501 may be held by another run; these tests talk serial.
        TForm1::UdpServerPort = "0";
    }
    void init() {
        FDir = std::make_unique<TTempDir>();
        FPty = std::make_unique<TPtyPair>();
        WriteFileBytes(FDir->Path() / "ComPort.ini", IniForPort(FPty->SlavePath()));
        // The panel is on the serial line; the default address must never be polled from here.
        WriteFileBytes(FDir->Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\n");
    }
    void cleanup() {
        FPty.reset();
        FDir.reset();
    }

    void OpensOnTheCommunicationPageWithTheDesignedControls() {
        TForm1 form(FDir->Path().string());
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("Orvant  v2.1"));
        QCOMPARE(form.PageControl1->currentWidget(), form.TabSheet2);
        QStringList captions;
        for (int i = 0; i < form.PageControl1->count(); ++i) {
            captions << form.PageControl1->tabText(i);
        }
        QCOMPARE(captions, (QStringList{"Master", "Communication", "Chart", "Slave 1", "Slave2",
                                        "Slave3", "Slave4", "Events", "Installations",
                                        "Alarms"}));
        TCommunicationPage* page = form.TabSheet2;
        for (QPushButton* hidden : {page->Button3, page->Button7, page->Button8}) {
            QVERIFY(!hidden->isVisible());
        }
        QVERIFY(page->Button1->isVisible());
        QCOMPARE(page->SpinEditRefresh->value(), 1000);
        QCOMPARE(page->SpinEditRefresh->minimum(), 100);
        QCOMPARE(page->SpinEditRefresh->maximum(), 10000);
        QCOMPARE(page->SpinEditSlave->maximum(), 4);
        QVERIFY(!page->EditIP->isEnabled());
        QVERIFY(page->Memo1->isReadOnly());
        QCOMPARE(page->Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        // Where the settings and reports of this run are: the status bar's tool tip.
        QVERIFY(form.findChild<QStatusBar*>()->toolTip().endsWith(
            QString::fromStdString(FDir->Path().string())));
        form.close();
    }

    void UdpBoxLocksAndUnlocksTheIpField() {
        TForm1 form(FDir->Path().string());
        form.show();
        TCommunicationPage* page = form.TabSheet2;
        page->CheckBoxUDP->click(); // ticked: locked
        QVERIFY(!page->EditIP->isEnabled());
        page->CheckBoxUDP->click(); // unticked: editable
        QVERIFY(page->EditIP->isEnabled());
        form.close();
    }

    void PollsTheSerialPanelAndSendsTheButtonsCommands() {
        TForm1 form(FDir->Path().string());
        form.show();
        QVERIFY(form.ComPort1.Connected());
        QCOMPARE(ReceiveWhileRunning(*FPty, Poll.size(), HungRunMs), Poll);

        form.TabSheet2->ButtonVerse->click();
        QCOMPARE(ReceiveWhileRunning(*FPty, 7, HungRunMs),
                 std::string("\xAA\x01\x30\x56\x86\xAA\x02"));
        form.TabSheet2->SpinEditSlave->setValue(3);
        OnQuestion(AnswerYes);
        form.TabSheet2->ButtonSetSlave->click();
        QCOMPARE(ReceiveWhileRunning(*FPty, 8, HungRunMs),
                 std::string("\xAA\x01\x30\x53\x03\x86\xAA\x02"));
        form.close();
    }

    void SetSlavesAndSetTimeAskFirstAndEnterDoesNotConfirm() {
        TForm1 form(FDir->Path().string());
        form.show();
        QString asked;
        OnQuestion([&asked](QMessageBox* box) {
            asked = box->text();
            QTest::keyClick(box, Qt::Key_Return); // the default answer is no
        });
        form.TabSheet2->ButtonSetSlave->click();
        QCOMPARE(asked, QStringLiteral("Set the number of slaves of the panel to 0?"));
        OnQuestion([&asked](QMessageBox* box) {
            asked = box->text();
            AnswerYes(box);
        });
        const QDateTime before = QDateTime::currentDateTime();
        form.TabSheet2->ButtonSetTime->click();
        const QDateTime shown = QDateTime::fromString(
            asked, QStringLiteral("'Set the panel clock to 'hh:mm:ss dd.MM.yyyy'?'"));
        QVERIFY2(shown.isValid(), qPrintable(asked));
        QVERIFY(qAbs(shown.secsTo(before)) <= 2);
        // Only the clock went out, besides the polls.
        const std::string sent = ReceiveWhileRunning(*FPty, 4096, 1500);
        QVERIFY(sent.find("\xAA\x01\x30\x54") != std::string::npos);
        QVERIFY(sent.find("\xAA\x01\x30\x53") == std::string::npos);
        form.close();
    }

    void MeasuredValuesAreDisplaysAndTheLinkFieldsStayEditable() {
        TForm1 form(FDir->Path().string());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.PageControl1->setCurrentWidget(form.Master);
        TNumberEdit* voltage = form.Master->NumberEdit(TMeasureField::VA);
        form.StatusPages().ShowValue(0, TMeasureField::VA, 12345);
        voltage->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(voltage->hasFocus(), HungRunMs);
        QTest::keyClicks(voltage, QStringLiteral("99"));
        QTest::keyClick(voltage, Qt::Key_Return);
        QTest::keyClick(voltage, Qt::Key_Tab);
        QCOMPARE(voltage->text(), QStringLiteral("12.345 V"));
        QVERIFY(voltage->isReadOnly());
        QCOMPARE(voltage->selectedText(), QString()); // Tab left it
        voltage->selectAll();
        QCOMPARE(voltage->selectedText(), QStringLiteral("12.345 V")); // can still be copied
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(voltage);
        QVERIFY(spoken->state().readOnly);
        for (TStatusPage* page : {form.Master, form.TabSheetSl[0]}) {
            for (TNumberEdit* edit : page->findChildren<TNumberEdit*>()) {
                QVERIFY2(edit->isReadOnly(), qPrintable(edit->objectName()));
            }
        }
        TCommunicationPage* link = form.TabSheet2;
        for (QAbstractSpinBox* field : link->findChildren<QAbstractSpinBox*>()) {
            QVERIFY(!field->isReadOnly());
        }
        form.close();
    }

    void EveryPageHasItsOwnAltKeysAndCtrlTabChangesPages() {
        TForm1 form(FDir->Path().string());
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTabWidget* tabs = form.PageControl1;
        for (int index = 0; index < tabs->count(); ++index) {
            tabs->setCurrentIndex(index);
            QMap<QString, QString> keys; // mnemonic -> text
            for (QWidget* widget : tabs->widget(index)->findChildren<QWidget*>()) {
                QString text;
                if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                    text = button->text();
                } else if (auto* label = qobject_cast<QLabel*>(widget)) {
                    text = label->text();
                }
                const QString key = QKeySequence::mnemonic(text).toString();
                if (!widget->isVisible() || key.isEmpty()) {
                    continue;
                }
                QVERIFY2(!keys.contains(key), qPrintable(text + " / " + keys.value(key)));
                keys[key] = text;
            }
        }
        TCommunicationPage* page = form.TabSheet2;
        for (QPushButton* button : page->findChildren<QPushButton*>()) {
            QVERIFY2(!button->isVisible() || !QKeySequence::mnemonic(button->text()).isEmpty(),
                     qPrintable(button->objectName()));
        }
        tabs->setCurrentWidget(page);
        QSignalSpy version(page->ButtonVerse, &QPushButton::clicked);
        page->SpinEditAdr->setFocus();
        QTest::keyClick(page->SpinEditAdr, Qt::Key_V, Qt::AltModifier);
        // A mnemonic clicks after a short animation.
        QTRY_COMPARE_WITH_TIMEOUT(version.size(), 1, HungRunMs);

        page->SpinEditRefresh->setFocus(); // the keys work wherever the focus is
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentWidget(), form.TabSheet3);
        tabs->setTabVisible(tabs->indexOf(form.TabSheetSl[0]), false); // slave 1 absent
        QTest::keyClick(&form, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(tabs->currentWidget(), form.TabSheetSl[1]);
        QTest::keyClick(&form, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(tabs->currentWidget(), form.TabSheet3);
        QTest::keyClick(&form, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(tabs->currentWidget(), form.TabSheet2);
        tabs->setCurrentWidget(form.TabSheetAlarms);
        QTest::keyClick(&form, Qt::Key_Tab, Qt::ControlModifier); // round to the first page
        QCOMPARE(tabs->currentWidget(), form.Master);
        form.close();
    }

    void StateGroupsRelaysAndLedsAreTabStopsWithArrowsWithin() {
        TForm1 form(FDir->Path().string());
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.PageControl1->setCurrentWidget(form.Master);
        form.StatusPages().ShowStateCode(0, TStateField::stHas, 2);
        TRadioGroup* system = form.Master->RadioGroup(TStateField::stHas);
        // Walk the Tab chain once round the master page.
        form.Master->NumberEdit(TMeasureField::VA)->setFocus();
        QMap<QObject*, int> stopsPerGroup; // group box -> Tab stops inside it
        QWidget* start = QApplication::focusWidget();
        for (int step = 0; step < 200; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            if (focused == start) {
                break;
            }
            if (auto* group = qobject_cast<QGroupBox*>(focused->parentWidget())) {
                ++stopsPerGroup[group];
            }
        }
        QCOMPARE(QApplication::focusWidget(), start); // the chain came round
        // Eight state groups, the relays and three LED boxes: one stop each.
        QCOMPARE(stopsPerGroup.size(), 12);
        for (int stops : stopsPerGroup) {
            QCOMPARE(stops, 1);
        }
        // Tab lands on the item the panel reports; arrows move on and change nothing.
        system->Button(0)->setFocus();
        system->Button(2)->setFocus();
        QCOMPARE(QApplication::focusWidget(), system->Button(2));
        QTest::keyClick(system->Button(2), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), system->Button(3));
        QTest::keyClick(system->Button(3), Qt::Key_Space);
        QTest::keyClick(system->Button(3), Qt::Key_Up);
        QTest::keyClick(system->Button(2), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), system->Button(1));
        QCOMPARE(system->ItemIndex(), 2);
        TShape* alarm = form.StatusPages().LedAt(0, 3);
        alarm->setFocus();
        QTest::keyClick(alarm, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), form.StatusPages().LedAt(0, 2));
        form.close();
    }

    void TheWindowIsAWindowNamedByItsTitleForScreenReaders() {
        TForm1 form(FDir->Path().string());
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&form);
        QCOMPARE(window->role(), QAccessible::Window);
        QCOMPARE(window->text(QAccessible::Name), QStringLiteral("Orvant  v2.1"));
    }

    // "Stop" is the technician's own wish, not a failure: polling ends without a message.
    void StopIsNoErrorAndInitBringsPollingBack() {
        TForm1 form(FDir->Path().string());
        form.show();
        form.TabSheet2->SpinEditRefresh->setValue(100);
        QCOMPARE(ReceiveWhileRunning(*FPty, Poll.size(), HungRunMs), Poll);

        form.TabSheet2->ButtonStop->click();
        QVERIFY(!form.ComPort1.Connected());
        QTest::qWait(400); // several polls due
        QCOMPARE(form.Errors().OpenMessages(), QStringList());
        QCOMPARE(form.LinkHealth().StatusBar()->State()->text(), QStringLiteral("stopped"));

        form.TabSheet2->Button1->click();
        QVERIFY(form.ComPort1.Connected());
        FPty->Receive(4096, std::chrono::milliseconds(50)); // anything sent before the stop
        QCOMPARE(ReceiveWhileRunning(*FPty, Poll.size(), HungRunMs), Poll);
        form.close();
    }

    void AStatusReplyOverTheLineIsShownOnThePages() {
        TForm1 form(FDir->Path().string());
        form.show();
        std::string record(283, '\0');
        auto* r = reinterpret_cast<uint8_t*>(record.data());
        const uint8_t id[6] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
        std::copy(id, id + 6, r);
        PutU16(r + 12, 12345);        // master line A voltage, mV
        PutU16(r + 14, 2500);         // line A current, uA
        PutU16(r + 24, 27123);        // mains voltage, mV
        PutU16(r + 34, 65535);        // external temperature, tenths of a degree
        PutU16(r + 36, 235);          // internal temperature
        PutU16(r + 40, 1500);         // pressure, mbar
        PutU16(r + 61, 300);          // extinguishing time, tenths of a second
        r[56] = 12;                   // system state past its list
        PutU32(r + 46, 1u << 3);      // "Alarm" on
        r[45] = 0x0F;                 // four slaves
        PutU32(r + 50, 1u << 20);     // "Fault slave3" blinks on the master
        PutU16(r + 63 + 55 + 6, 987); // slave 2 line A voltage, mV
        FPty->Send(PanelSerialFrameText('A', record));

        TStatusPage* master = form.Master;
        QTRY_COMPARE_WITH_TIMEOUT(master->NumberEdit(TMeasureField::VNet)->text(),
                                  QStringLiteral("27.12 V"), HungRunMs);
        const std::pair<TMeasureField, const char*> shown[] = {
            {TMeasureField::VA, "12.345 V"}, {TMeasureField::IA, "02.50 mA"},
            {TMeasureField::TE, "6553.5 C"}, {TMeasureField::TI, "23.5 C"},
            {TMeasureField::P, "1.50 Bar"},  {TMeasureField::Tim, "30.0 s"}};
        for (const auto& [field, text] : shown) {
            QCOMPARE(master->NumberEdit(field)->text(), QString::fromLatin1(text));
        }
        QCOMPARE(form.TabSheetSl[1]->NumberEdit(TMeasureField::VA)->text(),
                 QStringLiteral("00.987 V"));
        QCOMPARE(master->findChild<QLineEdit*>(QStringLiteral("EditID"))->text(),
                 QStringLiteral("060504030201"));
        QVERIFY(form.PageControl1->isTabVisible(form.PageControl1->indexOf(form.TabSheetSl[0])));
        QVERIFY(!form.PageControl1->isTabVisible(form.PageControl1->indexOf(form.TabSheetSl[2])));
        QCOMPARE(form.PanelState().LedOn[0], 1u << 3);
        TShape* alarm = form.StatusPages().LedAt(0, 3);
        QTRY_VERIFY_WITH_TIMEOUT(alarm->Lit(), HungRunMs);
        QVERIFY(!form.StatusPages().LedAt(0, 0)->Lit()); // "Sys. ready" follows the masks now
        form.close();
    }

    // While no LED blinks the LED timer sleeps, and a steady LED takes its look at the reply.
    void TheLedTimerSleepsWhileNoLedBlinks() {
        TForm1 form(FDir->Path().string());
        form.show();
        std::string record(283, '\0');
        auto* r = reinterpret_cast<uint8_t*>(record.data());
        PutU32(r + 50, 1u << 20); // "Fault slave3" blinks on the master
        FPty->Send(PanelSerialFrameText('A', record));
        QTRY_VERIFY_WITH_TIMEOUT(form.TimerLed->Enabled(), HungRunMs);

        PutU32(r + 50, 0);
        PutU32(r + 46, 1u << 5); // "Failure" steady on, nothing blinks
        FPty->Send(PanelSerialFrameText('A', record));
        QTRY_VERIFY_WITH_TIMEOUT(form.StatusPages().LedAt(0, 5)->Lit(), HungRunMs);
        QVERIFY(!form.TimerLed->Enabled());
        QVERIFY(!form.StatusPages().LedAt(0, 20)->Lit());
        form.close();
    }

    void TheLogBeginsWithItsBanner() {
        TForm1 form(FDir->Path().string());
        form.show();
        QCOMPARE(form.TabSheet2->Memo1->toPlainText(),
                 QStringLiteral("Start Komunikace\n---------------------------------------"));
        form.close();
    }

    // One message for a port that is not there, and a state that says so: polls are not
    // written to it, so no write failure follows.
    void AMissingPortIsReportedOnceAndTheWindowStillStarts() {
        WriteFileBytes(FDir->Path() / "ComPort.ini", IniForPort("/dev/orvant-no-such-port"));
        TForm1 form(FDir->Path().string());
        form.show();
        QVERIFY(!form.ComPort1.Connected());
        form.TabSheet2->SpinEditRefresh->setValue(100);
        QTest::qWait(1500); // polls due
        QCOMPARE(form.Errors().OpenMessages(), QStringList{"Serial port not found"});
        QCOMPARE(form.LinkHealth().StatusBar()->State()->text(), QStringLiteral("not found"));
        form.close();
    }

    void ClosingStoresTheSerialSettingsAfterWaitingForLateReplies() {
        std::filesystem::remove(FDir->Path() / "ComPort.ini");
        TForm1 form(FDir->Path().string());
        form.show();
        QElapsedTimer clock;
        clock.start();
        form.close();
        QVERIFY(clock.elapsed() >= 1000);
        QCOMPARE(ReadFileBytes(FDir->Path() / "ComPort.ini"),
                 std::string("[ComPort1]\r\nPort=COM5\r\nBaudRate=115200\r\nStopBits=1\r\n"
                             "DataBits=8\r\nParity=None\r\nFlowControl=None\r\n"));
    }

    void EveryNamedWidgetCanBeFoundByItsNameAndRead() {
        TForm1 form(FDir->Path().string());
        NameAccessibleTree(&form);
        for (QWidget* widget : form.findChildren<QWidget*>()) {
            if (!widget->objectName().isEmpty()) {
                QCOMPARE(widget->accessibleDescription(), widget->objectName());
            }
        }
        TCommunicationPage* page = form.TabSheet2;
        QCOMPARE(page->SpinEditRefresh->accessibleName(), QStringLiteral("Refresh"));
        QCOMPARE(page->SpinEditAdr->accessibleName(), QStringLiteral("Address"));
        QCOMPARE(page->EditIP->accessibleName(), QStringLiteral("IP address"));
        QCOMPARE(page->ButtonVerse->accessibleName(), QStringLiteral("Software version"));
        QVERIFY(!page->SpinEditSlave->accessibleName().isEmpty());
    }

private:
    std::unique_ptr<TTempDir> FDir;
    std::unique_ptr<TPtyPair> FPty;
};

QTEST_MAIN(TMainWindowTest)
#include "main_window_test.moc"
