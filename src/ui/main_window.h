#pragma once
// The working window TForm1: a tabbed page control with the master page, the communication page,
// the chart page and the four slave pages; the poll timer Timer1, the LED timer TimerLed and the
// serial port ComPort1. The window owns every control and wires each to its handler; the logic of
// the handlers lives in the core.

#include "model/event_bookkeeping.h"
#include "model/firmware_version.h"
#include "model/panel_state.h"
#include "store/connection_settings.h"
#include "store/disk_worker.h"
#include "store/queued_report_lines.h"
#include "store/record_file.h"
#include "store/report_file.h"
#include "store/report_writer.h"
#include "transport/com_port.h"
#include "ui/qt_main_thread.h"

#include <QSize>
#include <QWidget>

#include <exception>
#include <memory>
#include <string>

class QTabWidget;
class TAlarmCenter;
class TAlarmPage;
class TChartPage;
struct TLinkStatus;
class TCommunicationPage;
class TDataLineWriter;
class TErrorDisplay;
class TEventHistoryPage;
class TInstallationsPage;
class TReportLinesTap;
class TFrameCodec;
class TLinkHealthView;
class TSerialWatch;
class TDesktopOpen;
class TServiceReportCommand;
class TInstallationRegistry;
class TInstallationWatch;
struct TVisitStart;
class TTrafficMonitor;
class TLinkControls;
class TLinkControlsView;
class TMemoLog;
class TQtTimer;
class TReportWriter;
struct TMasterBlock;
struct TReports;
class TStatusDecoder;
class TStatusPage;
class TStatusPages;
class TVisitRecord;
class TSerialPortControl;
class TWindowFrameTransport;
class tPult;

// The client area of the window's design.
inline constexpr QSize DesignClientSize{1012, 619};

class TForm1 : public QWidget {
    Q_OBJECT
    // First of all members: the serial port hands its events to the window through it.
    TQtMainThread FMainThread;

public:
    // directory: where the tool's files lie, without separator (FilesDirectory, decided by
    // main), shown in the status bar's tool tip.
    // Opens "Zaznam.BIN" there (FormCreate). reports: the daily report files, opened before the
    // window and closed after it; without them no data line is written, event and version lines
    // go to the communication log only, and no event record counts as copied.
    explicit TForm1(std::string directory, TReports* reports = nullptr, QWidget* parent = nullptr);
    ~TForm1() override;

    QTabWidget* PageControl1;
    TStatusPage* Master;
    TCommunicationPage* TabSheet2;
    TChartPage* TabSheet3;
    TStatusPage* TabSheetSl[4];
    TEventHistoryPage* TabSheetEvents;
    TInstallationsPage* TabSheetInstallations;
    TAlarmPage* TabSheetAlarms;
    TQtTimer* Timer1;
    TQtTimer* TimerLed;
    TComPort ComPort1;

    TErrorDisplay& Errors() { return *FErrors; }
    // Ends the event report's disk work (see disk_worker.h); called when the window has closed.
    // False when it was left behind on a hung device: the event report must not be touched
    // any more in this run.
    bool FinishDiskWork();
    TFrameCodec& Codec() { return *FCodec; }
    TLinkControls& Link() { return *FLink; }
    TStatusPages& StatusPages() { return *FStatusPages; }
    // The link at a glance: status bar, stale pages, the traffic record, the port's watch.
    TLinkHealthView& LinkHealth() { return *FLinkHealth; }
    TSerialWatch& SerialWatch() { return *FSerialWatch; }
    // The traffic monitor, made when first opened (null before).
    TTrafficMonitor* TrafficMonitor() const { return FTrafficMonitor; }
    void ShowTrafficMonitor();
    const TPanelState& PanelState() const { return FPanelState; }
    // The firmware version the panel last sent in this run (unknown until it has answered 'V').
    TFirmwareVersion& FirmwareVersion() { return FFirmware; }
    // The changes announced in this run, their notifications and acknowledgement.
    TAlarmCenter& Alarms() { return *FAlarms; }
    // "Service report..." (the communication page's button and Ctrl+P).
    TServiceReportCommand& ServiceReport() { return *FServiceReport; }
    // Opens files and folders in the desktop ("Open files folder", a service report).
    TDesktopOpen& DesktopOpen() { return *FDesktopOpen; }
    // The installations met ("Installations.ini") and the visit of the one answering now.
    TInstallationRegistry& Installations() { return *FInstallations; }
    const TVisitRecord& Visit() const { return *FVisit; }
    // The installation answering now as the window names it: ID, name and site (or the ID
    // shown on the master page before the first visit).
    QString InstallationLabel() const;

