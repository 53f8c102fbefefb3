// The link at a glance in the window, against a panel on a pseudo-terminal behind a link (as
// under /dev/serial/by-id/): the status bar, stale pages and LEDs, the adapter pulled and
// plugged in again with polling resumed and no user action, errors listed without any dialog,
// and the traffic monitor.

#include "hung_run.h"
#include "link/frame_codec.h"
#include "little_endian.h"
#include "panel_frames.h"
#include "pty_pair.h"
#include "temp_dir.h"
#include "transport/com_port_errors.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/fitting_label.h"
#include "ui/led_shape.h"
#include "ui/link_health_view.h"
#include "ui/link_status_bar.h"
#include "ui/main_window.h"
#include "ui/stale_marker.h"
#include "ui/status_page.h"
#include "ui/status_pages.h"
#include "ui/traffic_monitor.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QtTest>

#include <chrono>
#include <filesystem>
#include <memory>

using namespace std::chrono_literals;

namespace {

const std::string Poll = "\xAA\x01\x30\x41\x71\xAA\x02";

// A status record of master 060504030201 with two events in its log and "Alarm" blinking
// slowly.
std::string StatusRecord() {
    std::string record(283, '\0');
    auto* r = reinterpret_cast<uint8_t*>(record.data());
    const uint8_t id[6] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    std::copy(id, id + 6, r);
    PutU16(r + 8, 2);        // the panel's event log ends at 2
    PutU16(r + 10, 500);     // of 500
    PutU32(r + 46, 1u << 3); // on
    PutU32(r + 50, 1u << 3); // and blinking: slow
    return record;
}

// No dialog of any kind may take the window from the user.
bool NoModalDialog() {
    if (QApplication::activeModalWidget() != nullptr) {
        return false;
    }
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->isModal()) {
            return false;
        }
    }
    return true;
}

// What a status bar field paints at its width now.
QString Shown(QLabel* field) {
    return static_cast<TFittingLabel*>(field)->Shown();
}

} // namespace

class TLinkHealthWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TForm1::UdpServerPort = "0"; }
    void init() {
        FDir = std::make_unique<TTempDir>();
        FLink = FDir->Path() / "usb-Orvant_Panel-if00-port0";
        PlugIn();
        WriteFileBytes(FDir->Path() / "ComPort.ini",
                       "[ComPort1]\r\nPort=" + FLink.string() + "\r\nBaudRate=115200\r\n");
        WriteFileBytes(FDir->Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\n");
    }
    void cleanup() {
        FPty.reset();
        FDir.reset();
    }

    void ThePulledAdapterComesBackByItselfWhileTheBarAndThePagesTellTheTruth() {
        TForm1 form(FDir->Path().string());
        form.show(); // polls every second: a reply keeps the age green for two
        TLinkStatusBar* bar = form.LinkHealth().StatusBar();
        QTRY_VERIFY_WITH_TIMEOUT(
            bar->Target()->toolTip().startsWith(QStringLiteral("Serial ") +
                                                QString::fromStdString(FLink.string()) +
                                                QStringLiteral(" 115200 8N1")),
            HungRunMs);
        // Before any reply the values are no panel's: greyed, and the note says so.
        QVERIFY(form.StatusPages().Stale());
        QCOMPARE(form.StatusPages().StaleMarker(0)->Note()->text(),
                 QStringLiteral("No reply yet: no values of the panel"));
        QVERIFY(AnswerPoll(form));
        QTRY_COMPARE_WITH_TIMEOUT(bar->State()->text(), QStringLiteral("polling"), HungRunMs);
        QCOMPARE(bar->AgeColour(), TAgeColour::Green);
        QVERIFY(bar->Counters()->text().contains(QStringLiteral("replies 1")));
        // The copy's count comes with the bar's next look.
        QTRY_VERIFY_WITH_TIMEOUT(
            bar->Counters()->text().endsWith(QStringLiteral("events 0 copied, 2 waiting")),
            HungRunMs);
        // The smallest window still names the port and the events waiting, and every field
        // stays inside the bar.
        const QSize size = form.size();
        form.resize(form.minimumSize());
        QTRY_COMPARE_WITH_TIMEOUT(form.size(), form.minimumSize(), HungRunMs);
        QTRY_VERIFY2_WITH_TIMEOUT(Shown(bar->Target()).endsWith(QStringLiteral("Panel-if00-port0")),
                                  qPrintable(Shown(bar->Target())), HungRunMs);
        QVERIFY2(Shown(bar->Counters()).endsWith(QStringLiteral("events 0 copied, 2 waiting")),
                 qPrintable(Shown(bar->Counters())));
        for (QLabel* field : bar->findChildren<QLabel*>()) {
            QVERIFY2(!field->isVisible() ||
                         field->mapTo(&form, QPoint(field->width(), 0)).x() <= form.width(),
                     qPrintable(field->objectName()));
        }
        form.resize(size);
        TShape* alarm = form.StatusPages().LedAt(0, 3);
        QVERIFY(!alarm->Greyed());

        // The adapter is pulled: the link says so at once and the values are marked old.
        FPty->HangUp();
        std::filesystem::remove(FLink);
        QTRY_COMPARE_WITH_TIMEOUT(bar->State()->text(), QStringLiteral("device gone"), HungRunMs);
        QCOMPARE(bar->AgeColour(), TAgeColour::Red);
        QVERIFY(form.StatusPages().Stale());
        QVERIFY(alarm->Greyed());
        QLabel* note = form.StatusPages().StaleMarker(0)->Note();
        QVERIFY(note->isVisibleTo(form.Master));
        QVERIFY(note->text().startsWith(QStringLiteral("No reply since ")));
        const bool look = alarm->Lit();
        QTest::qWait(1000); // a slow blink changes its look every 800 ms
        QCOMPARE(alarm->Lit(), look);
        // One message, however many operations met the gone device, and no write to it since.
        QCOMPARE(form.Errors().OpenMessages(),
                 QStringList{"Serial device gone: the adapter was pulled or the line hung up"});
        // The waiting-byte count or the wait itself fails, whichever the hang-up reaches first.
        const QString detail = ErrorLines(form).join('\n');
        QVERIFY2(detail.contains(QStringLiteral("Reading the serial line's errors failed (errno "
                                                "5) - Input/output error on ") +
                                 QString::fromStdString(FLink.string())) ||
                     detail.contains(QStringLiteral("Cannot read the serial port's status (errno "
                                                    "5) - Input/output error on ") +
                                     QString::fromStdString(FLink.string())),
                 qPrintable(detail));
        QVERIFY(NoModalDialog());

        // Plugged in again, under another device: polling resumes with nobody touching a key.
        PlugIn();
        QVERIFY(AnswerPoll(form));
        QTRY_COMPARE_WITH_TIMEOUT(bar->State()->text(), QStringLiteral("polling"), HungRunMs);
        QCOMPARE(bar->AgeColour(), TAgeColour::Green);
        QVERIFY(!form.StatusPages().Stale());
        QVERIFY(!alarm->Greyed());
        QVERIFY(!note->isVisibleTo(form.Master));

        // Silence alone turns the age amber after two intervals, then red after ten.
        form.TabSheet2->SpinEditRefresh->setValue(100);
        QTRY_COMPARE_WITH_TIMEOUT(bar->AgeColour(), TAgeColour::Amber, HungRunMs);
        QCOMPARE(bar->State()->text(), QStringLiteral("no reply"));
        QTRY_COMPARE_WITH_TIMEOUT(bar->AgeColour(), TAgeColour::Red, HungRunMs);
        QVERIFY(form.StatusPages().Stale());

        // "Stop" still means stop: the port stays closed although its device is there.
        form.TabSheet2->ButtonStop->click();
        QTest::qWait(600);
        QVERIFY(!form.ComPort1.Connected());
        QCOMPARE(bar->State()->text(), QStringLiteral("stopped"));
        form.close();
    }

    // With UDP chosen the serial port is not in use: its adapter pulled is a note in the log,
    // never an error blamed on the port.
    void WithUdpChosenAPulledAdapterIsOnlyNoted() {
        WriteFileBytes(FDir->Path() / "Kelm2.ini", "[General]\r\nUDP=1\r\nIP=127.0.0.1\r\n");
        TForm1 form(FDir->Path().string());
        form.show();
        QTRY_VERIFY_WITH_TIMEOUT(form.ComPort1.Connected(), HungRunMs);
        FPty->HangUp();
        std::filesystem::remove(FLink);
        auto noted = [&] {
            return form.TabSheet2->Memo1->toPlainText().contains(
                QStringLiteral("Not in use now: "));
        };
        QTRY_VERIFY_WITH_TIMEOUT(noted() || !form.Errors().OpenMessages().isEmpty(), HungRunMs);
        for (const QString& message : form.Errors().OpenMessages()) {
            QVERIFY2(!message.contains(QStringLiteral("Serial")), qPrintable(message));
        }
        QTRY_VERIFY_WITH_TIMEOUT(noted(), HungRunMs);
        form.close();
    }

    void ErrorsAreListedOnceWithTimesAndCountsAndNeverInADialog() {
        TForm1 form(FDir->Path().string());
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.TabSheet2->SpinEditRefresh->setFocus();
        TErrorDisplay& errors = form.Errors();
        errors.Show(QStringLiteral("Invalid address: panel.local"),
                    QStringLiteral("Name or service not known"));
        errors.Show(QStringLiteral("Failed to store settings"));
        errors.Show(QStringLiteral("Invalid address: panel.local"));
        QCOMPARE(errors.OpenMessages(),
                 (QStringList{"Invalid address: panel.local", "Failed to store settings"}));
        const QStringList lines = ErrorLines(form);
        QVERIFY(lines[0].contains(QStringLiteral("Invalid address: panel.local  (2 times since ")));
        QVERIFY(lines[0].endsWith(QStringLiteral("Name or service not known")));
        QVERIFY(errors.Area()->isVisible());
        QVERIFY(NoModalDialog());
        QCOMPARE(QApplication::focusWidget(), form.TabSheet2->SpinEditRefresh);

        errors.DismissSelected(); // none selected: the newest goes
        QCOMPARE(errors.OpenMessages(), QStringList{"Failed to store settings"});
        errors.Show(QStringLiteral("Invalid address: panel.local"));
        QVERIFY(!ErrorLines(form)[0].contains(QStringLiteral("times")));
        errors.DismissAll();
        QVERIFY(!errors.Area()->isVisible());

        // At the design width a refused port's instruction is in sight: wrapped at the panel's
        // edge, no scroll bar over it, no row cut in half.
        form.resize(1012, 619);
        EComPort refused(1, EACCES);
        refused.SetDevice("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0");
        errors.Show(QStringLiteral("Failed to store settings"), QStringLiteral("No space left"));
        errors.Show(refused);
        QApplication::processEvents();
        auto* list = errors.Area()->findChild<QListWidget*>(QStringLiteral("ErrorList"));
        QVERIFY(!list->horizontalScrollBar()->isVisible());
        for (int row = 0; row < list->count(); ++row) {
            const QRect shown = list->visualItemRect(list->item(row));
            if (shown.top() < list->viewport()->height()) {
                QVERIFY2(shown.bottom() < list->viewport()->height(),
                         qPrintable(list->item(row)->text()));
            }
        }
        const QRect first = list->visualItemRect(list->item(0));
        QVERIFY(list->item(0)->text().contains(QStringLiteral("sudo adduser $USER dialout")));
        QVERIFY(first.bottom() < list->viewport()->height());
        QVERIFY(first.right() <= list->viewport()->width());
        QVERIFY(first.height() > 2 * list->fontMetrics().lineSpacing()); // wrapped, not cut
        form.close();
    }

    void TheTrafficMonitorShowsEveryFrameAndCanPauseFilterSaveAndClear() {
        TForm1 form(FDir->Path().string());
        form.show();
        form.TabSheet2->SpinEditRefresh->setValue(100);
        QVERIFY(AnswerPoll(form));
        form.TabSheet2->ButtonMonitor->click();
        TTrafficMonitor* monitor = form.TrafficMonitor();
        QVERIFY(monitor != nullptr && monitor->isVisible() && !monitor->isModal());
        QVERIFY(NoModalDialog());
        QPlainTextEdit* view = monitor->View();
        // Each line: time, direction, transport, the meaning in a 60-character column, bytes.
        auto line = [](const char* meaning, const char* bytes) {
            return QString::fromLatin1(meaning).leftJustified(60) + QStringLiteral("  ") +
                   QString::fromLatin1(bytes);
        };
        QVERIFY(view->toPlainText().contains(QStringLiteral("  TX serial  ") +
                                             line("'A' status request", "AA 01 30 41 71 AA 02")));
        QVERIFY(view->toPlainText().contains(
            QStringLiteral("  RX serial  ") +
            line("'A' status of device ID 060504030201, events 0..2 of 500",
                 "AA 03 30 41 01 02 03 04 05 06 00 00 02 00 F4 01")));

        monitor->Filter()->setCurrentIndex(monitor->Filter()->findText(QStringLiteral("V")));
        QCOMPARE(view->toPlainText(), QString());
        form.TabSheet2->ButtonVerse->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            view->toPlainText().endsWith(line("'V' version request", "AA 01 30 56 86 AA 02")),
            HungRunMs);
        // Everything but polls: the version request stays, no 'A' is left.
        monitor->Filter()->setCurrentIndex(
            monitor->Filter()->findData(TTrafficMonitor::AllButPolls));
        QVERIFY(view->toPlainText().contains(QStringLiteral("'V' version request")));
        QVERIFY(!view->toPlainText().contains(QStringLiteral("'A'")));
        monitor->Filter()->setCurrentIndex(0);

        FPty->Receive(4096, 10ms); // what was sent before the pause
        monitor->Pause()->setChecked(true);
        const QString held = view->toPlainText();
        QVERIFY(HearPoll()); // polls go on meanwhile
        QVERIFY(HearPoll());
        QCOMPARE(view->toPlainText(), held);
        monitor->Pause()->setChecked(false);
        QVERIFY(view->blockCount() > held.count('\n') + 1);

        const std::filesystem::path saved = FDir->Path() / "traffic.txt";
        monitor->SaveTo(QString::fromStdString(saved.string()));
        const std::string text = ReadFileBytes(saved);
        QVERIFY(text.find("  AA 01 30 41 71 AA 02\r\n") != std::string::npos);
        monitor->ClearButton()->click();
        QCOMPARE(view->toPlainText(), QString());

        // Esc in the frames' view closes it, and so does its Close button.
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(!monitor->isVisible());
        form.TabSheet2->ButtonMonitor->click();
        QVERIFY(monitor->isVisible());
        monitor->CloseButton()->click();
        QVERIFY(!monitor->isVisible());
        form.close();
    }

