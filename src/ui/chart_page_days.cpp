// The "Chart" page's past days: the data report files present, one of them read on a thread of
// its own into the chart's second layer, with a progress bar and the count of lines not read.
// The window never waits for that thread (a stalled medium may hold its read): a new day
// opened, or the page closed, abandons it.

#include "ui/chart_page.h"

#include "store/report_days.h"
#include "ui/error_display.h"
#include "ui/voltage_chart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace {

QString DayText(const TDateTime& day) {
    return QStringLiteral("%1.%2.%3")
        .arg(day.Day, 2, 10, QLatin1Char('0'))
        .arg(day.Month, 2, 10, QLatin1Char('0'))
        .arg(day.Year);
}

} // namespace

void TChartPage::BuildDayRow() {
    auto* row = new QHBoxLayout;
    static_cast<QVBoxLayout*>(Panel1->layout())->addLayout(row);
    auto* label = new QLabel(tr("Past &day:"), Panel1);
    ComboDay = new QComboBox(Panel1);
    ComboDay->setObjectName(QStringLiteral("ComboDay"));
    ComboDay->setMinimumContentsLength(10);
    label->setBuddy(ComboDay);
    ButtonOpenDay = new QPushButton(tr("&Open day"), Panel1);
    ButtonOpenDay->setObjectName(QStringLiteral("ButtonOpenDay"));
    ButtonCloseDay = new QPushButton(tr("Clos&e day"), Panel1);
    ButtonCloseDay->setObjectName(QStringLiteral("ButtonCloseDay"));
    ButtonCloseDay->setEnabled(false);
    CheckLive = new QCheckBox(tr("&Live"), Panel1);
    CheckLive->setObjectName(QStringLiteral("CheckLive"));
    CheckLive->setChecked(true);
    CheckLive->setToolTip(tr("Draw the live points beside the past day"));
    ProgressDay = new QProgressBar(Panel1);
    ProgressDay->setObjectName(QStringLiteral("ProgressDay"));
    ProgressDay->setRange(0, 1000);
    ProgressDay->setTextVisible(false);
    ProgressDay->setMaximumWidth(160);
    ProgressDay->hide();
    LabelDay = new QLabel(Panel1);
    LabelDay->setObjectName(QStringLiteral("LabelDay"));
    for (QWidget* w : std::initializer_list<QWidget*>{label, ComboDay, ButtonOpenDay,
                                                      ButtonCloseDay, CheckLive, ProgressDay}) {
        row->addWidget(w);
    }
    row->addWidget(LabelDay, 1);
    FProgressTimer = new QTimer(this);
    FProgressTimer->setInterval(100);
    connect(FProgressTimer, &QTimer::timeout, this,
            [this] { ProgressDay->setValue(FLoadPermille ? FLoadPermille->load() : 0); });
    SetReportDirectory({});
}

void TChartPage::SetReportDirectory(const std::string& directory) {
    FReportDirectory = directory;
    FillComboDay();
}

void TChartPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FillComboDay(); // a new day's file may have come since
}

void TChartPage::FillComboDay() {
    const QString current = ComboDay->currentText();
    ComboDay->clear();
    if (!FReportDirectory.empty()) {
        const std::vector<TDateTime> days = ReportDaysIn(FReportDirectory, DataReportKind);
        for (auto day = days.rbegin(); day != days.rend(); ++day) {
            ComboDay->addItem(DayText(*day), QString::fromStdString(ReportDayFile(
                                                 FReportDirectory, DataReportKind, *day)));
        }
    }
    ComboDay->setCurrentIndex(std::max(0, ComboDay->findText(current)));
    ButtonOpenDay->setEnabled(ComboDay->count() > 0 && !DayLoading());
}

void TChartPage::ButtonOpenDayClick() {
    if (ComboDay->currentIndex() >= 0) {
        OpenDay(ComboDay->currentData().toString().toStdString());
    }
}

void TChartPage::OpenDay(const std::string& path) {
    FLoadPermille = std::make_shared<std::atomic<int>>(0);
    ProgressDay->setValue(0);
    ProgressDay->show();
    ButtonOpenDay->setEnabled(false);
    LabelDay->setText(tr("Reading %1").arg(QString::fromStdString(path)));
    FProgressTimer->start();
    const QString dayText = ComboDay->currentText();
    FDayReading.Start([this, path, dayText, permille = FLoadPermille](TDetachedReading::TJob& job) {
        // On the reading thread: only the job and its own copies are touched here.
        auto load = std::make_shared<TChartDayLoad>();
        std::exception_ptr failure;
        try {
            *load = LoadChartDay(
                path, [&permille](double share) { *permille = static_cast<int>(share * 1000); },
                job.Stop);
        } catch (...) {
            failure = std::current_exception();
        }
        job.HandBack([this, load, failure, dayText] { DayLoaded(load, failure, dayText); });
    });
}

// On the window's thread, when the reading is done (one abandoned since never comes here).
void TChartPage::DayLoaded(std::shared_ptr<TChartDayLoad> load, std::exception_ptr failure,
                           const QString& dayText) {
    FDayReading.Finished();
    FProgressTimer->stop();
    ProgressDay->hide();
    FillComboDay();
    if (failure) {
        LabelDay->clear();
        FErrors.Guard([failure] { std::rethrow_exception(failure); });
        return;
    }
    TChartModel& model = Chart1->Model();
    const bool any = !load->Points->Empty();
    if (any) {
        model.ShowRange(load->Points->FirstTime(), load->Points->LastTime());
    }
    model.SetPastDay(any ? std::move(load->Points) : nullptr);
    ButtonCloseDay->setEnabled(any);
    QString text = tr("%1: %2 points").arg(dayText).arg(load->DataLines);
    if (load->BadLines > 0) {
        text += tr(", %1 lines not read (the first is line %2)")
                    .arg(load->BadLines)
                    .arg(load->FirstBadLine);
    }
    LabelDay->setText(text);
    Chart1->update();
    ShowViewMode();
}

void TChartPage::ButtonCloseDayClick() {
    Chart1->Model().SetPastDay(nullptr);
    ButtonCloseDay->setEnabled(false);
    LabelDay->clear();
    Chart1->update();
}
