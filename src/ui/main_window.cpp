#include "ui/main_window.h"

#include "core/clock.h"
#include "link/frame_codec.h"
#include "link/link_controls.h"
#include "link/wait.h"
#include "model/data_line.h"
#include "model/event_bookkeeping.h"
#include "model/installation_registry.h"
#include "model/installation_watch.h"
#include "model/installations.h"
#include "model/pult.h"
#include "model/reply_decoders.h"
#include "model/status_decoder.h"
#include "model/visit_record.h"
#include "store/app_paths.h"
#include "store/crt_memo.h"
#include "store/disk_calls.h"
#include "store/ini_file.h"
#include "store/report_file.h"
#include "store/report_lines_tap.h"
#include "store/report_writer.h"
#include "transport/serial_watch.h"
#include "ui/chart_page.h"
#include "ui/communication_page.h"
#include "ui/desktop_open.h"
#include "ui/error_display.h"
#include "ui/event_history_page.h"
#include "ui/frame_transport.h"
#include "ui/installations_page.h"
#include "ui/led_shape.h"
#include "ui/link_controls_view.h"
#include "ui/link_health_view.h"
#include "ui/link_status_bar.h"
#include "ui/memo_log.h"
#include "ui/page_keys.h"
#include "ui/qt_timer.h"
#include "ui/serial_port_control.h"
#include "ui/service_report_command.h"
#include "ui/status_page.h"
#include "ui/status_pages.h"
#include "ui/traffic_monitor.h"
#include "ui/voltage_chart.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <exception>
#include <vector>

TForm1::TForm1(std::string directory, TReports* reports, QWidget* parent)
    : QWidget(parent), ComPort1(FMainThread), FDirectory(std::move(directory)) {
    // ComPort1 is built before the pages exist; its handlers are set in ConnectControls.
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orvant  v2.1"));
    FErrors = new TErrorDisplay(this);
    // Told on the thread that writes: shown on the window's. That thread may outlive the window
    // (a disk that does not answer is left behind at the close), so it reaches the window only
    // through the guarded pointer.
    SetUnsupportedFlushNotice([window = QPointer<TForm1>(this)](const std::string& text) {
        TQtMainThread().Post([window, text] {
            if (window) {
                window->FErrors->Show(QString::fromLocal8Bit(text));
            }
        });
    });
    FEventDisk = std::make_unique<TDiskWorker>(FMainThread, [this](const std::string& text) {
        FErrors->Show(QString::fromLocal8Bit(text));
    });
    FStatusPages = new TStatusPages(FPanelState, this);
    BuildPages();

    Timer1 = new TQtTimer(this, 1000, false);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    TimerLed = new TQtTimer(this, 200, true);
    TimerLed->setObjectName(QStringLiteral("TimerLed"));
    SetComPort1Design(ComPort1);

    FLog = std::make_unique<TMemoLog>(TabSheet2->Memo1);
    FFrameTransport = std::make_unique<TWindowFrameTransport>(*TabSheet2, ComPort1, FPult);
    FLinkControlsView = std::make_unique<TLinkControlsView>(*TabSheet2);
    FSerialWatch = std::make_unique<TSerialWatch>(ComPort1);
    FSerialPortControl = std::make_unique<TSerialPortControl>(ComPort1, *FSerialWatch, this);
    FCodec = std::make_unique<TFrameCodec>(*FFrameTransport, *FLog);
    FLink = std::make_unique<TLinkControls>(*FCodec, *Timer1, *FSerialPortControl,
                                            *FLinkControlsView, *FLog, SystemClock());
    FStatusDecoder =
        std::make_unique<TStatusDecoder>(*FCodec, FPanelState, *FStatusPages, SystemClock());
    FStatusDecoder->AttachChart(TabSheet3->Chart1->Model());
    FStatusDecoder->AttachMasterWatch([this](const TMasterBlock& m) { MasterAnswered(m); });
    TabSheet3->InstallationId = [this] { return InstallationLabel(); };
    if (reports != nullptr) {
        TabSheet3->SetReportDirectory(DirectoryOf(reports->URepData.ReportFileName()));
        FDataReport = std::make_unique<TReportWriter>(reports->URepData);
        FDataLine = std::make_unique<TDataLineWriter>(*FDataReport);
        FStatusDecoder->AttachDataLine(*FDataLine);
    }
    if (reports != nullptr) {
        FEventReport = std::make_unique<TReportWriter>(reports->URepUdal);
    } else {
        FEventReport = std::make_unique<TNoReportLines>();
    }
    // The tap is called on the disk worker's thread: the line is shown on the window's. The
    // thread may outlive the window, like the flush notice above.
    FEventReportTap = std::make_unique<TReportLinesTap>(
        *FEventReport, [window = QPointer<TForm1>(this)](const std::string& line) {
            TQtMainThread().Post([window, line] {
                if (window) {
                    window->FVisit->EventLineWritten(line);
                    window->TabSheetEvents->AddLiveLine(line);
                }
            });
        });
    FEventQueued = std::make_unique<TQueuedReportLines>(*FEventReportTap, *FEventDisk);
    FEvents = std::make_unique<TEventBookkeeping>(*FCodec, FPanelState.Events, FEventSettings,
                                                  *FStatusPages, *FEventReportTap, *FLog,
                                                  SystemClock(), FEventDisk.get());
    RegisterReplyDecoders(*FCodec, *FStatusDecoder, *FEvents, *FLog, *FEventQueued, SystemClock(),
                          &FFirmware);
    BuildLinkHealth();
    BuildInstallations();
    ConnectAlarms();
    BuildServiceReport();
    FitToPages(); // once the status bar is there too
    ConnectControls();
    FormCreate();
}