private:
    // A new far side, with the link pointing at it.
    void PlugIn() {
        FPty = std::make_unique<TPtyPair>();
        std::filesystem::remove(FLink);
        std::filesystem::create_symlink(FPty->SlavePath(), FLink);
    }

    // Waits, handling the window's events, until a poll comes over the line.
    bool HearPoll() {
        std::string bytes;
        return QTest::qWaitFor(
            [&] {
                bytes += FPty->Receive(64, 10ms);
                return bytes.find(Poll) != std::string::npos;
            },
            HungRunMs);
    }

    // Waits for a poll on the line and answers it with a status reply, until the window has
    // decoded the reply (the monitor takes it up at once).
    bool AnswerPoll(TForm1& form) {
        if (!HearPoll()) {
            return false;
        }
        const uint64_t decoded = form.Codec().Counters().Dispatched;
        FPty->Send(PanelSerialFrameText('A', StatusRecord()));
        return QTest::qWaitFor([&] { return form.Codec().Counters().Dispatched > decoded; },
                               HungRunMs);
    }

    static QStringList ErrorLines(TForm1& form) {
        QStringList lines;
        auto* list = form.findChild<QListWidget*>(QStringLiteral("ErrorList"));
        for (int i = 0; list != nullptr && i < list->count(); ++i) {
            lines << list->item(i)->text();
        }
        return lines;
    }

    std::unique_ptr<TTempDir> FDir;
    std::filesystem::path FLink;
    std::unique_ptr<TPtyPair> FPty;
};

QTEST_MAIN(TLinkHealthWindowTest)
#include "link_health_window_test.moc"
