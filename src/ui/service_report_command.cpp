#include "ui/service_report_command.h"

#include "core/clock.h"
#include "core/comm_log.h"
#include "core/errors.h"
#include "link/commands.h"
#include "link/frame_codec.h"
#include "model/chart_model.h"
#include "model/service_report.h"
#include "model/status_decoder.h"
#include "model/version_ask.h"
#include "store/atomic_file.h"
#include "store/connection_settings.h"
#include "ui/desktop_open.h"
#include "ui/error_display.h"
#include "ui/qt_timer.h"
#include "ui/service_report_dialog.h"
#include "ui/service_report_pdf.h"
#include "ui/voltage_chart.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cerrno>
#include <filesystem>

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

namespace {

constexpr const char* HandoverSection = "ServiceReport";

std::string Remembered(const TIniFile* settings, const char* key, const std::string& last) {
    return settings != nullptr ? settings->ReadString(HandoverSection, key, last) : last;
}

} // namespace

void TServiceReportCommand::ButtonServiceReportClick() {
    if (!FParts.Status.LastRecord()) {
        FParts.Errors.Show(tr("No service report yet: no status reply has come from the panel."));
        return;
    }
    if (FAsk->Waiting()) {
        return; // the report is on its way
    }
    if (FDialog == nullptr) {
        FDialog = new TServiceReportDialog(FWindow);
        connect(FDialog, &QDialog::accepted, this, &TServiceReportCommand::DialogAccepted);
    }
    if (!FDialog->isVisible()) {
        TReportHandover offered = FHandover;
        const TIniFile* settings = FParts.Settings.Current();
        offered.Technician = Remembered(settings, "Technician", FHandover.Technician);
        offered.Company = Remembered(settings, "Company", FHandover.Company);
        FDialog->SetValues(offered);
        FDialog->open();
    }
    FDialog->raise();
    FDialog->activateWindow();
}

// The technician is remembered before the report is made: a report that fails keeps the name.
void TServiceReportCommand::DialogAccepted() {
    FHandover = FDialog->Values();
    FParts.Errors.Guard([this] {
        if (TIniFile* settings = FParts.Settings.Current()) {
            settings->WriteString(HandoverSection, "Technician", FHandover.Technician);
            settings->WriteString(HandoverSection, "Company", FHandover.Company);
        }
    });
    MakeReport();
}

void TServiceReportCommand::MakeReport() {
    if (FAsk->Waiting()) {
        return;
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
    TReportSources sources{*FParts.Status.LastRecord(),
                           FParts.Version,
                           FParts.Visit,
                           FParts.Codec.Counters(),
                           FParts.History(),
                           range ? &*range : nullptr,
                           TFormatSymbols{QLocale().decimalPoint().toStdString(),
                                          QLocale().groupSeparator().toStdString()},
                           SystemClock().Now(),
                           FParts.Installations};
    TServiceReport report = GatherServiceReport(sources);
    report.Handover = FHandover;
    const QByteArray pdf = ServiceReportPdf(report, VisitChart());
    const std::string folder = FFolder.toLocal8Bit().toStdString();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw EOrvant("The service report could not be written: the folder " + folder +
                      " cannot be made (" + error.message() + ")");
    }
    const std::string written = CreateFileWithFreeName(
        [&](int attempt) {
            return folder + "/" +
                   ServiceReportFileName(report.InstallationId, report.PcTime, attempt);
        },
        pdf.toStdString());
    if (written.empty()) {
        throw EOrvant("The service report could not be written to " + folder + ": " +
                      SystemErrorText(errno));
    }
    const QString path = QString::fromLocal8Bit(written);
    FLastPath = path;
    FParts.Log.AddLine("Service report: " + written);
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
        open->setObjectName(QStringLiteral("ButtonOpenReport"));
        QPushButton* showFolder = FDone->addButton(tr("Open f&older"), QMessageBox::ActionRole);
        showFolder->setObjectName(QStringLiteral("ButtonOpenReportFolder"));
        QPushButton* folder = FDone->addButton(tr("Other &folder..."), QMessageBox::ActionRole);
        open->disconnect(); // the box stays while the report opens
        connect(open, &QPushButton::clicked, this, [this] { FParts.Opener.OpenFile(FLastPath); });
        showFolder->disconnect();
        connect(showFolder, &QPushButton::clicked, this,
                [this] { FParts.Opener.OpenFolder(QFileInfo(FLastPath).absolutePath()); });
        folder->disconnect();
        connect(folder, &QPushButton::clicked, this, [this] {
            const QString chosen =
                QFileDialog::getExistingDirectory(FWindow, tr("Folder"), FFolder);
            if (!chosen.isEmpty()) {
                FFolder = chosen;
                FDone->close();
                MakeReport(); // the same report, with what was typed for it
            }
        });
    }
    FDone->setText(tr("The service report is written to:\n%1").arg(QDir::toNativeSeparators(path)));
    FDone->open();
}