TForm1::~TForm1() {
    FinishDiskWork();
    SetUnsupportedFlushNotice({});
    // It watches the version and the codec, members that go before the window's children.
    delete FServiceReport;
    // The UDP worker and the port's event thread hand events to this window: stop them while
    // the window still exists.
    FPult.reset();
    try {
        ComPort1.Close();
    } catch (const std::exception&) {
    }
}

std::string TForm1::ComPortIniPath() const {
    return FDirectory + "/ComPort.ini";
}

std::string TForm1::SettingsPath() const {
    return FDirectory + "/" + SettingsFileName;
}

void TForm1::BuildPages() {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setUsesScrollButtons(false); // tabs on several rows if needed, never hidden
    auto addPage = [this](QWidget* page, const char* name, const QString& caption) {
        page->setObjectName(QString::fromLatin1(name));
        PageControl1->addTab(page, caption);
        return page;
    };
    Master = FStatusPages->Master();
    PageControl1->addTab(Master, Master->Caption());
    TabSheet2 = new TCommunicationPage;
    addPage(TabSheet2, "TabSheet2", tr("Communication"));
    TabSheet3 = new TChartPage(*FErrors);
    addPage(TabSheet3, "TabSheet3", tr("Chart"));
    for (int k = 0; k < 4; ++k) {
        TabSheetSl[k] = FStatusPages->Slave(k + 1);
        PageControl1->addTab(TabSheetSl[k], TabSheetSl[k]->Caption());
    }
    BuildHistoryPages();
    BuildAlarms();
    PageControl1->setCurrentWidget(TabSheet2);
    InstallPageKeys(PageControl1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);
}

// Starts showing the whole Master page (at least the design size); smallest as the pages need with
// the error panel at its tallest; neither beyond the screen's free area (the pages scroll then).
void TForm1::FitToPages() {
    ensurePolished(); // the sizes the controls need depend on the style's fonts and frames
    const QSize room = screen()->availableGeometry().size();
    const QSize needed = minimumSizeHint() + QSize(0, FErrors->TallestHeight());
    setMinimumSize(needed.boundedTo(room));
    resize(DesignClientSize.expandedTo(sizeHint()).expandedTo(minimumSize()).boundedTo(room));
}

