#pragma once
// "Service report...": gathers the visit's report in the core, lays it out as a PDF and tells the
// technician where it went. When this run has not read the firmware version, the command first
// asks the panel with 'V' and waits for the reply or its deadline without holding the window; a
// version that never came is said in the report. Without a status reply there is nothing to
// report, and the command says so.

#include "model/event_filter.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QMessageBox;
class TErrorDisplay;
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

    // The button and Ctrl+P.
    void ButtonServiceReportClick();

signals:
    void Written(const QString& path);

private:
    void WriteReport();
    QImage VisitChart();
    void ShowWritten(const QString& path);

    TParts FParts;
    QWidget* FWindow;
    TQtTimer* FDeadline;
    std::unique_ptr<TVersionAsk> FAsk;
    QString FFolder;
    QString FLastPath;
    QMessageBox* FDone = nullptr;
};
