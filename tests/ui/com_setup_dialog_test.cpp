// The serial settings dialog: its lists, the preselection from the port, OK and Cancel.

#include "core/event_queue.h"
#include "pty_pair.h"
#include "temp_dir.h"
#include "transport/com_port.h"
#include "ui/accessibility.h"
#include "ui/com_setup_dialog.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <stdexcept>

namespace {

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->itemText(i);
    }
    return items;
}

// Runs `action` on the modal dialog once it is up.
void OnModalDialog(const std::function<void(TComSetupFrm*)>& action) {
    QTimer::singleShot(0, [action] {
        auto* dialog = qobject_cast<TComSetupFrm*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        action(dialog);
    });
}

} // namespace

class TComSetupDialogTest : public QObject {
    Q_OBJECT

private slots:
    void ListsHoldTheEntriesAndTheCaptions() {
        TEventQueue mainThread;
        TComPort port(mainThread);
        TComSetupFrm dialog(port, {"/dev/ttyS0", "/dev/ttyUSB0"});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Setup"));
        QCOMPARE(dialog.findChild<QGroupBox*>()->title(), QStringLiteral(" Settings "));
        // The port's own "COM1" is not on this system: listed after the present ones.
        QCOMPARE(Items(dialog.Combo1), (QStringList{"/dev/ttyS0", "/dev/ttyUSB0", "COM1"}));
        QCOMPARE(
            Items(dialog.Combo2),
            (QStringList{"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400",
                         "19200", "38400", "56000", "57600", "115200", "128000", "256000"}));
        QCOMPARE(Items(dialog.Combo3), (QStringList{"5", "6", "7", "8"}));
        QCOMPARE(Items(dialog.Combo4), (QStringList{"1", "1.5", "2"}));
        QCOMPARE(Items(dialog.Combo5), (QStringList{"None", "Odd", "Even", "Mark", "Space"}));
        QCOMPARE(Items(dialog.Combo6), (QStringList{"Hardware", "Software", "None", "Custom"}));
        for (QComboBox* list : dialog.findChildren<QComboBox*>()) {
            QCOMPARE(list->isEditable(), list == dialog.Combo1); // a port may be typed
        }
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("Button1"));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
    }

    void PreselectsThePortsValuesAndNothingForAnUnknownPort() {
        TEventQueue mainThread;
        TComPort port(mainThread);
        SetComPort1Design(port);
        TComSetupFrm dialog(port, {"/dev/ttyS0", "/dev/ttyUSB0"});
        QCOMPARE(dialog.Combo1->currentText(), QStringLiteral("COM5")); // shown though absent
        QCOMPARE(dialog.LabelPortInfo->text(), QStringLiteral("not present"));
        QCOMPARE(dialog.Combo2->currentText(), QStringLiteral("115200"));
        QCOMPARE(dialog.Combo3->currentText(), QStringLiteral("8"));
        QCOMPARE(dialog.Combo4->currentText(), QStringLiteral("1"));
        QCOMPARE(dialog.Combo5->currentText(), QStringLiteral("None"));
        QCOMPARE(dialog.Combo6->currentText(), QStringLiteral("None"));

        port.SetPort("/dev/ttyUSB0");
        TComSetupFrm again(port, {"/dev/ttyS0", "/dev/ttyUSB0"});
        QCOMPARE(again.Combo1->currentText(), QStringLiteral("/dev/ttyUSB0"));
    }

    void OkAppliesTheSelectionsAndKeepsAPortLeftUnchosen() {
        TEventQueue mainThread;
        TComPort port(mainThread);
        SetComPort1Design(port);
        OnModalDialog([](TComSetupFrm* dialog) {
            dialog->Combo2->setCurrentIndex(dialog->Combo2->findText("9600"));
            dialog->Combo4->setCurrentIndex(dialog->Combo4->findText("2"));
            dialog->Combo5->setCurrentIndex(dialog->Combo5->findText("Even"));
            dialog->Combo6->setCurrentIndex(dialog->Combo6->findText("Hardware"));
            dialog->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        });
        ShowComSetupDialog(port, nullptr);
        QCOMPARE(port.Port(), std::string("COM5"));
        QCOMPARE(port.BaudRate(), br9600);
        QCOMPARE(port.StopBits(), sbTwoStopBits);
        QCOMPARE(port.Parity().Bits, prEven);
        QCOMPARE(port.FlowControl().ControlRTS, rtsHandshake);
        QVERIFY(port.FlowControl().OutCTSFlow);
        QVERIFY(!port.FlowControl().XonXoffIn);
        QVERIFY(!port.FlowControl().XonXoffOut);
    }

    void PortsShowWhatIsKnownAcceptATypedPathAndRefresh() {
        TEventQueue mainThread;
        TComPort port(mainThread);
        port.SetPort("/dev/ttyUSB0");
        std::vector<TComPortInfo> present{
            {"/dev/ttyS0", "serial8250", "", "", "", ""},
            {"/dev/ttyUSB0", "ftdi_sio", "FTDI", "FT232R USB UART", "A10K1234", "0403:6001"}};
        TComSetupFrm dialog(port, [&present] { return present; });
        const QString usb =
            QStringLiteral("FTDI FT232R USB UART (0403:6001), serial A10K1234, driver ftdi_sio");
        QCOMPARE(dialog.Combo1->currentText(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(dialog.Combo1->model()->index(1, 1).data().toString(), usb);
        QCOMPARE(dialog.Combo1->model()->index(1, 0).data(Qt::ToolTipRole).toString(), usb);
        QCOMPARE(dialog.LabelPortInfo->text(), usb);

        // A path typed in, then the adapter unplugged: the path stays, marked absent.
        dialog.Combo1->setEditText(QStringLiteral("/dev/serial/by-id/usb-FTDI-if00"));
        present.pop_back();
        dialog.ButtonRefresh->click();
        QCOMPARE(Items(dialog.Combo1),
                 (QStringList{"/dev/ttyS0", "/dev/serial/by-id/usb-FTDI-if00"}));
        QCOMPARE(dialog.Combo1->currentText(), QStringLiteral("/dev/serial/by-id/usb-FTDI-if00"));
        QCOMPARE(dialog.LabelPortInfo->text(), QStringLiteral("not present"));
        dialog.ApplyTo(port);
        QCOMPARE(port.Port(), std::string("/dev/serial/by-id/usb-FTDI-if00"));
    }

    // A pseudo-terminal and a link to it are present, the link shows where it leads, the field
    // fits it; a path that leads nowhere is not present; a failed listing shows in the dialog.
    void PathsThatOpenArePresentAndErrorsShowInside() {
        TTempDir dir;
        TPtyPair pty;
        const std::string link = (dir.Path() / "usb-FTDI_FT232R_USB_UART_A10K1234-if00").string();
        std::filesystem::create_symlink(pty.SlavePath(), link);
        TEventQueue mainThread;
        TComPort port(mainThread);
        port.SetPort(pty.SlavePath());
        std::vector<TComPortInfo> present;
        TComSetupFrm dialog(port, [&present] {
            return present.empty()
                       ? present
                       : throw std::runtime_error("Reading the system's device list failed");
        });
        QCOMPARE(dialog.LabelPortInfo->text(), QString());
        dialog.Combo1->setEditText(QString::fromStdString(link));
        QCOMPARE(dialog.LabelPortInfo->text(), QString::fromStdString("\u2192 " + pty.SlavePath()));
        dialog.ButtonRefresh->click();
        QVERIFY(dialog.Combo1->minimumWidth() >
                dialog.Combo1->fontMetrics().horizontalAdvance(QString::fromStdString(link)));
        dialog.Combo1->setEditText(QStringLiteral("/dev/ttyUSB7"));
        QCOMPARE(dialog.LabelPortInfo->text(), QStringLiteral("not present"));
        present = {{"/dev/ttyUSB7", "ftdi_sio", "", "", "", ""}, {}};
        dialog.ButtonRefresh->click();
        QCOMPARE(dialog.LabelError->text(),
                 QStringLiteral("Reading the system's device list failed"));
        QVERIFY(!dialog.LabelError->isHidden());
    }

    void ListsAreNamedByTheirLabels() {
        InstallAccessibleRoles(); // as the program does at start
        TEventQueue mainThread;
        TComPort port(mainThread);
        TComSetupFrm dialog(port, std::vector<std::string>{"/dev/ttyS0"});
        const std::pair<QComboBox*, const char*> lists[] = {
            {dialog.Combo1, "Port"},      {dialog.Combo2, "Baud rate"},
            {dialog.Combo3, "Data bits"}, {dialog.Combo4, "Stop bits"},
            {dialog.Combo5, "Parity"},    {dialog.Combo6, "Flow control"}};
        for (const auto& [list, label] : lists) {
            QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(list);
            QCOMPARE(spoken->text(QAccessible::Name), QString::fromLatin1(label));
        }
    }

    void CustomFlowControlLeavesTheRecordAlone() {
        TEventQueue mainThread;
        TComPort port(mainThread);
        TComFlowControl flow;
        flow.ControlRTS = rtsToggle;
        flow.XonXoffIn = true;
        port.SetFlowControl(flow);
        TComSetupFrm dialog(port, std::vector<std::string>{});
        QCOMPARE(dialog.Combo6->currentText(), QStringLiteral("Custom"));
        dialog.ApplyTo(port);
        QVERIFY(port.FlowControl() == flow);
    }

    void CancelChangesNothing() {
        TEventQueue mainThread;
        TComPort port(mainThread);
        SetComPort1Design(port);
        OnModalDialog([](TComSetupFrm* dialog) {
            dialog->Combo2->setCurrentIndex(dialog->Combo2->findText("300"));
            dialog->reject();
        });
        ShowComSetupDialog(port, nullptr);
        QCOMPARE(port.BaudRate(), br115200);
    }

    // OK on a device that is not there fails inside the dialog and closes the port; Cancel then
    // opens the port that worked again, on its line settings.
    void CancelAfterAFailedOkRestoresThePortThatWorked() {
        TTempDir dir;
        TPtyPair pty;
        TEventQueue mainThread;
        TComPort port(mainThread);
        SetComPort1Design(port);
        port.SetPort(pty.SlavePath());
        port.Open();
        QVERIFY(port.Connected());
        const std::string missing = (dir.Path() / "ttyUSB9").string();
        OnModalDialog([&missing](TComSetupFrm* dialog) {
            dialog->Combo1->setEditText(QString::fromStdString(missing));
            dialog->Combo2->setCurrentIndex(dialog->Combo2->findText("9600"));
            dialog->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
            QVERIFY(!dialog->LabelError->isHidden());
            QVERIFY(dialog->isVisible());
            dialog->reject();
        });
        ShowComSetupDialog(port, nullptr);
        QCOMPARE(port.Port(), pty.SlavePath());
        QCOMPARE(port.BaudRate(), br115200);
        QVERIFY(port.Connected());
        const std::string poll("\xAA\x01\x30\x41\x71\xAA\x02", 7);
        port.WriteFrame(poll.data(), int32_t(poll.size()));
        QCOMPARE(pty.Receive(poll.size(), std::chrono::seconds(10)), poll);
    }
};

QTEST_MAIN(TComSetupDialogTest)
#include "com_setup_dialog_test.moc"
