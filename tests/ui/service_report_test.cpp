// End to end: "Service report..." on a window polling the simulated panel asks for the hand-over's
// names and remarks, and writes a PDF whose text, read back with pdftotext, holds the header, the
// summary, a value with its unit as the master page shows it, an event copied in this visit as a
// row of the table and the firmware version the report asked for (the panel answers a second
// late); its document information names the technician. A second report in the same minute is
// a second file; a full disk leaves no file and says why. The layout on its own: rows that wrap,
// headings on every page, "Page n of m". "Open" and "Open files folder" through the desktop's
// opener, and what the window says when nothing can open a file.

#include "panel_sim_process.h"
#include "pdf_text.h"
#include "report_dialog.h"

#include "hung_run.h"
#include "link/link_controls.h"
#include "model/service_report.h"
#include "model/status_record.h"
#include "store/disk_calls.h"
#include "store/report_file.h"
#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/desktop_open.h"
#include "ui/error_display.h"
#include "ui/main_window.h"
#include "ui/number_edit.h"
#include "ui/service_report_command.h"
#include "ui/service_report_dialog.h"
#include "ui/service_report_pdf.h"
#include "ui/status_page.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include <cerrno>
#include <unistd.h>

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

// Every file in the folder, hidden ones too (a temporary file left behind would be one).
QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A fake xdg-open first on PATH: it notes what it was asked to open and fails (3, "no program")
// for what `failing` names: "pdf" for PDF files, "all" for everything.
class TFakeOpener {
public:
    TFakeOpener(const std::filesystem::path& directory, const char* failing) : FDir(directory) {
        const auto script = FDir / "xdg-open";
        WriteFileBytes(script, "#!/bin/sh\necho \"$1\" >> '" + (FDir / "opened").string() +
                                   "'\ncase \"$1\" in\n" +
                                   (std::string(failing) == "all" ? "*" : "*.pdf") +
                                   ") echo \"no method available for opening '$1'\"; exit 3;;\n"
                                   "esac\nexit 0\n");
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        FPath = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(FDir.string()) + ":" + FPath);
    }
    ~TFakeOpener() { qputenv("PATH", FPath); }
    QStringList Opened() const {
        return QString::fromStdString(ReadFileBytes(FDir / "opened"))
            .split('\n', Qt::SkipEmptyParts);
    }

private:
    std::filesystem::path FDir;
    QByteArray FPath;
};

// A report of 60 events with one long text, enough for several pages.
TServiceReport LongReport() {
    TServiceReport r;
    r.InstallationId = "00A1B2C3D400";
    r.InstallationName = "Server room 2";
    r.InstallationSite = "Brno, Hlavni 5";
    r.Handover = {"Jana Novakova", "Hasici servis s.r.o.", "Pekarna Novak", "Checked the valve."};
    r.PanelClock = "Not set during this visit";
    r.Version = "V3.05";
    r.VersionRead = true;
    r.Summary = {"Faults present: Master: Fault battery", 2, 1, 0, false};
    r.Events.Scope = "Events the \"Events\" page shows with its filters";
    r.Events.Selection = {{"Text contains", "smycce"}};
    std::string longText;
    for (int k = 1; k <= 40; ++k) {
        longText +=
            (k > 1 ? " " : "") + QStringLiteral("part%1").arg(k, 2, 10, QChar('0')).toStdString();
    }
    for (int i = 0; i < 60; ++i) {
        r.Events.Rows.push_back({"10:00:00 07.12.2026", "1, loop 0", "Alarms and pre-alarms", "08",
                                 i == 30 ? longText : "Poplach na smycce", 8});
    }
    return r;
}

} // namespace

