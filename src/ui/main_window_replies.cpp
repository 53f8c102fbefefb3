// What the main window does with each status reply besides showing it on the pages: the slave
// count "Set slaves" starts from, the installation and its visit (and the chart's break when
// another installation answers), the LED timer, awake only while an LED blinks, and the changes
// worth announcing.

#include "ui/main_window.h"

#include "link/link_controls.h"
#include "link/link_health.h"
#include "model/installation_registry.h"
#include "model/installation_watch.h"
#include "model/status_decoder.h"
#include "transport/com_port.h"
#include "ui/alarm_center.h"
#include "ui/chart_page.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/link_health_view.h"
#include "ui/qt_timer.h"
#include "ui/status_pages.h"
#include "ui/voltage_chart.h"

#include <QCheckBox>

#include <QTimer>

#include <algorithm>

void TForm1::MasterAnswered(const TMasterBlock& master) {
    // The first reply (or the first after a silence) brings the pages back at once, not at the
    // link's next look: the LEDs take their looks below.
    if (FStatusPages->Stale() && FLinkHealth) {
        FLinkHealth->Tick();
    }
    FLink->StatusSlaves(SlavesOf(master));
    FInstallationWatch->StatusAnswered(*FStatusDecoder->LastRecord());
    if (FInstallations->Due()) {
        // After the reply: a file that cannot be written is shown, and never stops the copy.
        QTimer::singleShot(0, this,
                           [this] { FErrors->Guard([this] { FInstallations->SaveIfDue(); }); });
    }
    TabSheet3->Chart1->Model().InstallationAnswered(DeviceIdText(master.ID));
    WakeLedTimer();
    FAlarms->StatusDecoded(*FStatusDecoder->LastRecord());
}

// The LED tick. While no LED blinks it has nothing to do until the next status reply, so the
// timer sleeps: a laptop on battery is not woken five times a second for nothing.
void TForm1::TimerLedTimer() {
    FStatusPages->TimerLedTimer();
    if (!AnyLedBlinks()) {
        TimerLed->SetEnabled(false);
    }
}

// After each status reply: blinking LEDs need the timer; steady ones take their looks now.
void TForm1::WakeLedTimer() {
    if (!AnyLedBlinks()) {
        TimerLedTimer();
    } else if (!TimerLed->Enabled()) {
        TimerLed->SetEnabled(true);
    }
}

bool TForm1::AnyLedBlinks() const {
    return std::any_of(FPanelState.LedBlink.begin(), FPanelState.LedBlink.end(),
                       [](uint32_t mask) { return mask != 0; });
}

// After every look at the link. The chart's lines break where no reply can come, and its rule
// for a silent panel follows the refresh interval in force.
void TForm1::LinkLooked(const TLinkStatus& status, uint32_t refreshMs) {
    TVoltageChart* chart = TabSheet3->Chart1;
    chart->Model().SetPollInterval(refreshMs);
    if (LinkBroken(status.State)) {
        chart->Model().Break();
    }
}