void TForm1::ConnectControls() {
    auto guarded = [this](void (TLinkControls::*handler)()) {
        return [this, handler] { FErrors->Guard([&] { (FLink.get()->*handler)(); }); };
    };
    Timer1->SetOnTimer(guarded(&TLinkControls::Timer1Timer));
    TimerLed->SetOnTimer([this] { FErrors->Guard([this] { TimerLedTimer(); }); });
    connect(FStatusPages, &TStatusPages::SlavePageShownChanged, this, &TForm1::ShowSlavePage);
    const TCommunicationPage* page = TabSheet2;
    connect(page->Button1, &QPushButton::clicked, this, guarded(&TLinkControls::Button1Click));
    connect(page->ButtonStop, &QPushButton::clicked, this,
            guarded(&TLinkControls::ButtonStopClick));
    connect(page->ButtonStop, &QPushButton::clicked, this,
            [this] { TabSheet3->Chart1->Model().Break(); }); // even when Init follows at once
    connect(page->Button2, &QPushButton::clicked, this, guarded(&TLinkControls::Button2Click));
    connect(page->Button5, &QPushButton::clicked, this, guarded(&TLinkControls::Button5Click));
    connect(page->ButtonSetTime, &QPushButton::clicked, this,
            guarded(&TLinkControls::ButtonSetTimeClick));
    connect(page->Button8, &QPushButton::clicked, this, guarded(&TLinkControls::Button8Click));
    connect(page->ButtonVerse, &QPushButton::clicked, this,
            guarded(&TLinkControls::ButtonVerseClick));
    connect(page->Button7, &QPushButton::clicked, this, guarded(&TLinkControls::Button7Click));
    connect(page->ButtonSetSlave, &QPushButton::clicked, this,
            guarded(&TLinkControls::ButtonSetSlaveClick));
    connect(page->SpinEditRefresh, &QSpinBox::valueChanged, this,
            guarded(&TLinkControls::SpinEditRefreshChange));
    connect(page->SpinEditAdr, &QSpinBox::valueChanged, this,
            guarded(&TLinkControls::SpinEditAdrChange));
    connect(page->CheckBoxUDP, &QCheckBox::clicked, this,
            guarded(&TLinkControls::CheckBoxUDPClick));
    // UDP chosen now: a port that could not be bound at start-up is an error from here on.
    connect(page->CheckBoxUDP, &QCheckBox::clicked, this, [this](bool udp) {
        FErrors->Guard([this, udp] {
            if (udp && FPult) {
                FPult->CheckBound();
            }
        });
    });

    ComPort1.OnRxChar = [this](TComPort& sender, int32_t count) { ComPort1RxChar(sender, count); };
    // A failure of the serial port while UDP is chosen is not the link's: a note in the log.
    ComPort1.OnException = [this](TComPort&, const std::exception& error) {
        if (TabSheet2->CheckBoxUDP->isChecked()) {
            FLink->NoteUnusedLinkFailure(error);
        } else {
            FErrors->Show(error);
        }
    };
    connect(page->ButtonMonitor, &QPushButton::clicked, this, &TForm1::ShowTrafficMonitor);
}

// ---- The link at a glance ----

// Under the pages: the messages (shown only while there are any), then the status bar.
void TForm1::BuildLinkHealth() {
    FLinkHealth = std::make_unique<TLinkHealthView>(*FCodec, FLink->Poll(), *FLinkControlsView,
                                                    *FFrameTransport, ComPort1, *FSerialWatch,
                                                    *FStatusPages, this);
    FLinkHealth->SetUdpTarget(FFrameTransport.get());
    FLinkHealth->SetEventProgress(FEvents.get());
    FLinkHealth->SetFirmwareVersion(&FFirmware);
    // The chart's lines break where no reply can come, and its rule for a silent panel follows
    // the refresh interval in force.
    FLinkHealth->OnLook = [this](const TLinkStatus& status, uint32_t refreshMs) {
        LinkLooked(status, refreshMs);
    };
    FLinkHealth->OnSilence = [this](const TSilenceNotice& notice) {
        FErrors->Show(QString::fromStdString(notice.Message),
                      QString::fromLocal8Bit(notice.Detail));
    };
    auto* column = static_cast<QVBoxLayout*>(layout());
    column->setSpacing(0); // the bar and the panel have frames of their own
    column->addWidget(FErrors->Area());
    column->addWidget(FLinkHealth->StatusBar());
    // Installed system-wide the files are not beside the program: say where they are.
    FLinkHealth->StatusBar()->setToolTip(
        tr("Settings and reports: %1").arg(QString::fromLocal8Bit(FDirectory)));
}

