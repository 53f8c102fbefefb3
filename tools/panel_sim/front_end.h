#pragma once
// A way in to the simulated panel. The main loop waits on every front end's descriptor and lets
// the one that is readable take its bytes, find the requests in them and send the replies. The
// serial front end is the pseudo-terminal, the UDP front end a datagram socket that answers
// each request to its sender.

#include "panel_sim/pty_link.h"
#include "panel_sim/reply_delay.h"
#include "panel_sim/serial_framing.h"
#include "panel_sim/sim_panel.h"
#include "panel_sim/udp_link.h"

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
    TSerialFrontEnd(TPtyLink& link, TSimPanel& panel, TReplyDelay& delay, TLogLine log);
    int PollFd() const override { return FLink.Fd(); }
    void OnReadable() override;

    // Takes received bytes as they came off the line (OnReadable's work, without the reading).
    void Receive(const std::vector<uint8_t>& bytes);

private:
    TPtyLink& FLink;
    TSimPanel& FPanel;
    TReplyDelay& FDelay;
    TLogLine FLog;
    TSerialRequestReader FReader;
};

class TUdpFrontEnd : public IFrontEnd {
public:
    TUdpFrontEnd(TUdpLink& link, TSimPanel& panel, TReplyDelay& delay, TLogLine log);
    int PollFd() const override { return FLink.Fd(); }
    void OnReadable() override;

    // Answers one datagram (OnReadable's work, without the reading).
    void Receive(const TDatagram& datagram);

private:
    TUdpLink& FLink;
    TSimPanel& FPanel;
    TReplyDelay& FDelay;
    TLogLine FLog;
};

} // namespace panel_sim
