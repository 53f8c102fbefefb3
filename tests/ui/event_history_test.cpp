// The "Events" and "Installations" pages on a real run: an earlier day's event report (written by
// the tool's own writer, ending in a torn line) is read at start, the simulated panel's records
// appear as they are copied, and the filters, the installations and the CSV export follow.

#include "hung_run.h"
#include "panel_sim_process.h"

#include "fakes.h"
#include "model/event_record.h"
#include "model/version_decoder.h"
#include "store/report_file.h"
#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/event_history_page.h"
#include "ui/event_table_model.h"
#include "ui/installations_page.h"
#include "ui/main_window.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

class TEventHistoryTest : public QObject {
    Q_OBJECT

private slots:
    void ReadsEarlierDaysShowsNewRecordsAndFilters() {
        TTempDir dir;
        {
            TFakeClock clock;
            clock.Time = At(2026, 12, 1, 10, 0, 0);
            TReportFile old(EventReportKind, dir.Path().string(), clock);
            old.StartReport();
            old.WriteReportLine(
                EventLine(TEventRecord{3, 0x0000000000CC, 8, 0x21, 0}, clock.Now()));
            old.WriteReportLine(VersionStamp(clock.Now()) + "V1 \x8A\x01");
            old.FinishReport();
        }
        const auto oldFile = dir.Path() / "ReportUdal/Kelm2_Udal_20261201.txt";
        WriteFileBytes(oldFile, ReadFileBytes(oldFile) + "ind=  4;tPC=10:0");

        const auto link = dir.Path() / "panel-link";
        TPanelSimProcess panel(link, {"--slaves", "0", "--backlog", "5", "--id", "00A1B2C3D400"});
        QVERIFY(panel.Started());
        WriteToolSettingsForLink(dir.Path(), link);
        TReports reports(dir.Path().string(), SystemClock());
        TForm1 form(dir.Path().string(), &reports);
        form.show();
        form.TabSheet2->SpinEditRefresh->setValue(100);
        TEventHistoryPage& page = *form.TabSheetEvents;
        TEventTableModel& model = *page.Model();

        QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 2 + 5, HungRunMs);
        QTest::qWait(500); // nothing twice: the files read and the lines since are one history
        QCOMPARE(model.rowCount(), 7);
        auto cell = [&](int row, int column) { return model.index(row, column).data().toString(); };
        QCOMPARE(cell(0, 2), QStringLiteral("00A1B2C3D400")); // newest first
        QCOMPARE(cell(6, 2), QStringLiteral("0000000000CC"));
        QCOMPARE(cell(6, 7), QStringLiteral("Poplach na smycce"));
        QCOMPARE(cell(6, 6), QStringLiteral("Alarms and pre-alarms")); // not only its colour
        QCOMPARE(cell(5, 7), QStringLiteral("V1 \u0160\u2401")); // Windows-1250, control shown
        QVERIFY(model.index(5, 0).data(Qt::ForegroundRole).isValid()); // greyed
        QVERIFY(model.index(6, 0).data(Qt::BackgroundRole).isValid()); // coloured
        QVERIFY(!page.MemoUnreadable->isHidden());
        QVERIFY2(page.MemoUnreadable->toPlainText().startsWith(
                     QStringLiteral("Kelm2_Udal_20261201.txt, line 5: ind=  4;tPC=10:0")),
                 qPrintable(page.MemoUnreadable->toPlainText()));

        // Export of what is shown, read back.
        const QString csvPath = QString::fromStdString(dir.File("events.csv"));
        page.ExportCsv(csvPath);
        const std::string csv = ReadFileBytes(csvPath.toStdString());
        QCOMPARE(std::count(csv.begin(), csv.end(), '\n'), 8);
        QVERIFY(csv.find(",Version,V1 \xC5\xA0\x01\r\n") != std::string::npos);

        // Category: only the alarm of the earlier day (the simulator's five old records are key,
        // mode and mains events), no version line; search text: only the version line.
        page.ComboBoxCategory->setCurrentIndex(1 + static_cast<int>(TEventCategory::Alarm));
        QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 1, HungRunMs);
        QCOMPARE(cell(0, 2), QStringLiteral("0000000000CC"));
        QCOMPARE(cell(0, 7), QStringLiteral("Poplach na smycce"));
        QCOMPARE(page.Counts().CodeCounts[8], 1u);
        QCOMPARE(page.Counts().Versions, 0u);
        page.ComboBoxCategory->setCurrentIndex(0);
        form.PageControl1->setCurrentWidget(&page);
        QTest::keyClick(form.PageControl1->tabBar(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(page.EditSearch->hasFocus(), HungRunMs);
        page.EditSearch->setText(QStringLiteral("v1 \u0160"));
        QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 1, HungRunMs);
        page.EditSearch->clear();
        QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 7, HungRunMs);

        // Installations: the panel's section and the ID known only from the files; choosing
        // one shows its records.
        form.PageControl1->setCurrentWidget(form.TabSheetInstallations);
        QTableWidget* table = form.TabSheetInstallations->TableInstallations;
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("00A1B2C3D400"));
        QCOMPARE(table->item(0, TInstallationsPage::ColSection)->text(), QStringLiteral("Zar0"));
        QCOMPARE(table->item(0, TInstallationsPage::ColRecords)->text(), QStringLiteral("5"));
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("0000000000CC"));
        QCOMPARE(table->item(1, TInstallationsPage::ColSection)->text(), QString());
        table->setCurrentCell(1, 0);
        QCOMPARE(page.ComboBoxId->currentText(), QStringLiteral("0000000000CC"));
        QCOMPARE(model.rowCount(), 1);
        form.close();
    }
};

QTEST_MAIN(TEventHistoryTest)
#include "event_history_test.moc"
