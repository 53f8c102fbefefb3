#pragma once
// "Service report...": asks the technician for the names and remarks of the hand-over, gathers
// the visit's report in the core, lays it out as a PDF and writes it safely under a name of its
// own (an earlier report is never replaced; a failure leaves no file and says why), then tells
// the technician where it went. When this run has not read the firmware version, the command
// first asks the panel with 'V' and waits for the reply or its deadline without holding the
// window; a version that never came is said in the report. Without a status reply there is
// nothing to report, and the command says so.
//
// The technician's name and company are remembered in "Kelm2.ini" (section "ServiceReport",
// keys "Technician" and "Company") and offered again next time.

#include "model/event_filter.h"
#include "model/service_report.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QMessageBox;
class TDesktopOpen;
class TErrorDisplay;
class TServiceReportDialog;
class TSettingsHolder;
class TFirmwareVersion;
class TFrameCodec;
class TInstallationRegistry;
class TQtTimer;
class TStatusDecoder;
class TVersionAsk;
class TVisitRecord;
class TVoltageChart;
class ICommLog;

class TServiceReportCommand : public QObject {
    Q_OBJECT
public:
    struct TParts {
        TFrameCodec& Codec;
        const TStatusDecoder& Status;
        TFirmwareVersion& Version;
        const TVisitRecord& Visit;
        std::function<const TEventHistory&()> History;
        // The range of events the technician picked, or null for those copied in this visit.
        std::function<std::optional<TEventFilter>()> PickedRange;
        TVoltageChart& Chart;
        TErrorDisplay& Errors;
        ICommLog& Log;
        std::string FilesDirectory;
        TSettingsHolder& Settings; // the technician remembered
        TDesktopOpen& Opener;
        const TInstallationRegistry* Installations = nullptr; // name and site of the report
    };
    // Every part must outlive the command; `parent` owns it and its messages.
    TServiceReportCommand(TParts parts, QWidget* parent);
    ~TServiceReportCommand() override;

    // How long the report waits for the version reply.
    static constexpr uint32_t VersionDeadlineMs = 3000;

    // The folder the next report goes to: "ServiceReports" in the files directory unless the
    // technician chose another one.
    QString Folder() const { return FFolder; }
    void SetFolder(const QString& folder) { FFolder = folder; }
    // The report last written in this run, or empty.
    QString LastPath() const { return FLastPath; }

    // The button and Ctrl+P: the dialog first, then the report.
    void ButtonServiceReportClick();
    // The dialog before the report (null until first shown).
    TServiceReportDialog* Dialog() const { return FDialog; }
    // The message that says where the report went (null until the first report).
    QMessageBox* DoneMessage() const { return FDone; }

signals:
    void Written(const QString& path);

private:
    void DialogAccepted();
    void MakeReport();
    void WriteReport();
    QImage VisitChart();
    void ShowWritten(const QString& path);

    TParts FParts;
    QWidget* FWindow;
    TQtTimer* FDeadline;
    std::unique_ptr<TVersionAsk> FAsk;
    QString FFolder;
    QString FLastPath;
    TReportHandover FHandover;
    TServiceReportDialog* FDialog = nullptr;
    QMessageBox* FDone = nullptr;
};
