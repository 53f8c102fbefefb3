#include "link/link_controls.h"

#include "core/clock.h"
#include "core/comm_log.h"
#include "core/errors.h"
#include "link/commands.h"

#include <cstdio>
#include <string>

namespace {

// "hh:mm:ss dd.mm.yyyy", as the panel clock is asked about and logged.
std::string TimeText(const TDateTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %02d.%02d.%04d", time.Hour, time.Minute,
                  time.Second, time.Day, time.Month, time.Year);
    return text;
}

} // namespace

TLinkControls::TLinkControls(TFrameCodec& codec, ITimer& pollTimer, ISerialPort& port,
                             ILinkControls& controls, ICommLog& log, const IClock& clock)
    : FCodec(codec), FPort(port), FControls(controls), FLog(log), FClock(clock),
      FPoll(pollTimer, codec, controls, port) {}

void TLinkControls::ButtonVerseClick() {
    RequireLink();
    SendVersionRequest(FCodec);
}

// Both commands change the panel at once, so the technician sees what is about to be sent
// before it goes.
void TLinkControls::ButtonSetSlaveClick() {
    RequireLink();
    const int slaves = FControls.SlavesValue();
    SetSlavesPayload(slaves); // a refused value is raised before anything is asked
    const std::string question =
        FReportedSlaves < 0
            ? "Set the number of slaves of the panel to " + std::to_string(slaves) + "?"
            : "Change the panel from " + std::to_string(FReportedSlaves) + " to " +
                  std::to_string(slaves) + " slaves?";
    if (!FControls.Confirm(question)) {
        return;
    }
    SendSetSlaves(FCodec, slaves);
    FLog.AddLine("Set slaves: " + std::to_string(slaves) + " sent");
    FSentSlaves = slaves;
    // A reply already on its way when 'S' went out may still show the old number.
    FRepliesToCheck = 2;
}

void TLinkControls::StatusSlaves(int slaves) {
    if (FSentSlaves >= 0) {
        if (slaves == FSentSlaves) {
            FLog.AddLine("Set slaves: the panel now has " + std::to_string(slaves) + " slaves");
            FSentSlaves = -1;
        } else if (--FRepliesToCheck == 0) {
            FLog.AddLine("Set slaves: not taken, the panel still has " + std::to_string(slaves) +
                         " slaves, not " + std::to_string(FSentSlaves));
            FSentSlaves = -1;
        }
    }
    if (slaves != FReportedSlaves) {
        FReportedSlaves = slaves;
        FControls.SetSlavesValue(slaves);
    }
}

void TLinkControls::ButtonSetTimeClick() {
    RequireLink();
    const TDateTime shown = FClock.Now();
    SetTimePayload(shown);
    if (FControls.Confirm("Set the panel clock to " + TimeText(shown) + "?")) {
        // The clock as it is when the answer comes, not when the question was put.
        const TDateTime sent = FClock.Now();
        SendSetTime(FCodec, sent);
        FLog.AddLine("Set time: " + TimeText(sent) + " sent");
    }
}

void TLinkControls::Button7Click() {
    RequireLink();
    SendEventInfoRequest(FCodec);
}

void TLinkControls::Button8Click() {
    RequireLink();
    SendEventRequest(FCodec, GetEventsButtonIndex);
}

void TLinkControls::RequireLink() const {
    if (FStopped) {
        throw EOrvant(LinkStopped);
    }
}

void TLinkControls::ButtonStopClick() {
    FStopped = true;
    FPoll.Stop();
    FPort.Close();
}

void TLinkControls::Button1Click() {
    FStopped = false;
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
