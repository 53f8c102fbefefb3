#include "link/link_controls.h"

#include "core/clock.h"
#include "core/comm_log.h"
#include "link/commands.h"

TLinkControls::TLinkControls(TFrameCodec& codec, ITimer& pollTimer, ISerialPort& port,
                             ILinkControls& controls, ICommLog& log, const IClock& clock)
    : FCodec(codec), FPort(port), FControls(controls), FLog(log), FClock(clock),
      FPoll(pollTimer, codec, controls) {}

void TLinkControls::ButtonVerseClick() {
    SendVersionRequest(FCodec);
}

void TLinkControls::ButtonSetSlaveClick() {
    SendSetSlaves(FCodec, FControls.SlavesValue());
}

void TLinkControls::ButtonSetTimeClick() {
    SendSetTime(FCodec, FClock.Now());
}

void TLinkControls::Button7Click() {
    SendEventInfoRequest(FCodec);
}

void TLinkControls::Button8Click() {
    SendEventRequest(FCodec, GetEventsButtonIndex);
}

void TLinkControls::ButtonStopClick() {
    FPort.Close();
}

void TLinkControls::Button1Click() {
    if (!FPort.Connected()) {
        FPort.Open();
    }
}

void TLinkControls::Button5Click() {
    FPort.ShowSetupDialog();
}

void TLinkControls::Button2Click() {
    FLog.Clear();
}

void TLinkControls::CheckBoxUDPClick() {
    FControls.SetIpEnabled(!FControls.UdpChecked());
}