void TForm1::ShowTrafficMonitor() {
    if (FTrafficMonitor == nullptr) {
        FTrafficMonitor = new TTrafficMonitor(FLinkHealth->Traffic(), *FErrors, this);
    }
    FTrafficMonitor->show();
    FTrafficMonitor->raise();
}

// The installation as one whole: its master and slaves in "Installations.ini", and the visit of
// the one answering now, which every status reply keeps up to date.
void TForm1::BuildInstallations() {
    FVisit = std::make_unique<TVisitRecord>(SystemClock());
    FCodec->AddObserver(*FVisit);
    FInstallations =
        std::make_unique<TInstallationRegistry>(FDirectory + "/" + InstallationsFileName);
    FErrors->Guard([this] { FInstallations->Load(); });
    FInstallationWatch =
        std::make_unique<TInstallationWatch>(*FInstallations, *FVisit, FFirmware, SystemClock());
    FVisit->WatchVisits([this](const TVisitStart& start) { VisitStarted(start); });
    TabSheetEvents->SetInstallations(FInstallations.get(), FVisit.get());
}

// Another installation answers: its visit begins with the chart's newest point.
void TForm1::VisitStarted(const TVisitStart&) {
    TabSheet3->Chart1->Model().MarkVisitStart();
    ShowInstallationLabel();
    TabSheetEvents->VisitChanged();
}

QString TForm1::InstallationLabel() const {
    if (FVisit->Installation() == 0) {
        return Master->IdEdit()->text();
    }
    return QString::fromStdString(FInstallations->Label(FVisit->Installation()));
}

void TForm1::ShowInstallationLabel() {
    const QString label = FVisit->Installation() == 0 ? QString() : InstallationLabel();
    QLabel* shown = FLinkHealth->StatusBar()->Installation();
    FLinkHealth->StatusBar()->ShowInstallation(shown->fontMetrics().elidedText(
        label, Qt::ElideRight, 40 * shown->fontMetrics().averageCharWidth()));
    shown->setToolTip(label);
}

void TForm1::InstallationNamed(uint64_t id, const QString& name, const QString& site) {
    FErrors->Guard(
        [&] { FInstallations->SetNameAndSite(id, name.toStdString(), site.toStdString()); });
    ShowInstallations();
    ShowInstallationLabel();
    TabSheetEvents->InstallationsChanged();
}

// "Service report...": what this visit showed, from the link's traffic since the window opened.
void TForm1::BuildServiceReport() {
    FDesktopOpen = new TDesktopOpen(*FErrors, this);
    connect(TabSheet2->ButtonFilesFolder, &QPushButton::clicked, FDesktopOpen,
            [this] { FDesktopOpen->OpenFolder(QString::fromLocal8Bit(FDirectory)); });
    FServiceReport = new TServiceReportCommand(
        {*FCodec, *FStatusDecoder, FFirmware, *FVisit,
         [this]() -> const TEventHistory& { return TabSheetEvents->History(); },
         // Asked for from the "Events" page, the report takes the events the page shows.
         [this]() -> std::optional<TEventFilter> {
             if (PageControl1->currentWidget() != TabSheetEvents) {
                 return std::nullopt;
             }
             return TabSheetEvents->Filter();
         },
         *TabSheet3->Chart1, *FErrors, *FLog, FDirectory, FSettings, *FDesktopOpen,
         FInstallations.get()},
        this);
    connect(TabSheet2->ButtonServiceReport, &QPushButton::clicked, FServiceReport,
            &TServiceReportCommand::ButtonServiceReportClick);
    auto* print = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this);
    connect(print, &QShortcut::activated, FServiceReport,
            &TServiceReportCommand::ButtonServiceReportClick);
}

