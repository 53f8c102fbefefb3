#pragma once
// Where SendFrame's frames go from the window: the "UDP" box chooses, at every frame, between
// the serial port ComPort1 and the panel object's UDP worker, which is sent to the IP field's
// address.

#include "link/frame_codec.h"
#include "link/link_sources.h"

#include <memory>

class TComPort;
class TCommunicationPage;
class tPult;

class TWindowFrameTransport : public IFrameTransport, public IUdpTarget {
public:
    // `pult` is the window's holder of the panel object, empty until the last step of the
    // window's start-up; UDP frames sent before then raise "Destination-address not set.".
    TWindowFrameTransport(TCommunicationPage& page, TComPort& port,
                          const std::unique_ptr<tPult>& pult);

    bool UdpSelected() const override;
    std::string IpText() const override;
    void WriteSerial(const uint8_t* data, uint32_t count) override;
    bool SetUdpDestination(const std::string& port, const std::string& address) override;
    bool SendDatagram(const uint8_t* data, uint32_t count) override;
    std::string UdpDestinationText() const override;

    // Where the UDP worker sends ("192.168.1.100:1501"): only the address the IP field's text
    // leads to now, never one an earlier text left behind (tPult::TargetText).
    std::string UdpTargetText() const override;
    TUdpAddressState UdpAddressState(std::string& name) const override;

private:
    tPult& Pult() const;

    TCommunicationPage& FPage;
    TComPort& FPort;
    const std::unique_ptr<tPult>& FPult;
};
