// The main window against a panel on a pseudo-terminal: start-up, the communication page, the
// poll over the serial line, the buttons, the error display, and closing.

#include "little_endian.h"
#include "panel_frames.h"
#include "pty_pair.h"
#include "temp_dir.h"
#include "ui/accessibility.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/led_shape.h"
#include "ui/main_window.h"
#include "ui/number_edit.h"
#include "ui/qt_timer.h"
#include "ui/status_page.h"
#include "ui/status_pages.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

#include <chrono>
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
                                        "Slave3", "Slave4"}));
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
        QCOMPARE(page->Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
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
        QCOMPARE(ReceiveWhileRunning(*FPty, Poll.size(), 3000), Poll);

        form.TabSheet2->ButtonVerse->click();
        QCOMPARE(ReceiveWhileRunning(*FPty, 7, 1000), std::string("\xAA\x01\x30\x56\x86\xAA\x02"));
        form.TabSheet2->SpinEditSlave->setValue(3);
        form.TabSheet2->ButtonSetSlave->click();
        QCOMPARE(ReceiveWhileRunning(*FPty, 8, 1000),
                 std::string("\xAA\x01\x30\x53\x03\x86\xAA\x02"));
        form.close();
    }

    void StopShowsTheFailedPollOnceAndInitBringsPollingBack() {
        TForm1 form(FDir->Path().string());
        form.show();
        form.TabSheet2->SpinEditRefresh->setValue(100);
        QCOMPARE(ReceiveWhileRunning(*FPty, Poll.size(), 3000), Poll);

        form.TabSheet2->ButtonStop->click();
        QVERIFY(!form.ComPort1.Connected());
        QTRY_COMPARE_WITH_TIMEOUT(form.Errors().OpenMessages().size(), 1, 3000);
        QTest::qWait(400); // several more failed polls
        QCOMPARE(form.Errors().OpenMessages(),
                 QStringList{"WriteFile function failed (win error code: 9)"});

        form.TabSheet2->Button1->click();
        QVERIFY(form.ComPort1.Connected());
        FPty->Receive(4096, std::chrono::milliseconds(50)); // anything sent before the stop
        QCOMPARE(ReceiveWhileRunning(*FPty, Poll.size(), 2000), Poll);
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
                                  QStringLiteral("27.12 V"), 3000);
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
        QTRY_VERIFY_WITH_TIMEOUT(alarm->Lit(), 1000);
        QVERIFY(!form.StatusPages().LedAt(0, 0)->Lit()); // "Sys. ready" follows the masks now
        form.close();
    }

    void TheLogBeginsWithItsBanner() {
        TForm1 form(FDir->Path().string());
        form.show();
        QCOMPARE(form.TabSheet2->Memo1->toPlainText(),
                 QStringLiteral("Start Komunikace\n---------------------------------------"));
        form.close();
    }

    void AMissingPortIsReportedAndTheWindowStillStarts() {
        WriteFileBytes(FDir->Path() / "ComPort.ini", IniForPort("/dev/orvant-no-such-port"));
        TForm1 form(FDir->Path().string());
        form.show();
        QVERIFY(!form.ComPort1.Connected());
        QCOMPARE(form.Errors().OpenMessages(),
                 QStringList{"Unable to open com port (win error code: 2)"});
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