void TForm1::ComPort1RxChar(TComPort& sender, int32_t count) {
    std::string received;
    sender.ReadStr(received, count);
    // Every byte reaches the receiver even when a frame's decoder fails: a later frame in the
    // same read must not be lost. The first failure is raised once all bytes are through.
    std::exception_ptr failure;
    for (char byte : received) {
        try {
            FCodec->ReceiveByte(static_cast<uint8_t>(byte));
        } catch (...) {
            if (!failure) {
                failure = std::current_exception();
            }
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

// "Events" and "Installations": what the tool copied, read from the files directory's event
// reports (off the window's thread) and followed as the event report receives lines.
void TForm1::BuildHistoryPages() {
    TabSheetEvents = new TEventHistoryPage(FDirectory, *FErrors);
    TabSheetEvents->setObjectName(QStringLiteral("TabSheetEvents"));
    PageControl1->addTab(TabSheetEvents, tr("Events"));
    TabSheetInstallations = new TInstallationsPage;
    TabSheetInstallations->setObjectName(QStringLiteral("TabSheetInstallations"));
    PageControl1->addTab(TabSheetInstallations, tr("Installations"));
    connect(TabSheetEvents, &TEventHistoryPage::HistoryChanged, this, [this] {
        if (PageControl1->currentWidget() == TabSheetInstallations) {
            ShowInstallations();
        }
    });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (PageControl1->currentWidget() == TabSheetInstallations) {
            ShowInstallations();
        }
    });
    connect(TabSheetInstallations, &TInstallationsPage::InstallationChosen, this,
            [this](quint64 id, bool activated) {
                TabSheetEvents->SetIdFilter(id);
                if (activated) {
                    PageControl1->setCurrentWidget(TabSheetEvents);
                }
            });
    connect(TabSheetInstallations, &TInstallationsPage::InstallationNamed, this,
            [this](quint64 id, const QString& name, const QString& site) {
                InstallationNamed(id, name, site);
            });
    TabSheetEvents->Load();
}

void TForm1::ShowInstallations() {
    TabSheetInstallations->ShowInstallations(ListInstallations(
        TIniFile(SettingsPath()).ReadAll(), TabSheetEvents->History(), *FInstallations));
}

void TForm1::ShowSlavePage(int slave, bool shown) {
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheetSl[slave - 1]), shown);
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!FShown) {
        FShown = true;
        FormShow();
    }
}

void TForm1::FormCreate() {
    // A file that cannot be opened is reported and the window starts all the same; it is then
    // not open, and closing leaves it alone.
    FErrors->Guard([this] { FRecordFile.Open(FDirectory + "/" + RecordFileName); });
}

// The window's start-up, in this order. The directory of the executable was taken by main (or
// given by a test) and stays the same for the whole run.
void TForm1::FormShow() {
    FErrors->Guard([this] { FStatusPages->BuildLedTable(this, *FLog); });
    FSettings.Create(SettingsPath());
    FErrors->Guard([this] { StartCommunicationLog(*FLog); });
    LoadAlarmSettings();
    FLink->Poll().Start();
    // LedProvoz ("Sys. ready") shows lit until the first LED tick draws it from the panel's masks.
    if (TShape* ready = FStatusPages->LedAt(0, 0)) {
        ready->SetLit(true);
    }
    LoadConnectionSettings();
    FErrors->Guard([this] { ComPort1.LoadSettings(stIniFile, ComPortIniPath()); });
    // A port that cannot be opened is reported; the rest of the start-up goes on (the UDP link
    // needs no serial port), and "Init" retries later.
    FErrors->Guard([this] { FLink->OpenSerialPort(); });
    FErrors->Guard([this] { StartLink(); });
}

