#include "ui/link_health_view.h"

#include "core/clock.h"
#include "core/error_list.h"
#include "link/link_controls.h"
#include "link/poll_cycle.h"
#include "link/status_bar_text.h"
#include "model/firmware_version.h"
#include "transport/com_port.h"
#include "transport/serial_watch.h"
#include "ui/link_status_bar.h"
#include "ui/panel_text.h"
#include "ui/status_pages.h"

#include <QTimer>

namespace {

TSerialState SerialStateOf(TSerialWatch::TState state) {
    switch (state) {
    case TSerialWatch::TState::Open:
        return TSerialState::Open;
    case TSerialWatch::TState::Stopped:
        return TSerialState::Stopped;
    case TSerialWatch::TState::Closed:
        return TSerialState::Closed;
    case TSerialWatch::TState::Gone:
        return TSerialState::Gone;
    case TSerialWatch::TState::NotFound:
        return TSerialState::NotFound;
    }
    return TSerialState::Closed;
}

} // namespace

TLinkHealthView::TLinkHealthView(TFrameCodec& codec, const TPollCycle& poll,
                                 const ILinkControls& controls, const IFrameTransport& transport,
                                 TComPort& port, TSerialWatch& watch, TStatusPages& pages,
                                 QWidget* window)
    : FCodec(codec), FPoll(poll), FControls(controls), FTransport(transport), FPort(port),
      FWatch(watch), FPages(pages), FHealth(SystemClock()), FSilence(SystemClock()),
      FTraffic(SystemClock()) {
    FCodec.AddObserver(FHealth);
    FCodec.AddObserver(FTraffic);
    FStatusBar = new TLinkStatusBar(window);
    FTimer = new QTimer(this);
    FTimer->setObjectName(QStringLiteral("TimerLink"));
    connect(FTimer, &QTimer::timeout, this, &TLinkHealthView::Tick);
    FTimer->start(int(TSerialWatch::TickInterval));
    Tick();
}

TLinkHealthView::~TLinkHealthView() {
    FCodec.RemoveObserver(FTraffic);
    FCodec.RemoveObserver(FHealth);
}

std::string TLinkHealthView::TargetText(bool udp) const {
    if (udp) {
        return FUdpTarget != nullptr
                   ? FUdpTarget->UdpTargetText()
                   : FTransport.IpText() + ":" + std::to_string(TFrameCodec::UdpPort);
    }
    return FPort.DevicePath();
}

void TLinkHealthView::Tick() {
    FWatch.Tick();
    TLinkFacts facts;
    facts.Udp = FControls.UdpChecked();
    facts.Polling = FPoll.Running();
    facts.SendFailing = FPoll.Failing();
    facts.Serial = SerialStateOf(FWatch.State());
    if (FUdpTarget != nullptr) {
        facts.UdpAddress = FUdpTarget->UdpAddressState(facts.ResolvingName);
    }
    try {
        facts.RefreshMs = TPollCycle::RefreshInterval(FControls.RefreshValue());
    } catch (...) {
        // A refused Refresh value stops nothing here; the poll reports it.
    }
    FStatus = FHealth.Look(facts);
    if (OnLook) {
        OnLook(FStatus, facts.RefreshMs);
    }
    const TStatusBarText bar =
        StatusBarText(facts.Udp, TargetText(facts.Udp), facts.Udp ? "" : FPort.LineText(), FStatus,
                      FCodec.Counters(), FHealth.PollsSent(),
                      FEvents != nullptr ? FEvents->EventProgress() : std::nullopt);
    FStatusBar->ShowLink(bar, FStatus.Colour);
    if (auto notice = FSilence.Look(facts, FStatus, bar.Target); notice && OnSilence) {
        OnSilence(*notice);
    }
    FStatusBar->ShowFirmware(FFirmware != nullptr ? DecodePanelText(FFirmware->Text()) : QString());
    FPages.SetStale(FStatus.Stale, FStatus.LastReply
                                       ? QString::fromStdString(ClockText(*FStatus.LastReply))
                                       : QString());
    if (FLookWatch) {
        FLookWatch(facts, FStatus);
    }
}
