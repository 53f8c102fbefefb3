#pragma once
// The window's side of the link's health: a timer that every quarter second lets the serial
// watch reopen a port that came back, takes a look at the link, shows it in the status bar and
// marks the status pages stale or live. The rules live in the core (TLinkHealth, TSerialWatch);
// this only gathers the facts from the window and places the results.

#include "link/link_health.h"
#include "link/link_sources.h"
#include "link/udp_silence.h"
#include "model/traffic_log.h"

#include <QObject>

#include <functional>

class ILinkControls;
class QTimer;
class TFirmwareVersion;
class TComPort;
class TFrameCodec;
class TLinkStatusBar;
class TPollCycle;
class TSerialWatch;
class TStatusPages;
class QWidget;

class TLinkHealthView : public QObject {
    Q_OBJECT
public:
    // Every part must outlive this object, so the window holds it apart from its children. The
    // status bar is made as a child of `window`, which places it. The codec's traffic is
    // watched from here on.
    TLinkHealthView(TFrameCodec& codec, const TPollCycle& poll, const ILinkControls& controls,
                    const IFrameTransport& transport, TComPort& port, TSerialWatch& watch,
                    TStatusPages& pages, QWidget* window);
    ~TLinkHealthView() override;

    TLinkStatusBar* StatusBar() const { return FStatusBar; }
    TTrafficLog& Traffic() { return FTraffic; }
    const TLinkStatus& Status() const { return FStatus; }

    // Where UDP frames go, once the UDP link can tell (else the IP field and port 1501).
    void SetUdpTarget(const IUdpTarget* target) { FUdpTarget = target; }
    // How far the event log copy has come, once there is one to ask.
    void SetEventProgress(const IEventProgressSource* source) { FEvents = source; }

    // The firmware version the status bar shows, once there is one to ask.
    void SetFirmwareVersion(const TFirmwareVersion* firmware) { FFirmware = firmware; }

    // Shown the facts and the status of every look, after the status bar (the alarms watch the
    // link through it).
    void SetLookWatch(std::function<void(const TLinkFacts&, const TLinkStatus&)> watch) {
        FLookWatch = std::move(watch);
    }
    // Told after every look: the status and the refresh interval in force (the chart's gaps).
    std::function<void(const TLinkStatus& status, uint32_t refreshMs)> OnLook;
    // Told once when the panel has gone silent over UDP (the error panel says it).
    std::function<void(const TSilenceNotice& notice)> OnSilence;

    // One look: runs every TSerialWatch::TickInterval ms while the window exists.
    void Tick();

private:
    std::string TargetText(bool udp) const;

    TFrameCodec& FCodec;
    const TPollCycle& FPoll;
    const ILinkControls& FControls;
    const IFrameTransport& FTransport;
    TComPort& FPort;
    TSerialWatch& FWatch;
    TStatusPages& FPages;
    TLinkHealth FHealth;
    TUdpSilence FSilence;
    TTrafficLog FTraffic;
    TLinkStatus FStatus;
    const IUdpTarget* FUdpTarget = nullptr;
    const IEventProgressSource* FEvents = nullptr;
    const TFirmwareVersion* FFirmware = nullptr;
    std::function<void(const TLinkFacts&, const TLinkStatus&)> FLookWatch;
    TLinkStatusBar* FStatusBar;
    QTimer* FTimer;
};
