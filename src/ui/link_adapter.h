#pragma once
// The window's side of the link: which transport the "UDP" box selects, the IP field, the serial
// port ComPort1 and its settings dialog, as the frame codec and the link controls see them.

#include "link/frame_codec.h"
#include "link/link_controls.h"

class QWidget;
class TComPort;
class TCommunicationPage;

// The UDP side of sending, present once the link has started.
class IUdpLink {
public:
    virtual ~IUdpLink() = default;
    virtual void SetDestinationPort(const std::string& port) = 0;
    virtual void SetDestinationAddress(const std::string& address) = 0;
    virtual bool SendBuffer(const uint8_t* data, uint32_t count) = 0;
};

class TLinkAdapter : public IFrameTransport, public ILinkControls, public ISerialPort {
public:
    TLinkAdapter(TCommunicationPage& page, TComPort& port, QWidget* dialogParent);

    // The UDP link, once the panel object has created its worker (null before).
    void SetUdpLink(IUdpLink* udp) { FUdp = udp; }

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

    // ISerialPort
    bool Connected() const override;
    void Open() override;
    void Close() override;
    void ShowSetupDialog() override;

private:
    IUdpLink& Udp() const;

    TCommunicationPage& FPage;
    TComPort& FPort;
    QWidget* FDialogParent;
    IUdpLink* FUdp = nullptr;
};
