// Without a session bus (its address leads nowhere, for this test only) the tool works as before:
// it says so once in the communication log, and an alarm is counted in the title and listed.

#include "hung_run.h"
#include "temp_dir.h"
#include "ui/alarm_center.h"
#include "ui/alarm_page.h"
#include "ui/communication_page.h"
#include "ui/main_window.h"

#include <QPlainTextEdit>
#include <QTableWidget>
#include <QtTest>

class TAlarmNoBusTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        TForm1::UdpServerPort = "0";
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orvant2-test-bus");
    }

    void WithoutASessionBusTheToolSaysSoOnceAndCountsAllTheSame() {
        TTempDir dir;
        WriteFileBytes(dir.Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");
        TForm1 form(dir.Path().string());
        form.show();
        QPlainTextEdit* log = form.TabSheet2->Memo1;
        auto said = [log] {
            return log->toPlainText().count(
                QStringLiteral("Desktop notifications: no session bus"));
        };
        QTRY_COMPARE_WITH_TIMEOUT(said(), 1, HungRunMs);
        TStatusRecord record;
        record.Master.ID = 0x00A1B2C3D400ULL;
        record.Master.stHas = 1; // "Prealarm A"
        form.Alarms().StatusDecoded(record);
        record.Master.stHas = 5; // "Delayed Ex."
        form.Alarms().StatusDecoded(record);
        QCOMPARE(form.windowTitle(), QStringLiteral("(2) Orvant  v2.1"));
        QCOMPARE(form.TabSheetAlarms->GridAlarms->rowCount(), 2);
        // The notices went nowhere, and nothing more is said of it.
        QCOMPARE(log->toPlainText().count(QStringLiteral("Desktop notifications")), 1);
        form.close();
    }
};

QTEST_MAIN(TAlarmNoBusTest)
#include "alarm_no_bus_test.moc"
