#include "link/link_controls.h"

#include "core/clock.h"
#include "core/comm_log.h"
#include "core/errors.h"
#include "link/commands.h"

#include <cstdio>
#include <string>

TLinkControls::TLinkControls(TFrameCodec& codec, ITimer& pollTimer, ISerialPort& port,
                             ILinkControls& controls, ICommLog& log, const IClock& clock)
    : FCodec(codec), FPort(port), FControls(controls), FLog(log), FClock(clock),
      FPoll(pollTimer, codec, controls, port) {}

void TLinkControls::ButtonVerseClick() {
    SendVersionRequest(FCodec);
}

// Both commands change the panel at once, so the technician sees what is about to be sent
// before it goes.
void TLinkControls::ButtonSetSlaveClick() {
    const int slaves = FControls.SlavesValue();
    SetSlavesPayload(slaves); // a refused value is raised before anything is asked
    if (FControls.Confirm("Set the number of slaves of the panel to " + std::to_string(slaves) +
                          "?")) {
        SendSetSlaves(FCodec, slaves);
    }
}

void TLinkControls::ButtonSetTimeClick() {
    const TDateTime shown = FClock.Now();
    SetTimePayload(shown);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %02d.%02d.%04d", shown.Hour, shown.Minute,
                  shown.Second, shown.Day, shown.Month, shown.Year);
    if (FControls.Confirm("Set the panel clock to " + std::string(text) + "?")) {
        // The clock as it is when the answer comes, not when the question was put.
        SendSetTime(FCodec, FClock.Now());
    }
}

void TLinkControls::Button7Click() {
    SendEventInfoRequest(FCodec);
}

void TLinkControls::Button8Click() {
    SendEventRequest(FCodec, GetEventsButtonIndex);
}

void TLinkControls::ButtonStopClick() {
    FPoll.Stop();
    FPort.Close();
}

void TLinkControls::Button1Click() {
    if (!FPoll.Running()) {
        FPoll.Start();
    }
    OpenSerialPort();
}

void TLinkControls::OpenSerialPort() {
    if (FPort.Connected()) {
        return;
    }
    try {
        FPort.Open();
    } catch (const std::exception& error) {
        if (!FControls.UdpChecked()) {
            throw;
        }
        NoteUnusedLinkFailure(error);
    }
}

void TLinkControls::NoteUnusedLinkFailure(const std::exception& error) {
    const std::string detail = DetailOf(error);
    FLog.AddLine("Not in use now: " + std::string(error.what()) +
                 (detail.empty() ? "" : " (" + detail + ")"));
}

void TLinkControls::Button5Click() {
    FPort.ShowSetupDialog();
}

void TLinkControls::Button2Click() {
    FLog.Clear();
}

void TLinkControls::CheckBoxUDPClick() {
    FControls.SetIpEnabled(!FControls.UdpChecked());
    if (!FControls.UdpChecked() && FPoll.Running()) {
        OpenSerialPort();
    }
}
