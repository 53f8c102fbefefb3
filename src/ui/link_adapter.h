#pragma once
// The window's side of the link: which transport the "UDP" box selects, the IP field, the serial
// port ComPort1 and its settings dialog, as the frame codec and the link controls see them.
// There is no UDP worker yet, so a frame sent with "UDP" ticked fails without a destination.

#include "link/frame_codec.h"
#include "link/link_controls.h"

class QWidget;
class TComPort;
class TCommunicationPage;
class TSerialWatch;

class TLinkAdapter : public IFrameTransport, public ILinkControls, public ISerialPort {
public:
    // "Init" and "Stop" go through the port's watch, which keeps a wanted port open.
    TLinkAdapter(TCommunicationPage& page, TComPort& port, TSerialWatch& watch,
                 QWidget* dialogParent);

    // IFrameTransport
    bool UdpSelected() const override;
    std::string IpText() const override;
    void WriteSerial(const uint8_t* data, uint32_t count) override;
    void SetUdpDestination(const std::string& port, const std::string& address) override;
    void SendDatagram(const uint8_t* data, uint32_t count) override;

    // ILinkControls
    int RefreshValue() const override;
    int SlavesValue() const override;
    bool UdpChecked() const override;
    void SetIpEnabled(bool enabled) override;

    // ISerialPort. A port whose device has gone does not count as connected, so "Init"
    // closes and reopens it.
    bool Connected() const override;
    void Open() override;
    void Close() override;
    void ShowSetupDialog() override;

private:
    TCommunicationPage& FPage;
    TComPort& FPort;
    TSerialWatch& FWatch;
    QWidget* FDialogParent;
};