    // The settings object of "Kelm2.ini", for the event bookkeeping: the holder lives as long as
    // the window; the object in it exists from FormShow until FormClose has saved the settings.
    TSettingsHolder& Settings() { return FSettings; }
    const TRecordFile& RecordFile() const { return FRecordFile; }

    // Where "ComPort.ini" and "Kelm2.ini" lie.
    std::string ComPortIniPath() const;
    std::string SettingsPath() const;

    // The local port the UDP link binds when the window is shown: the panel's port 1501.
    // Window tests share the machine's network with other test runs and set "0" (a port of the
    // system's choosing), so that no two runs take the same port from each other.
    static inline const char* UdpServerPort = "1501";
    // The panel object and its UDP worker, from the last step of the start-up on (else null).
    tPult* Pult() { return FPult.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormCloseQuery();
    void FormClose();
    void LoadConnectionSettings();
    void SaveConnectionSettings();
    void StartLink();
    void ShowCloseFailure(const std::exception& error);
    void BuildPages();
    void FitToPages();
    void ConnectControls();
    void BuildLinkHealth();
    void ShowSlavePage(int slave, bool shown);
    void BuildHistoryPages();
    void ShowInstallations();
    void BuildAlarms();
    void ConnectAlarms();
    void LoadAlarmSettings();
    void AlarmCountChanged(int count, bool critical);
    void FrontPageSeen();
    void BuildInstallations();
    void VisitStarted(const TVisitStart& start);
    void InstallationNamed(uint64_t id, const QString& name, const QString& site);
    void ShowInstallationLabel();
    void ComPort1RxChar(TComPort& sender, int32_t count);
    void BuildServiceReport();
    void MasterAnswered(const TMasterBlock& master);
    void LinkLooked(const TLinkStatus& status, uint32_t refreshMs);
    void TimerLedTimer();
    void WakeLedTimer();
    bool AnyLedBlinks() const;

    std::string FDirectory;
    TErrorDisplay* FErrors;
    std::unique_ptr<TMemoLog> FLog;
    std::unique_ptr<tPult> FPult;
    std::unique_ptr<TWindowFrameTransport> FFrameTransport;
    std::unique_ptr<TLinkControlsView> FLinkControlsView;
    std::unique_ptr<TSerialWatch> FSerialWatch;
    std::unique_ptr<TSerialPortControl> FSerialPortControl;
    std::unique_ptr<TFrameCodec> FCodec;
    std::unique_ptr<TLinkControls> FLink;
    TPanelState FPanelState;
    TFirmwareVersion FFirmware;
    TStatusPages* FStatusPages;
    std::unique_ptr<TStatusDecoder> FStatusDecoder;
    TSettingsHolder FSettings;
    THeldEventSettings FEventSettings{FSettings};
    // The event report's and the event copy's slow disk work, off the window's thread.
    std::unique_ptr<TDiskWorker> FEventDisk;
    bool FEventDiskAbandoned = false;
    std::unique_ptr<IReportLines> FEventReport;
    std::unique_ptr<TReportLinesTap> FEventReportTap; // the event report, shown on "Events"
    std::unique_ptr<TQueuedReportLines> FEventQueued; // for the writers on the window's thread
    std::unique_ptr<TEventBookkeeping> FEvents;
    TRecordFile FRecordFile;
    std::unique_ptr<TReportWriter> FDataReport;
    std::unique_ptr<TDataLineWriter> FDataLine;
    // Watches the codec and the event bookkeeping: declared after them, so it goes first.
    std::unique_ptr<TLinkHealthView> FLinkHealth;
    TTrafficMonitor* FTrafficMonitor = nullptr;
    TDesktopOpen* FDesktopOpen = nullptr;
    // Watches the codec: declared after it, so it goes first.
    std::unique_ptr<TVisitRecord> FVisit;
    std::unique_ptr<TInstallationRegistry> FInstallations;
    std::unique_ptr<TInstallationWatch> FInstallationWatch; // of the two above and the version
    TServiceReportCommand* FServiceReport = nullptr;
    TAlarmCenter* FAlarms = nullptr;
    QString FCaption; // the window's title without the count of changes not yet seen
    bool FShown = false;
    bool FClosed = false;
};