class TServiceReportTest : public QObject {
    Q_OBJECT

private slots:
    void WritesThePdfOfTheVisitWithTheVersionItAskedFor() {
        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        // Every reply a second late: the version comes well within the report's three seconds.
        TPanelSimProcess panel(link, {"--slaves", "1", "--backlog", "3", "--id", "00A1B2C3D400",
                                      "--version", "V3.05 REPORT", "--reply-delay", "1000"});
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
        QTRY_COMPARE_WITH_TIMEOUT(EventCount(dir.Path()), 3, HungRunMs);
        QVERIFY(!form.FirmwareVersion().Known());
        // No status reply after those on their way: the page and the report show the same
        // record (the version's reply comes after them).
        form.Link().Poll().Stop();

        QTest::keyClick(&form, Qt::Key_P, Qt::ControlModifier);
        const std::string longRemark =
            "The valve of the second cylinder was replaced and the installation tested with the "
            "customer present; the next visit is due in six months.";
        const TReportHandover handover{"Jana Nov\xC3\xA1kov\xC3\xA1", "Hasi\xC4\x8D servis",
                                       "Pek\xC3\xA1rna Nov\xC3\xA1k", longRemark};
        AnswerReportDialog(form, &handover);
        QTRY_VERIFY_WITH_TIMEOUT(!form.ServiceReport().LastPath().isEmpty(), HungRunMs);
        const QString path = form.ServiceReport().LastPath();
        QVERIFY2(path.startsWith(QString::fromStdString(dir.Path().string()) +
                                 "/ServiceReports/ServiceReport_00A1B2C3D400_"),
                 qPrintable(path));

        // Kept for a look (the README's picture is made from it).
        QDir().mkpath(QStringLiteral(ORVANT_TEST_OUTPUT_DIR));
        QFile::remove(QStringLiteral(ORVANT_TEST_OUTPUT_DIR "/service_report.pdf"));
        QFile::copy(path, QStringLiteral(ORVANT_TEST_OUTPUT_DIR "/service_report.pdf"));

        const QString text = PdfText(path);
        for (const char* expected :
             {"00A1B2C3D400", "V3.05 REPORT", "Jana Nováková, Hasič servis", "Pekárna Novák",
              "State of the installation: No fault", "Extinguishings", "Page 1 of "}) {
            QVERIFY2(text.contains(QString::fromUtf8(expected)),
                     qPrintable(QString::fromUtf8(expected) + "\n" + text));
        }
        // The remark wraps at the margin, whole.
        const QString remark = QString::fromStdString(longRemark);
        QVERIFY2(text.simplified().contains(remark) && !text.contains(remark), qPrintable(text));
        // The master's battery as its page shows it.
        const QString battery = form.Master->NumberEdit(TMeasureField::VBat)->text();
        QVERIFY2(battery.endsWith(" V") && text.contains(battery), qPrintable(battery));
        const auto [time, eventText] = FirstEvent(dir.Path());
        const QStringList lines = text.split('\n');
        QVERIFY2(std::any_of(lines.begin(), lines.end(),
                             [&](const QString& l) {
                                 return l.contains(time) && l.contains(eventText.simplified());
                             }),
                 qPrintable(time + " " + eventText + "\n" + text));
        const QString info = ProgramOutput(QStringLiteral("pdfinfo"), {path});
        QVERIFY2(info.contains(QRegularExpression(QString::fromUtf8("Author: +Jana Nováková\n"))),
                 qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression("Title: +Service report 00A1B2C3D400\n")),
                 qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression("Subject: +Service visit .*00A1B2C3D400")),
                 qPrintable(info));

        // The technician is remembered; a second report in the same minute is a file of its own
        // and leaves the first as it was.
        const QByteArray first = ReadFileBytes(path.toStdString()).c_str();
        QVERIFY(QString::fromStdString(ReadFileBytes(dir.Path() / "Kelm2.ini"))
                    .contains(QString::fromUtf8("Technician=Jana Nováková")));
        form.ServiceReport().DoneMessage()->close();
        form.TabSheet2->ButtonServiceReport->click();
        QTRY_VERIFY(form.ServiceReport().Dialog()->isVisible());
        QCOMPARE(form.ServiceReport().Dialog()->EditTechnician->text(),
                 QString::fromUtf8("Jana Nováková"));
        AnswerReportDialog(form, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(form.ServiceReport().LastPath() != path, HungRunMs);
        const QString folder = QFileInfo(path).absolutePath();
        QCOMPARE(FilesIn(folder).size(), 2);
        QCOMPARE(QByteArray(ReadFileBytes(path.toStdString()).c_str()), first);
        form.close();
    }

    // The disk is full under the report's folder only: the window says so with the cause, and
    // neither the report nor a temporary file of it is left.
    void AFullDiskLeavesNoFileAndSaysWhy() {
        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        TPanelSimProcess panel(link, {"--id", "00A1B2C3D400"});
        QVERIFY(panel.Started());
        WriteToolSettingsForLink(dir.Path(), link);
        TForm1 form(dir.Path().string());
        form.show();
        QTRY_VERIFY_WITH_TIMEOUT(form.Master->IdEdit()->text() == "00A1B2C3D400", HungRunMs);
        const std::string folder = (dir.Path() / "ServiceReports").string();
        DiskCalls().Write = [folder](int fd, const void* data, std::size_t size) -> ssize_t {
            char target[4096] = {};
            const std::string fdPath = "/proc/self/fd/" + std::to_string(fd);
            if (::readlink(fdPath.c_str(), target, sizeof target - 1) > 0 &&
                std::string(target).starts_with(folder)) {
                errno = ENOSPC;
                return -1;
            }
            return SystemDiskCalls().Write(fd, data, size);
        };
        QSignalSpy written(&form.ServiceReport(), &TServiceReportCommand::Written);
        form.TabSheet2->ButtonServiceReport->click();
        AnswerReportDialog(form, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(
            form.Errors().OpenMessages().join('\n').contains("No space left on device"), HungRunMs);
        DiskCalls() = SystemDiskCalls();
        QVERIFY2(form.Errors().OpenMessages().join('\n').contains("could not be written"),
                 qPrintable(form.Errors().OpenMessages().join('\n')));
        QCOMPARE(written.count(), 0);
        QVERIFY(form.ServiceReport().LastPath().isEmpty());
        QCOMPARE(FilesIn(QString::fromStdString(folder)), QStringList());
        form.close();
    }

    // Rows wrap in their column instead of being cut, the table's headings stand on every page
    // it takes, every page says "Page n of m", and the header and summary are on page 1.
    void TheLayoutWrapsLongRowsAndNumbersItsPages() {
        TTempDir dir;
        const QString path = QString::fromStdString(dir.File("report.pdf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ServiceReportPdf(LongReport(), QImage()));
        file.close();
        const QString text = PdfText(path);
        const QStringList pages = text.split('\f', Qt::SkipEmptyParts);
        QVERIFY2(pages.size() >= 2, qPrintable(text));
        const int total = pages.size();
        for (int n = 1; n <= total; ++n) {
            QVERIFY2(pages[n - 1].contains(QStringLiteral("Page %1 of %2").arg(n).arg(total)),
                     qPrintable(pages[n - 1]));
        }
        for (const char* field :
             {"Server room 2", "Brno, Hlavni 5", "Jana Novakova", "Hasici servis s.r.o.",
              "Pekarna Novak", "State of the installation: Faults present: Master: Fault battery",
              "Checked the valve."}) {
            QVERIFY2(pages[0].contains(field), qPrintable(QString(field) + "\n" + pages[0]));
        }
        QVERIFY2(text.contains(QRegularExpression("Text contains +smycce")), qPrintable(text));
        const QString info = ProgramOutput(QStringLiteral("pdfinfo"), {path});
        QVERIFY2(info.contains(QRegularExpression("Title: +Service report Server room 2\n")) &&
                     info.contains(
                         QRegularExpression("Subject: +.*Server room 2 \\(ID 00A1B2C3D400\\)")),
                 qPrintable(info));
        const QRegularExpression headings("Time +Unit +Category +Code +Text");
        QVERIFY2(pages[total - 1].contains(headings) && pages[1].contains(headings),
                 qPrintable(text));
        // The long text: every word there, on several lines, none cut off.
        const QStringList lines = text.split('\n');
        int firstLine = -1;
        int lastLine = -1;
        for (int k = 1; k <= 40; ++k) {
            const QString word = QStringLiteral("part%1").arg(k, 2, 10, QChar('0'));
            const auto at = std::find_if(lines.begin(), lines.end(),
                                         [&](const QString& l) { return l.contains(word); });
            QVERIFY2(at != lines.end(), qPrintable(word + "\n" + text));
            (k == 1 ? firstLine : lastLine) = static_cast<int>(at - lines.begin());
        }
        QVERIFY2(lastLine > firstLine, qPrintable(text));
        QVERIFY(!lines[firstLine].contains("part40"));
    }

    // "Open" on a computer whose opener has no program for PDF files shows the folder instead
    // and says so; "Open files folder" opens the tool's files directory, and where nothing can
    // open that either, the window says so.
    void OpenFallsBackToTheFolderAndSaysWhenNothingCanOpenIt() {
        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        TPanelSimProcess panel(link, {"--id", "00A1B2C3D400", "--version", "V1"});
        QVERIFY(panel.Started());
        WriteToolSettingsForLink(dir.Path(), link);
        TForm1 form(dir.Path().string());
        form.show();
        QTRY_VERIFY_WITH_TIMEOUT(form.Master->IdEdit()->text() == "00A1B2C3D400", HungRunMs);
        form.TabSheet2->ButtonServiceReport->click();
        AnswerReportDialog(form, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!form.ServiceReport().LastPath().isEmpty(), HungRunMs);
        const QString path = form.ServiceReport().LastPath();
        const QString folder = QFileInfo(path).absolutePath();

        {
            TTempDir bin;
            TFakeOpener opener(bin.Path(), "pdf");
            QSignalSpy answered(&form.DesktopOpen(), &TDesktopOpen::Answered);
            form.ServiceReport()
                .DoneMessage()
                ->findChild<QPushButton*>("ButtonOpenReport")
                ->click();
            QTRY_COMPARE_WITH_TIMEOUT(answered.count(), 2, HungRunMs);
            QCOMPARE(opener.Opened(), QStringList({path, folder}));
            QCOMPARE(answered.at(1), QVariantList({folder, true}));
            QVERIFY2(
                form.Errors().OpenMessages().join('\n').contains("its folder is shown instead"),
                qPrintable(form.Errors().OpenMessages().join('\n')));

            form.ServiceReport()
                .DoneMessage()
                ->findChild<QPushButton*>("ButtonOpenReportFolder")
                ->click();
            QTRY_COMPARE_WITH_TIMEOUT(answered.count(), 3, HungRunMs);
            form.TabSheet2->ButtonFilesFolder->click();
            QTRY_COMPARE_WITH_TIMEOUT(answered.count(), 4, HungRunMs);
            QCOMPARE(opener.Opened().mid(2),
                     QStringList({folder, QString::fromStdString(dir.Path().string())}));
        }
        {
            TTempDir bin;
            TFakeOpener opener(bin.Path(), "all");
            form.TabSheet2->ButtonFilesFolder->click();
            QTRY_VERIFY_WITH_TIMEOUT(form.Errors().OpenMessages().join('\n').contains(
                                         "Nothing on this computer can open"),
                                     HungRunMs);
        }
        form.close();
    }
};

QTEST_MAIN(TServiceReportTest)
#include "service_report_test.moc"
