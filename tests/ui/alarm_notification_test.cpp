// Alarms that reach the technician outside the window: on a private session bus of the test's own
// (a dbus-daemon it starts, its address set for this test only), a notification service of the
// test's own records what the tool sends. An alarm of the simulator's "alarm" scenario arrives as
// one critical notification (and the extinguishing delay after it as one more), the window's
// title counts them, the notification's "Acknowledge" and the window seen on the Master page
// clear the count, and the event report keeps every change as a note. Without a notification
// service the tool says so once in the communication log and counts all the same.

#include "hung_run.h"
#include "link/frame_codec.h"
#include "panel_sim_process.h"
#include "ui/alarm_center.h"
#include "ui/alarm_page.h"
#include "ui/communication_page.h"
#include "ui/main_window.h"
#include "ui/status_page.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

#include "core/clock.h"
#include "store/report_file.h"

#include <algorithm>
#include <fstream>

namespace {

// What the service was sent by one call of Notify.
struct TReceived {
    uint Id = 0;
    QString Summary;
    QString Body;
    QStringList Actions;
    int Urgency = -1;
};

} // namespace

// A desktop notification service (org.freedesktop.Notifications), as far as the tool uses it.
class TFakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::vector<TReceived> Received;

public slots:
    QStringList GetCapabilities() { return {QStringLiteral("body"), QStringLiteral("actions")}; }
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int) {
        TReceived r;
        r.Id = uint(Received.size() + 1);
        r.Summary = summary;
        r.Body = body;
        r.Actions = actions;
        r.Urgency = hints.contains(QStringLiteral("urgency"))
                        ? hints.value(QStringLiteral("urgency")).toInt()
                        : -1;
        Received.push_back(r);
        return r.Id;
    }
    void CloseNotification(uint) {}
};

class TAlarmNotificationTest : public QObject {
    Q_OBJECT

private:
    // The bus of this test: a session bus as "dbus-daemon --session" runs it, but without service
    // directories, so no notification service of the machine is started on it.
    TTempDir FBusDir;
    QProcess FBus;
    QString FAddress;

    // The tool polls the simulator every 100 ms with the reports in the directory.
    static std::unique_ptr<TForm1> OpenWindow(const TTempDir& dir, TReports& reports) {
        auto form = std::make_unique<TForm1>(dir.Path().string(), &reports);
        form->show();
        form->TabSheet2->SpinEditRefresh->setValue(100);
        return form;
    }

    // The count of replies the window has decoded `more` replies from now.
    static uint64_t RepliesFromNow(TForm1& form, uint64_t more) {
        return form.Codec().Counters().Dispatched + more;
    }

