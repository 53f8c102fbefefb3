#include "link/poll_cycle.h"

#include "core/errors.h"
#include "core/timer.h"
#include "link/commands.h"
#include "link/link_controls.h"

#include <algorithm>

TPollCycle::TPollCycle(ITimer& timer, TFrameCodec& codec, const ILinkControls& controls,
                       const ISerialPort& port)
    : FTimer(timer), FCodec(codec), FControls(controls), FPort(port) {}

void TPollCycle::Start() {
    FTimer.SetEnabled(false);
    FTimer.SetInterval(FirstPollDelay);
    FTimer.SetEnabled(true);
}

bool TPollCycle::Running() const {
    return FBusy || FTimer.Enabled();
}

void TPollCycle::Stop() {
    FTimer.SetEnabled(false);
}

uint32_t TPollCycle::RefreshInterval(int fieldValue) {
    if (fieldValue < 0) {
        throw ERangeError();
    }
    return static_cast<uint32_t>(std::clamp(fieldValue, MinRefresh, MaxRefresh));
}

void TPollCycle::Timer1Timer() {
    if (FBusy) {
        return;
    }
    FBusy = true;
    FTimer.SetEnabled(false);
    std::exception_ptr failure;
    try {
        if (FControls.UdpChecked() || FPort.Connected()) {
            SendStatusRequest(FCodec);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    FBusy = false;
    // Re-arm before anything is raised: a failure must not end polling.
    try {
        FTimer.SetInterval(RefreshInterval(FControls.RefreshValue()));
    } catch (...) {
        if (!failure) {
            failure = std::current_exception();
        }
    }
    FTimer.SetEnabled(true);
    FFailures.Settle(failure);
}

void TPollCycle::SpinEditRefreshChange() {
    // Raises before the timer is touched, so a refused value leaves the interval as it was.
    FTimer.SetInterval(RefreshInterval(FControls.RefreshValue()));
}
