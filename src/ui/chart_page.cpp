#include "ui/chart_page.h"

#include "core/errors.h"
#include "model/chart_export.h"
#include "store/atomic_file.h"
#include "ui/error_display.h"
#include "ui/voltage_chart.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cerrno>

TChartPage::TChartPage(TErrorDisplay& errors, QWidget* parent) : QWidget(parent), FErrors(errors) {
    Chart1 = new TVoltageChart(this);
    BuildPanel();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Chart1, 1);
    layout->addWidget(Panel1);
    ConnectControls();
    ShowViewMode();
}

TChartPage::~TChartPage() {
    FDayReading.Abandon(); // never waits for a read that may hang
}

void TChartPage::BuildPanel() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* rows = new QVBoxLayout(Panel1);
    auto* row = new QHBoxLayout;
    rows->addLayout(row);
    auto addButton = [&](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, Panel1);
        button->setObjectName(QString::fromLatin1(name));
        row->addWidget(button);
        return button;
    };
    ButtonFollow = addButton("ButtonFollow", tr("Follow &newest"));
    ButtonPause = addButton("ButtonPause", tr("&Pause"));
    ButtonPause->setCheckable(true);
    ButtonFit = addButton("ButtonFit", tr("&Fit"));
    ButtonFit->setCheckable(true);
    ButtonFixed = addButton("ButtonFixed", tr("Fi&xed"));
    ButtonFixed->setCheckable(true);
    ButtonSavePicture = addButton("ButtonSavePicture", tr("Save p&icture..."));
    ButtonSaveCsv = addButton("ButtonSaveCsv", tr("Save &CSV..."));
    LabelView = new QLabel(Panel1);
    LabelView->setObjectName(QStringLiteral("LabelView"));
    row->addWidget(LabelView, 1);
    ButtonFollow->setToolTip(tr("Show the whole run up to the newest points (Home)"));
    ButtonFit->setToolTip(tr("Scale the voltage axis to the points in view (F)"));
    ButtonFixed->setToolTip(tr("Show the voltage axis from 0 to 30 V (X)"));
    Chart1->setToolTip(tr("Wheel or + and -: zoom time, drag or Left and Right: move along time, "
                          "double click or Home: follow newest, Shift+Left and Shift+Right: "
                          "read-out"));
    BuildDayRow();
}

void TChartPage::ConnectControls() {
    connect(ButtonFollow, &QPushButton::clicked, this, [this] { ButtonFollowClick(); });
    connect(ButtonPause, &QPushButton::clicked, this,
            [this](bool checked) { ButtonPauseClick(checked); });
    connect(ButtonFit, &QPushButton::clicked, this, [this] { ButtonFitClick(); });
    connect(ButtonFixed, &QPushButton::clicked, this, [this] { ButtonFixedClick(); });
    connect(CheckLive, &QCheckBox::clicked, this,
            [this](bool checked) { CheckLiveClick(checked); });
    connect(ButtonSavePicture, &QPushButton::clicked, this,
            [this] { FErrors.Guard([this] { ButtonSavePictureClick(); }); });
    connect(ButtonSaveCsv, &QPushButton::clicked, this,
            [this] { FErrors.Guard([this] { ButtonSaveCsvClick(); }); });
    connect(ButtonOpenDay, &QPushButton::clicked, this,
            [this] { FErrors.Guard([this] { ButtonOpenDayClick(); }); });
    connect(ButtonCloseDay, &QPushButton::clicked, this, [this] { ButtonCloseDayClick(); });
    connect(Chart1, &TVoltageChart::ViewModeChanged, this, &TChartPage::ShowViewMode);
}

void TChartPage::ButtonFollowClick() {
    Chart1->Model().FollowNewest();
    Chart1->update();
    ShowViewMode();
}

void TChartPage::ButtonPauseClick(bool checked) {
    Chart1->Model().SetPaused(checked);
    Chart1->update();
    ShowViewMode();
}

void TChartPage::ButtonFitClick() {
    Chart1->SetFitValues(true);
}

void TChartPage::ButtonFixedClick() {
    Chart1->SetFitValues(false);
}

void TChartPage::CheckLiveClick(bool checked) {
    Chart1->SetLiveShown(checked);
}

void TChartPage::ShowViewMode() {
    const TChartModel& model = Chart1->Model();
    ButtonPause->setChecked(model.Paused());
    ButtonFollow->setEnabled(!model.Following() || model.Paused());
    ButtonFit->setChecked(Chart1->FitValues());
    ButtonFixed->setChecked(!Chart1->FitValues());
    if (model.Paused()) {
        LabelView->setText(tr("Paused; points keep arriving"));
    } else if (model.Following()) {
        LabelView->setText(tr("Following the newest points"));
    } else {
        LabelView->setText(tr("From %1 to %2")
                               .arg(QString::fromStdString(ChartAxisTimeText(model.ViewFrom())),
                                    QString::fromStdString(ChartAxisTimeText(model.ViewTo()))));
    }
}

QString TChartPage::PictureTitle() const {
    const auto [from, to] = Chart1->Model().VisitView();
    const QString id = InstallationId ? InstallationId() : QString();
    return tr("Installation %1, %2 to %3")
        .arg(id.isEmpty() ? tr("unknown") : id, QString::fromStdString(ChartAxisTimeText(from)),
             QString::fromStdString(ChartAxisTimeText(to)));
}

// The range in view, cut to the visit of the installation that answers now: another
// installation's points are never in its picture.
void TChartPage::SavePicture(const std::string& path) {
    const auto [from, to] = Chart1->Model().VisitView();
    const QImage chart = Chart1->PictureOf(from, to);
    const int titleHeight = 2 * fontMetrics().height();
    QImage picture(chart.width(), chart.height() + titleHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        painter.setFont(font());
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, 0, chart.width(), titleHeight), Qt::AlignCenter, PictureTitle());
        painter.drawImage(0, titleHeight, chart);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        throw EInOutError(EIO, path);
    }
    if (!ReplaceFileAtomically(path, bytes.toStdString())) {
        throw EInOutError(errno, path);
    }
}

void TChartPage::SaveCsv(const std::string& path) {
    const TChartModel& model = Chart1->Model();
    ExportChartCsv(model.Store(), model.ViewFrom(), model.ViewTo(), path);
}

QString TChartPage::SuggestedFileName(const QString& extension) const {
    return QStringLiteral("Kelm2_Chart_") +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss")) + extension;
}

void TChartPage::ButtonSavePictureClick() {
    const QString path = QFileDialog::getSaveFileName(this, tr("Save chart picture"),
                                                      SuggestedFileName(QStringLiteral(".png")),
                                                      tr("PNG pictures (*.png)"));
    if (!path.isEmpty()) {
        SavePicture(path.toLocal8Bit().toStdString());
    }
}

void TChartPage::ButtonSaveCsvClick() {
    const QString path = QFileDialog::getSaveFileName(this, tr("Save chart points"),
                                                      SuggestedFileName(QStringLiteral(".csv")),
                                                      tr("CSV files (*.csv)"));
    if (!path.isEmpty()) {
        SaveCsv(path.toLocal8Bit().toStdString());
    }
}
