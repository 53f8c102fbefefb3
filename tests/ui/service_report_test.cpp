// End to end: "Service report..." on a window polling the simulated panel writes a PDF whose text,
// read back with pdftotext, holds the installation ID, a value with its unit as the master page
// shows it, an event line copied in this visit and the firmware version the report asked for.

#include "panel_sim_process.h"
#include "pdf_text.h"

#include "link/link_controls.h"
#include "model/status_record.h"
#include "store/report_file.h"
#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/main_window.h"
#include "ui/number_edit.h"
#include "ui/service_report_command.h"
#include "ui/status_page.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace {

int EventCount(const std::filesystem::path& dir) {
    const std::vector<std::string> lines = EventReportLines(dir);
    return static_cast<int>(std::count_if(
        lines.begin(), lines.end(), [](const std::string& l) { return EventLineIndex(l) >= 0; }));
}

// The panel time and text of the first event line of the event report.
std::pair<QString, QString> FirstEvent(const std::filesystem::path& dir) {
    for (const std::string& line : EventReportLines(dir)) {
        if (EventLineIndex(line) >= 0) {
            const std::size_t t = line.find(";t=") + 3;
            return {QString::fromStdString(line.substr(t, 19)),
                    QString::fromStdString(line.substr(line.rfind(';') + 1))};
        }
    }
    return {};
}

} // namespace

class TServiceReportTest : public QObject {
    Q_OBJECT

private slots:
    void WritesThePdfOfTheVisitWithTheVersionItAskedFor() {
        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        TPanelSimProcess panel(link, {"--slaves", "1", "--backlog", "3", "--id", "00A1B2C3D400",
                                      "--version", "V3.05 REPORT"});
        QVERIFY(panel.Started());
        WriteToolSettingsForLink(dir.Path(), link);
        TReports reports(dir.Path().string(), SystemClock());
        TForm1 form(dir.Path().string(), &reports);
        form.show();

        // Before the first status reply there is nothing to report, and the window says why.
        form.TabSheet2->ButtonServiceReport->click();
        QVERIFY(form.Errors().OpenMessages().join('\n').contains("no status reply"));
        QVERIFY(form.ServiceReport().LastPath().isEmpty());

        form.TabSheet2->SpinEditRefresh->setValue(100);
        QTRY_COMPARE_WITH_TIMEOUT(EventCount(dir.Path()), 3, 15000);
        QVERIFY(!form.FirmwareVersion().Known());
        // No status reply after this one: the page and the report show the same record (a reply
        // on its way arrives before the version's).
        form.Link().Poll().Stop();

        QTest::keyClick(&form, Qt::Key_P, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!form.ServiceReport().LastPath().isEmpty(), 15000);
        const QString path = form.ServiceReport().LastPath();
        QVERIFY2(path.startsWith(QString::fromStdString(dir.Path().string()) +
                                 "/ServiceReports/ServiceReport_00A1B2C3D400_"),
                 qPrintable(path));

        // Kept for a look (the README's picture is made from it).
        QDir().mkpath(QStringLiteral(ORVANT_TEST_OUTPUT_DIR));
        QFile::remove(QStringLiteral(ORVANT_TEST_OUTPUT_DIR "/service_report.pdf"));
        QFile::copy(path, QStringLiteral(ORVANT_TEST_OUTPUT_DIR "/service_report.pdf"));

        const QString text = PdfText(path);
        QVERIFY2(text.contains("00A1B2C3D400"), qPrintable(text));
        QVERIFY2(text.contains("V3.05 REPORT"), qPrintable(text));
        // The master's battery as its page shows it.
        const QString battery = form.Master->NumberEdit(TMeasureField::VBat)->text();
        QVERIFY2(battery.endsWith(" V") && text.contains(battery), qPrintable(battery));
        const auto [time, eventText] = FirstEvent(dir.Path());
        const QStringList lines = text.split('\n');
        QVERIFY2(std::any_of(lines.begin(), lines.end(),
                             [&](const QString& l) {
                                 return l.contains(time) && l.contains("00A1B2C3D400") &&
                                        l.contains(eventText.simplified());
                             }),
                 qPrintable(time + " " + eventText + "\n" + text));
        form.close();
    }
};

QTEST_MAIN(TServiceReportTest)
#include "service_report_test.moc"
