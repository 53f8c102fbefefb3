// One installation at a time, end to end: the tool polls installation A (master and one slave)
// on the simulator's line, the cable then moves to installation B on the same line. The service
// report, the chart's picture, the "Events" and the "Installations" pages all speak of B alone,
// with its slave; a name with a control character is refused, a good one is shown.

#include "panel_sim_process.h"
#include "pdf_text.h"
#include "report_dialog.h"

#include "link/commands.h"
#include "link/frame_codec.h"
#include "link/link_controls.h"
#include "model/chart_model.h"
#include "model/chart_time.h"
#include "model/event_record.h"
#include "model/installation_registry.h"
#include "model/visit_record.h"
#include "store/report_file.h"
#include "temp_dir.h"
#include "ui/chart_page.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/event_history_page.h"
#include "ui/event_table_model.h"
#include "ui/installations_page.h"
#include "ui/link_health_view.h"
#include "ui/link_status_bar.h"
#include "ui/main_window.h"
#include "ui/service_report_command.h"
#include "ui/voltage_chart.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include <optional>

namespace {

constexpr uint64_t MasterA = 0x00A1B2C3D400;
constexpr uint64_t MasterB = 0x00B0B0B0B000;
constexpr uint64_t SlaveB = 0x00B0B0B0B001; // the simulator's: the master's ID plus one

int EventLinesOf(const std::filesystem::path& dir, const std::string& id) {
    int count = 0;
    for (const std::string& line : EventReportLines(dir)) {
        count += EventLineIndex(line) >= 0 && line.find(";ID=" + id) != std::string::npos;
    }
    return count;
}

// The rows the events table shows whose ID column holds `id`.
int RowsOf(TEventTableModel& model, const QString& id) {
    int count = 0;
    for (int row = 0; row < model.rowCount(); ++row) {
        count += model.index(row, static_cast<int>(TEventColumn::Id)).data().toString() == id;
    }
    return count;
}

int RowOfId(QTableWidget* table, const QString& id) {
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, TInstallationsPage::ColId)->text() == id) {
            return row;
        }
    }
    return -1;
}

// Whether the newest poll the window sent still waits for its status reply.
class TPollAnswered : public IFrameObserver {
public:
    void FrameSeen(const TFrameEvent& frame) override {
        if (frame.Letter == Command::Status) {
            FWaiting = frame.Way == TFrameWay::Sent;
        }
    }
    bool Answered() const { return !FWaiting; }

private:
    bool FWaiting = false;
};

} // namespace

