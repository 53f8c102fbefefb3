// The serial settings dialog: its lists, the preselection from the port, OK and Cancel.

#include "core/event_queue.h"
#include "transport/com_port.h"
#include "ui/com_setup_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

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
        QCOMPARE(Items(dialog.Combo1), (QStringList{"/dev/ttyS0", "/dev/ttyUSB0"}));
        QCOMPARE(
            Items(dialog.Combo2),
            (QStringList{"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400",
                         "19200", "38400", "56000", "57600", "115200", "128000", "256000"}));
        QCOMPARE(Items(dialog.Combo3), (QStringList{"5", "6", "7", "8"}));
        QCOMPARE(Items(dialog.Combo4), (QStringList{"1", "1.5", "2"}));
        QCOMPARE(Items(dialog.Combo5), (QStringList{"None", "Odd", "Even", "Mark", "Space"}));
        QCOMPARE(Items(dialog.Combo6), (QStringList{"Hardware", "Software", "None", "Custom"}));
        for (QComboBox* list : dialog.findChildren<QComboBox*>()) {
            QVERIFY(!list->isEditable());
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
        QCOMPARE(dialog.Combo1->currentIndex(), -1); // "COM5" is not on this system
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

    void CustomFlowControlLeavesTheRecordAlone() {
        TEventQueue mainThread;
        TComPort port(mainThread);
        TComFlowControl flow;
        flow.ControlRTS = rtsToggle;
        flow.XonXoffIn = true;
        port.SetFlowControl(flow);
        TComSetupFrm dialog(port, {});
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
};

QTEST_MAIN(TComSetupDialogTest)
#include "com_setup_dialog_test.moc"
