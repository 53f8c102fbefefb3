#include "ui/frame_transport.h"

#include "core/errors.h"
#include "model/pult.h"
#include "transport/com_port.h"
#include "ui/communication_page.h"

#include <QCheckBox>
#include <QLineEdit>

TWindowFrameTransport::TWindowFrameTransport(TCommunicationPage& page, TComPort& port,
                                             const std::unique_ptr<tPult>& pult)
    : FPage(page), FPort(port), FPult(pult) {}

bool TWindowFrameTransport::UdpSelected() const {
    return FPage.CheckBoxUDP->isChecked();
}

std::string TWindowFrameTransport::IpText() const {
    return FPage.EditIP->text().toStdString();
}

void TWindowFrameTransport::WriteSerial(const uint8_t* data, uint32_t count) {
    FPort.WriteFrame(data, static_cast<int32_t>(count));
}

tPult& TWindowFrameTransport::Pult() const {
    if (!FPult) {
        throw EOrvant("Destination-address not set.");
    }
    return *FPult;
}

bool TWindowFrameTransport::SetUdpDestination(const std::string& port, const std::string& address) {
    return Pult().SetUdpDestination(port, address);
}

bool TWindowFrameTransport::SendDatagram(const uint8_t* data, uint32_t count) {
    try {
        return Pult().SendDatagram(data, count);
    } catch (EOrvant& error) {
        // The detail says where the datagram went.
        error.SetDetail((error.Detail().empty() ? "" : error.Detail() + " ") + "to " +
                        UdpTargetText());
        throw;
    }
}

TUdpAddressState TWindowFrameTransport::UdpAddressState(std::string& name) const {
    if (!FPult) {
        name = IpText();
        return tPult::Blank(name) ? TUdpAddressState::Missing : TUdpAddressState::Resolving;
    }
    return FPult->AddressState(IpText(), name);
}

std::string TWindowFrameTransport::UdpTargetText() const {
    if (!FPult) {
        return IpText() + ":" + std::to_string(TFrameCodec::UdpPort);
    }
    return FPult->TargetText(IpText());
}

std::string TWindowFrameTransport::UdpDestinationText() const {
    return FPult ? FPult->DestinationText() : std::string();
}