// "Adr", "UDP" and "IP" into the communication page. The IP field stays locked whatever "UDP"
// holds: only a click on the box unlocks it.
void TForm1::LoadConnectionSettings() {
    const TConnectionSettings values = ReadConnectionSettings(*FSettings.Current());
    TabSheet2->SpinEditAdr->setValue(values.Adr);
    TabSheet2->CheckBoxUDP->setChecked(values.Udp);
    TabSheet2->EditIP->setText(QString::fromLocal8Bit(values.Ip));
}

// The last step of the start-up: the panel object and its UDP worker, listening from now on
// whichever transport the "UDP" box selects, and decoding only while it is UDP. Its status texts
// (a failed read, a worker that ended) reach the user through the error display. A port that
// cannot be bound is an error there while UDP is chosen; with the serial link chosen it is only
// noted in the communication log.
void TForm1::StartLink() {
    FPult = std::make_unique<tPult>(
        *FCodec, [this] { return TabSheet2->CheckBoxUDP->isChecked(); },
        [this](const std::string& text) { FErrors->Show(QString::fromLocal8Bit(text)); });
    try {
        FPult->StartUdp(FMainThread, SystemClock(), DefaultServerAddress, UdpServerPort);
    } catch (const std::exception& error) {
        if (TabSheet2->CheckBoxUDP->isChecked()) {
            throw;
        }
        FLink->NoteUnusedLinkFailure(error);
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormCloseQuery();
    if (!FClosed) {
        FClosed = true;
        FormClose();
    }
    event->accept();
}

bool TForm1::FinishDiskWork() {
    if (FEventDisk && !FEventDisk->Finish(TDiskWorker::FinishLimit)) {
        FEventDiskAbandoned = true;
        // The thread left behind may still be writing with them: they stay for the rest of the
        // run (the program ends without waiting for that thread).
        static auto* const leftBehind = new std::vector<std::unique_ptr<IReportLines>>;
        leftBehind->push_back(std::move(FEventReportTap));
        leftBehind->push_back(std::move(FEventReport));
    }
    return !FEventDiskAbandoned;
}

void TForm1::FormCloseQuery() {
    FLink->Poll().Stop();
}

// The window's shut-down, in this order. A step that fails is reported and the next one runs:
// a setting that cannot be saved must not cost the others, nor "Zaznam.BIN" its close.
void TForm1::FormClose() {
    FLink->Poll().Stop();
    // Replies still on their way are decoded (and may still save their event index) before
    // anything is saved.
    FErrors->Guard([this] { Delay(1000, FMainThread); });
    // The event report's disk work still queued, with its outcomes: a line on disk gets its
    // saved position. A device that does not answer is left to FinishDiskWork.
    FErrors->Guard([this] {
        for (int waited = 0; FEventDisk && !FEventDisk->Idle() && waited < 5000; waited += 10) {
            Delay(10, FMainThread);
        }
    });
    FinishDiskWork();
    try {
        ComPort1.StoreSettings(stIniFile, ComPortIniPath());
    } catch (const std::exception& error) {
        ShowCloseFailure(error);
    }
    SaveConnectionSettings();
    FSettings.Release();
    try {
        FRecordFile.Close();
    } catch (const std::exception& error) {
        ShowCloseFailure(error);
    }
}

// "Adr", "UDP" and "IP" from the communication page, in this order.
void TForm1::SaveConnectionSettings() {
    TIniFile* settings = FSettings.Current();
    if (settings == nullptr) {
        return; // never shown, nothing was loaded
    }
    TConnectionSettings values;
    values.Adr = TabSheet2->SpinEditAdr->value();
    values.Udp = TabSheet2->CheckBoxUDP->isChecked();
    values.Ip = TabSheet2->EditIP->text().toLocal8Bit().toStdString();
    WriteConnectionSettings(*settings, values,
                            [this](const std::exception& error) { ShowCloseFailure(error); });
}

// The window is about to go, and its error display with it: the message also goes to the
// standard error stream, where it outlives the window.
void TForm1::ShowCloseFailure(const std::exception& error) {
    std::fprintf(stderr, "Orvant2: %s\n", error.what());
    FErrors->Show(error);
}
