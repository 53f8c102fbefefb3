#include "ui/service_report_command.h"

#include "core/clock.h"
#include "core/comm_log.h"
#include "link/commands.h"
#include "link/frame_codec.h"
#include "model/chart_model.h"
#include "model/service_report.h"
#include "model/status_decoder.h"
#include "model/version_ask.h"
#include "ui/error_display.h"
#include "ui/qt_timer.h"
#include "ui/service_report_pdf.h"
#include "ui/voltage_chart.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <algorithm>

TServiceReportCommand::TServiceReportCommand(TParts parts, QWidget* parent)
    : QObject(parent), FParts(std::move(parts)), FWindow(parent),
      FDeadline(new TQtTimer(this, VersionDeadlineMs, false)),
      FFolder(QString::fromLocal8Bit(FParts.FilesDirectory) + QLatin1Char('/') +
              QString::fromLatin1(ServiceReportDirectory)) {
    FAsk = std::make_unique<TVersionAsk>(FParts.Version, *FDeadline, [this] {
        FParts.Codec.SendFrame(Command::Version, nullptr, 0);
    });
}

TServiceReportCommand::~TServiceReportCommand() = default;

void TServiceReportCommand::ButtonServiceReportClick() {
    if (!FParts.Status.LastRecord()) {
        FParts.Errors.Show(tr("No service report yet: no status reply has come from the panel."));
        return;
    }
    if (FAsk->Waiting()) {
        return; // the report is on its way
    }
    FParts.Errors.Guard([this] {
        // The reply comes in the middle of its decoder: the report is written after it.
        FAsk->Ask(VersionDeadlineMs, [this](bool) {
            QTimer::singleShot(0, this, [this] { FParts.Errors.Guard([this] { WriteReport(); }); });
        });
    });
}

void TServiceReportCommand::WriteReport() {
    const std::optional<TEventFilter> range = FParts.PickedRange();
    const TServiceReport report =
        GatherServiceReport({*FParts.Status.LastRecord(), FParts.Version, FParts.Visit,
                             FParts.Codec.Counters(), FParts.History(), range ? &*range : nullptr,
                             TFormatSymbols{QLocale().decimalPoint().toStdString(),
                                            QLocale().groupSeparator().toStdString()},
                             SystemClock().Now(), FParts.Installations});
    if (!QDir().mkpath(FFolder)) {
        throw EOrvant("Cannot create the folder " + FFolder.toStdString());
    }
    const QString path =
        FFolder + QLatin1Char('/') +
        QString::fromStdString(ServiceReportFileName(report.InstallationId, report.PcTime));
    WriteServiceReportPdf(report, VisitChart(), path);
    FLastPath = path;
    FParts.Log.AddLine("Service report: " + path.toStdString());
    ShowWritten(path);
    emit Written(path);
}

// The chart of the whole visit, from its first point to its newest, whatever range the technician
// looks at; the view is given back as it was.
QImage TServiceReportCommand::VisitChart() {
    const TChartModel& model = FParts.Chart.Model();
    const std::optional<TChartTime> from = model.VisitFrom();
    if (!from) {
        return FParts.Chart.Picture();
    }
    const TChartTime to = std::max(model.Store().LastTime(), *from + TChartModel::MinimumSpan);
    return FParts.Chart.PictureOf(*from, to);
}

// Says where the report went, without holding the window: it can be opened from here, or the
// next one sent to another folder.
void TServiceReportCommand::ShowWritten(const QString& path) {
    if (FDone == nullptr) {
        FDone = new QMessageBox(QMessageBox::Information, tr("Service report"), QString(),
                                QMessageBox::Close, FWindow);
        FDone->setObjectName(QStringLiteral("ServiceReportDone"));
        QPushButton* open = FDone->addButton(tr("&Open"), QMessageBox::ActionRole);
        QPushButton* folder = FDone->addButton(tr("Other &folder..."), QMessageBox::ActionRole);
        open->disconnect(); // the box stays while the report opens
        connect(open, &QPushButton::clicked, this,
                [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(FLastPath)); });
        folder->disconnect();
        connect(folder, &QPushButton::clicked, this, [this] {
            const QString chosen =
                QFileDialog::getExistingDirectory(FWindow, tr("Folder"), FFolder);
            if (!chosen.isEmpty()) {
                FFolder = chosen;
                FDone->close();
                ButtonServiceReportClick();
            }
        });
    }
    FDone->setText(tr("The service report is written to:\n%1").arg(QDir::toNativeSeparators(path)));
    FDone->open();
}
