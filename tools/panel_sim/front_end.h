#pragma once
// A way in to the simulated panel. The main loop waits on every front end's descriptor and lets
// the one that is readable take its bytes, find the requests in them and send the replies. The
// serial front end is the pseudo-terminal; a UDP front end plugs in the same way, with
// datagram_framing.h in place of serial_framing.h.

#include "panel_sim/pty_link.h"
#include "panel_sim/serial_framing.h"
#include "panel_sim/sim_panel.h"

namespace panel_sim {

class IFrontEnd {
public:
    virtual ~IFrontEnd() = default;
    virtual int PollFd() const = 0;
    // Called when PollFd() is readable: reads what is there and answers it.
    virtual void OnReadable() = 0;
};

class TSerialFrontEnd : public IFrontEnd {
public:
    TSerialFrontEnd(TPtyLink& link, TSimPanel& panel, TLogLine log);
    int PollFd() const override { return FLink.Fd(); }
    void OnReadable() override;

    // Takes received bytes as they came off the line (OnReadable's work, without the reading).
    void Receive(const std::vector<uint8_t>& bytes);

private:
    TPtyLink& FLink;
    TSimPanel& FPanel;
    TLogLine FLog;
    TSerialRequestReader FReader;
};

} // namespace panel_sim
