#pragma once
// The handlers of the communication page's link controls, free of any window: the window
// implements the small interfaces below and calls one handler per control event, showing what a
// handler raises in its error display.

#include "link/poll_cycle.h"

#include <exception>
#include <string>

class IClock;
class ICommLog;
class ITimer;
class TFrameCodec;

// The serial port ComPort1 as the link controls use it.
class ISerialPort {
public:
    virtual ~ISerialPort() = default;
    virtual bool Connected() const = 0;
    // Opens the port with its current settings; raises the port's error when it cannot.
    virtual void Open() = 0;
    // Closes the port; nothing happens when it is closed.
    virtual void Close() = 0;
    // Shows the serial settings dialog (modal).
    virtual void ShowSetupDialog() = 0;
};

// The values and states of the window's link controls.
class ILinkControls {
public:
    virtual ~ILinkControls() = default;
    // The Refresh field (SpinEditRefresh), milliseconds.
    virtual int RefreshValue() const = 0;
    // The slave count field beside "Set slaves" (SpinEditSlave).
    virtual int SlavesValue() const = 0;
    virtual void SetSlavesValue(int slaves) = 0;
    // Whether the "UDP" box (CheckBoxUDP) is ticked.
    virtual bool UdpChecked() const = 0;
    // Locks or unlocks the IP field (EditIP).
    virtual void SetIpEnabled(bool enabled) = 0;
    // Asks the technician a yes/no question about a command that changes the panel; true only
    // when the answer is yes.
    virtual bool Confirm(const std::string& question) = 0;
};

class TLinkControls {
public:
    // Every part must outlive the handlers. `pollTimer` is Timer1.
    TLinkControls(TFrameCodec& codec, ITimer& pollTimer, ISerialPort& port, ILinkControls& controls,
                  ICommLog& log, const IClock& clock);

    // The poll cycle, for starting and stopping it with the window.
    TPollCycle& Poll() { return FPoll; }

    void Timer1Timer() { FPoll.Timer1Timer(); }
    void SpinEditRefreshChange() { FPoll.SpinEditRefreshChange(); }

    // Raised by every command that needs the link from "Stop" until "Init": nothing is sent on
    // a port that "Stop" closed.
    static constexpr const char* LinkStopped = "The link is stopped: press Init to start it";

    // "Software version": 'V'. This and the commands below raise LinkStopped after "Stop".
    void ButtonVerseClick();
    // "Set slaves": asks "Change the panel from m to n slaves?" (m as the last status reply
    // showed; "Set the number of slaves of the panel to n?" before any reply) and on yes sends
    // 'S' with the slave field's value and logs it; outside 0..4 raises ERangeError before
    // asking. Whether the panel took it is logged from the status replies (StatusSlaves).
    void ButtonSetSlaveClick();
    // The number of slaves a status reply shows. The first reply, and every change, sets the
    // slave field to it, so "Set slaves" starts from what the panel has. After "Set slaves" the
    // log says whether the panel took the new number: at once when a reply shows it, or after
    // two replies that do not.
    void StatusSlaves(int slaves);
    // "Set time": asks "Set the panel clock to hh:mm:ss dd.mm.yyyy?" with the PC's local time and
    // on yes sends 'T' with the local date and time of that moment and logs the time sent; a
    // year outside 2000..2255 raises ERangeError before asking, and nothing is sent.
    void ButtonSetTimeClick();
    // "Get samp." (hidden): 'U'.
    void Button7Click();
    // "Get events" (hidden): 'G' for record 150.
    void Button8Click();
    // "Stop": stops polling on whichever link is chosen and closes the serial port, so the
    // panel is left alone until "Init".
    void ButtonStopClick();
    // "Init": starts polling again (unless it runs) and opens the serial port with its current
    // settings, unless it is open already (see OpenSerialPort).
    void Button1Click();
    // Opens the serial port unless it is open. With UDP chosen the port is not in use, so a
    // port that cannot be opened is only noted in the communication log; with the serial link
    // chosen its error is raised.
    void OpenSerialPort();
    // Notes in the communication log the failure of the link that is not chosen now (the
    // serial port while UDP is chosen, UDP's port while the serial link is): not an error
    // until it is chosen.
    void NoteUnusedLinkFailure(const std::exception& error);
    // "Com settings": the serial settings dialog.
    void Button5Click();
    // "Clear": empties the communication log.
    void Button2Click();
    // "UDP": a ticked box locks the IP field, an unticked one unlocks it. The transport itself
    // is read from the box at every send. The serial link chosen while polling runs: its port
    // is opened if it is not open (see OpenSerialPort), its failure raised.
    void CheckBoxUDPClick();
    // "Address": frames always carry the address byte 0x30, so the field has no effect on the
    // link; it is only saved and restored with the settings.
    void SpinEditAdrChange() {}

private:
    void RequireLink() const;

    TFrameCodec& FCodec;
    ISerialPort& FPort;
    ILinkControls& FControls;
    ICommLog& FLog;
    const IClock& FClock;
    TPollCycle FPoll;
    int FReportedSlaves = -1; // as the last status reply showed; -1 before the first
    int FSentSlaves = -1;     // sent by "Set slaves" and not yet seen in a reply; -1 none
    int FRepliesToCheck = 0;  // replies left to show FSentSlaves before it counts as refused
    bool FStopped = false;    // "Stop" came, and no "Init" since
};