    static int LogLinesWith(TForm1& form, const QString& text) {
        return int(form.TabSheet2->Memo1->toPlainText().split('\n').filter(text).size());
    }

private slots:
    void initTestCase() {
        TForm1::UdpServerPort = "0";
        const auto config = FBusDir.Path() / "bus.conf";
        std::ofstream(config)
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\""
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:dir="
            << FBusDir.Path().string()
            << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy></busconfig>\n";
        FBus.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + QString::fromStdString(config.string()),
                    QStringLiteral("--print-address"), QStringLiteral("--nofork")});
        QVERIFY2(FBus.waitForStarted(5000), "dbus-daemon (package dbus-daemon) is needed");
        QTRY_VERIFY_WITH_TIMEOUT(FBus.canReadLine(), HungRunMs);
        FAddress = QString::fromLocal8Bit(FBus.readLine()).trimmed();
        QVERIFY(!FAddress.isEmpty());
        // The tool's session bus is this one, for this process only.
        qputenv("DBUS_SESSION_BUS_ADDRESS", FAddress.toLocal8Bit());
    }

    void cleanupTestCase() {
        FBus.terminate();
        FBus.waitForFinished(5000);
    }

    void WithoutANotificationServiceTheToolSaysSoOnceAndCountsAllTheSame() {
        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        const auto scenario = dir.Path() / "mains.txt";
        std::ofstream(scenario) << "1 mains-fail\n";
        TPanelSimProcess panel(
            link, {"--slaves", "0", "--scenario", QString::fromStdString(scenario.string())});
        QVERIFY(panel.Started());
        WriteToolSettingsForLink(dir.Path(), link);
        TReports reports(dir.Path().string(), SystemClock());
        auto form = OpenWindow(dir, reports);
        const QString said = QStringLiteral("no notification service on the session bus");
        QTRY_COMPARE_WITH_TIMEOUT(LogLinesWith(*form, said), 1, HungRunMs);
        QTRY_COMPARE_WITH_TIMEOUT(form->windowTitle(), QStringLiteral("(1) Orvant  v2.1"),
                                  HungRunMs);
        QTRY_VERIFY_WITH_TIMEOUT(form->TabSheet2->Memo1->toPlainText().contains(
                                     QStringLiteral("Master: Mains: Failure (Chyba Site)")),
                                 5000);
        // The refusal is not said again, nor the fault announced again, however often it comes.
        const uint64_t later = RepliesFromNow(*form, 15);
        QTRY_VERIFY_WITH_TIMEOUT(form->Codec().Counters().Dispatched >= later, HungRunMs);
        QCOMPARE(form->windowTitle(), QStringLiteral("(1) Orvant  v2.1"));
        QCOMPARE(LogLinesWith(*form, QStringLiteral("Desktop notifications:")), 1);
        form->close();
    }

    void AnAlarmArrivesAsOneCriticalNotificationAndAcknowledgingClearsTheCount() {
        TFakeNotifications service;
        QDBusConnection serviceBus =
            QDBusConnection::connectToBus(FAddress, QStringLiteral("fake-notifications"));
        QVERIFY(serviceBus.isConnected());
        QVERIFY(serviceBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                          &service, QDBusConnection::ExportAllSlots));
        QVERIFY(serviceBus.registerService(QStringLiteral("org.freedesktop.Notifications")));

        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        TPanelSimProcess panel(link, {"--slaves", "0", "--scenario", "alarm"});
        QVERIFY(panel.Started());
        WriteToolSettingsForLink(dir.Path(), link);
        TReports reports(dir.Path().string(), SystemClock());
        auto form = OpenWindow(dir, reports);

        // Pre-alarm A at 10 s, the alarm with its extinguishing delay at 20 s.
        QTRY_COMPARE_WITH_TIMEOUT(int(service.Received.size()), 1, HungRunMs);
        const uint64_t later = RepliesFromNow(*form, 12); // more than ten of the same state
        QTRY_VERIFY_WITH_TIMEOUT(form->Codec().Counters().Dispatched >= later, HungRunMs);
        QCOMPARE(int(service.Received.size()), 1);
        const TReceived prealarm = service.Received[0];
        QCOMPARE(prealarm.Summary, QStringLiteral("Alarm: Pre-alarm A"));
        QVERIFY2(prealarm.Body.startsWith(QStringLiteral("Installation 00A1B2C3D400, Master, ")),
                 qPrintable(prealarm.Body));
        QCOMPARE(prealarm.Urgency, 2);
        QVERIFY(prealarm.Actions.contains(QStringLiteral("acknowledge")));
        QTRY_COMPARE_WITH_TIMEOUT(int(service.Received.size()), 2, HungRunMs);
        QCOMPARE(service.Received[1].Summary,
                 QStringLiteral("Alarm: Alarm, extinguishing delayed"));
        QCOMPARE(service.Received[1].Urgency, 2);
        QCOMPARE(form->windowTitle(), QStringLiteral("(2) Orvant  v2.1"));
        QCOMPARE(form->Alarms().List().Unacknowledged(), 2);

        // "Acknowledge" in the first notification.
        QDBusMessage invoked = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        invoked << prealarm.Id << QStringLiteral("acknowledge");
        QVERIFY(serviceBus.send(invoked));
        QTRY_COMPARE_WITH_TIMEOUT(form->windowTitle(), QStringLiteral("(1) Orvant  v2.1"),
                                  HungRunMs);
        const QString user = QString::fromLocal8Bit(CurrentUserName());
        QVERIFY(form->TabSheetAlarms->GridAlarms->item(0, 4)->text().endsWith(
            QStringLiteral(" by %1 (notification)").arg(user)));

        // The window seen with the Master page in front.
        form->PageControl1->setCurrentWidget(form->Master);
        form->activateWindow();
        QTRY_COMPARE_WITH_TIMEOUT(form->windowTitle(), QStringLiteral("Orvant  v2.1"), HungRunMs);
        QCOMPARE(form->Alarms().List().Unacknowledged(), 0);
        QCOMPARE(form->TabSheetAlarms->GridAlarms->rowCount(), 2);
        form->close();

        // The event report keeps the announcements and who saw them, as notes.
        std::vector<std::string> notes;
        for (const std::string& line : EventReportLines(dir.Path())) {
            const auto at = line.find("  alarm ID=00A1B2C3D400: ");
            if (at != std::string::npos) {
                notes.push_back(line.substr(at + 2));
            }
        }
        QCOMPARE(int(notes.size()), 4);
        QCOMPARE(notes[0],
                 std::string("alarm ID=00A1B2C3D400: Master: Pre-alarm A (PredPoplachA)"));
        QVERIFY(notes[2].ends_with("acknowledged by " + CurrentUserName() + " (notification)"));
        QVERIFY(notes[3].ends_with("acknowledged by " + CurrentUserName() + " (window)"));
        serviceBus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
    }
};

QTEST_MAIN(TAlarmNotificationTest)
#include "alarm_notification_test.moc"