class TInstallationVisitTest : public QObject {
    Q_OBJECT

private slots:
    void AThenBOnOneLineSpeaksOfBAlone() {
        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        std::optional<TPanelSimProcess> panel;
        panel.emplace(link, QStringList{"--slaves", "1", "--backlog", "6", "--id", "00A1B2C3D400"});
        QVERIFY(panel->Started());
        WriteToolSettingsForLink(dir.Path(), link);
        TReports reports(dir.Path().string(), SystemClock());
        TPollAnswered poll; // outlives the window, which tells it of every frame
        TForm1 form(dir.Path().string(), &reports);
        form.Codec().AddObserver(poll);
        form.show();
        form.TabSheet2->SpinEditRefresh->setValue(100);

        // A: its records copied, its clock set.
        QTRY_COMPARE_WITH_TIMEOUT(EventLinesOf(dir.Path(), "00A1B2C3D4"), 6, HungRunMs);
        QCOMPARE(form.Visit().Installation(), MasterA);
        SendSetTime(form.Codec(), SystemClock().Now());
        QVERIFY(form.Visit().ClockSetAt().has_value());
        const TChartModel& chart = form.TabSheet3->Chart1->Model();
        const TChartTime lastOfA = chart.Store().LastTime();

        // The cable moves to B.
        panel.reset();
        panel.emplace(link, QStringList{"--slaves", "1", "--backlog", "4", "--id", "00B0B0B0B000"});
        QVERIFY(panel->Started());
        QTRY_COMPARE_WITH_TIMEOUT(form.Visit().Installation(), MasterB, HungRunMs);
        QTRY_COMPARE_WITH_TIMEOUT(EventLinesOf(dir.Path(), "00B0B0B0B0"), 4, HungRunMs);
        QVERIFY(!form.Visit().ClockSetAt().has_value());
        QCOMPARE(form.Visit().VisitNumber(), 2);
        QTRY_VERIFY(form.Installations().MasterOf(SlaveB) == MasterB);

        // The chart's picture and title: B's visit only.
        form.Link().Poll().Stop();                            // nothing new from here on
        QTRY_VERIFY_WITH_TIMEOUT(poll.Answered(), HungRunMs); // a reply on its way is in
        const auto [from, to] = chart.VisitView();
        QVERIFY(from > lastOfA);
        const QString title = form.TabSheet3->PictureTitle();
        QVERIFY2(title.startsWith(QStringLiteral("Installation 00B0B0B0B000, ") +
                                  QString::fromStdString(ChartAxisTimeText(from))),
                 qPrintable(title));
        const std::string picturePath = dir.File("chart.png");
        form.TabSheet3->SavePicture(picturePath);
        QImage picture;
        QVERIFY(picture.load(QString::fromStdString(picturePath)));
        TVoltageChart& chart1 = *form.TabSheet3->Chart1;
        const QImage visit = chart1.PictureOf(from, to);
        const QImage plot =
            picture.copy(0, picture.height() - visit.height(), visit.width(), visit.height());
        QVERIFY(plot == visit.convertToFormat(plot.format()));
        QVERIFY(plot != chart1.Picture().convertToFormat(plot.format())); // A's points too
        QVERIFY(chart.Following());                                       // the view is given back

        // The service report, asked for from a page other than "Events": B's visit, none of A's
        // records (what else it holds of B alone: the core's test of the report).
        form.ServiceReport().ButtonServiceReportClick();
        AnswerReportDialog(form, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!form.ServiceReport().LastPath().isEmpty(), HungRunMs);
        const QString pdf = PdfText(form.ServiceReport().LastPath());
        QVERIFY2(!pdf.contains(QStringLiteral("00A1B2C3D4")), qPrintable(pdf));

        // Installations: A and B, never B's or A's slave on its own; choosing B shows the
        // records of its master and of its slave.
        form.PageControl1->setCurrentWidget(form.TabSheetInstallations);
        QTableWidget* table = form.TabSheetInstallations->TableInstallations;
        QCOMPARE(table->rowCount(), 2);
        const int rowB = RowOfId(table, QStringLiteral("00B0B0B0B000"));
        QVERIFY(rowB >= 0);
        QCOMPARE(table->item(rowB, TInstallationsPage::ColSlaves)->text(),
                 QStringLiteral("00B0B0B0B001"));
        QCOMPARE(table->item(rowB, TInstallationsPage::ColRecords)->text(), QStringLiteral("4"));
        table->setCurrentCell(rowB, 0);
        TEventTableModel& events = *form.TabSheetEvents->Model();
        QCOMPARE(RowsOf(events, QStringLiteral("00B0B0B0B001")), 2);
        QCOMPARE(RowsOf(events, QStringLiteral("00B0B0B0B000")), 2);
        QCOMPARE(events.rowCount(), 4);
        const QString csv = QString::fromStdString(dir.File("b.csv"));
        form.TabSheetEvents->ExportShown(csv);
        QCOMPARE(form.TabSheetEvents->LabelExport->text(),
                 QStringLiteral("4 rows written to ") + QDir::toNativeSeparators(csv));

        // "this visit": B's records; the greyed fields show from when.
        TEventHistoryPage& page = *form.TabSheetEvents;
        page.ComboBoxTime->setCurrentIndex(TEventHistoryPage::TimeThisVisit);
        QVERIFY(!page.DateEditFrom->isEnabled());
        const TDateTime start = form.Visit().VisitStart();
        QCOMPARE(page.DateEditFrom->dateTime(),
                 QDateTime(QDate(start.Year, start.Month, start.Day),
                           QTime(start.Hour, start.Minute, start.Second)));

        // A name with a line break is refused and says why; a good one is shown.
        form.TabSheetInstallations->EditName->setText(QStringLiteral("Boiler\thouse"));
        form.TabSheetInstallations->ButtonSaveName->click();
        QVERIFY2(
            form.Errors().OpenMessages().join('\n').contains(QStringLiteral("control characters")),
            qPrintable(form.Errors().OpenMessages().join('\n')));
        QVERIFY(form.Installations().Find(MasterB)->Name.empty());
        form.TabSheetInstallations->EditName->setText(QStringLiteral("Boiler house"));
        form.TabSheetInstallations->EditSite->setText(QStringLiteral("Hall 3"));
        form.TabSheetInstallations->ButtonSaveName->click();
        QCOMPARE(form.LinkHealth().StatusBar()->Installation()->text(),
                 QStringLiteral("00B0B0B0B000 Boiler house (Hall 3)"));
        QVERIFY(form.TabSheet3->PictureTitle().startsWith(
            QStringLiteral("Installation 00B0B0B0B000 Boiler house (Hall 3), ")));
        page.ComboBoxTime->setCurrentIndex(TEventHistoryPage::TimeAll);
        QCOMPARE(page.ComboBoxId->currentText(),
                 QStringLiteral("00B0B0B0B000 Boiler house (Hall 3)"));
        for (int row = 0; row < events.rowCount(); ++row) {
            const QModelIndex id = events.index(row, static_cast<int>(TEventColumn::Id));
            if (id.data().toString() == QStringLiteral("00B0B0B0B001")) {
                QCOMPARE(id.data(Qt::ToolTipRole).toString(),
                         QStringLiteral("slave of 00B0B0B0B000 Boiler house (Hall 3)"));
            }
        }
        form.close();
    }

    // Live records arriving above a selected row leave it where it is on the screen, in the
    // default order (newest on top) and in another.
    void ASelectedRowStaysInViewAsRecordsArrive() {
        TTempDir dir;
        QWidget window;
        TErrorDisplay errors(&window);
        TEventHistoryPage page(dir.Path().string(), errors);
        page.resize(900, 600);
        page.show();
        page.Load();
        QTRY_VERIFY(!page.Loading());
        uint16_t index = 0;
        auto arrive = [&](int count) {
            for (int k = 0; k < count; ++k, ++index) {
                page.AddLiveLine(
                    EventLine({index, MasterA, 8, 0x10, 100U + index}, SystemClock().Now()));
            }
        };
        arrive(200);
        for (int column :
             {static_cast<int>(TEventColumn::PcTime), static_cast<int>(TEventColumn::PanelTime)}) {
            page.TableEvents->sortByColumn(column, Qt::DescendingOrder);
            page.TableEvents->scrollToTop();
            const QModelIndex chosen = page.Model()->index(5, 0);
            page.TableEvents->setCurrentIndex(chosen);
            const int top = page.TableEvents->visualRect(chosen).top();
            const QString text = chosen.data().toString() + chosen.sibling(5, 1).data().toString();
            arrive(30);
            const QModelIndex now = page.TableEvents->currentIndex();
            QCOMPARE(now.row(), 35);
            QCOMPARE(now.data().toString() + now.sibling(35, 1).data().toString(), text);
            QCOMPARE(page.TableEvents->visualRect(now).top(), top);
        }
    }
};

QTEST_MAIN(TInstallationVisitTest)
#include "installation_visit_test.moc"
