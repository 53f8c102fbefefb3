#include "ui/chart_page.h"

#include "core/errors.h"
#include "model/chart_export.h"
#include "store/atomic_file.h"
#include "ui/error_display.h"
#include "ui/voltage_chart.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
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

    connect(ButtonFollow, &QPushButton::clicked, this, [this] { ButtonFollowClick(); });
    connect(ButtonPause, &QPushButton::clicked, this,
            [this](bool checked) { ButtonPauseClick(checked); });
    connect(ButtonSavePicture, &QPushButton::clicked, this,
            [this] { FErrors.Guard([this] { ButtonSavePictureClick(); }); });
    connect(ButtonSaveCsv, &QPushButton::clicked, this,
            [this] { FErrors.Guard([this] { ButtonSaveCsvClick(); }); });
    connect(Chart1, &TVoltageChart::ViewModeChanged, this, &TChartPage::ShowViewMode);
    ShowViewMode();
}

void TChartPage::BuildPanel() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* row = new QHBoxLayout(Panel1);
    auto addButton = [&](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, Panel1);
        button->setObjectName(QString::fromLatin1(name));
        row->addWidget(button);
        return button;
    };
    ButtonFollow = addButton("ButtonFollow", tr("Follow newest"));
    ButtonPause = addButton("ButtonPause", tr("Pause"));
    ButtonPause->setCheckable(true);
    ButtonSavePicture = addButton("ButtonSavePicture", tr("Save picture..."));
    ButtonSaveCsv = addButton("ButtonSaveCsv", tr("Save CSV..."));
    LabelView = new QLabel(Panel1);
    LabelView->setObjectName(QStringLiteral("LabelView"));
    row->addWidget(LabelView, 1);
    ButtonFollow->setToolTip(tr("Show the whole run up to the newest points"));
    Chart1->setToolTip(tr("Wheel: zoom time, drag: move along time, double click: follow newest"));
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

void TChartPage::ShowViewMode() {
    const TChartModel& model = Chart1->Model();
    ButtonPause->setChecked(model.Paused());
    ButtonFollow->setEnabled(!model.Following() || model.Paused());
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

void TChartPage::SavePicture(const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!Chart1->grab().save(&buffer, "PNG")) {
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
