#include "ui/link_adapter.h"

#include "core/errors.h"
#include "transport/com_port.h"
#include "transport/serial_watch.h"
#include "ui/com_setup_dialog.h"
#include "ui/communication_page.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

TLinkAdapter::TLinkAdapter(TCommunicationPage& page, TComPort& port, TSerialWatch& watch,
                           QWidget* dialogParent)
    : FPage(page), FPort(port), FWatch(watch), FDialogParent(dialogParent) {}

bool TLinkAdapter::UdpSelected() const {
    return FPage.CheckBoxUDP->isChecked();
}

std::string TLinkAdapter::IpText() const {
    return FPage.EditIP->text().toStdString();
}

void TLinkAdapter::WriteSerial(const uint8_t* data, uint32_t count) {
    FPort.WriteFrame(data, static_cast<int32_t>(count));
}

void TLinkAdapter::SetUdpDestination(const std::string&, const std::string&) {
    throw EOrvant("Destination-address not set.");
}

void TLinkAdapter::SendDatagram(const uint8_t*, uint32_t) {
    throw EOrvant("Destination-address not set.");
}

int TLinkAdapter::RefreshValue() const {
    return FPage.SpinEditRefresh->value();
}

int TLinkAdapter::SlavesValue() const {
    return FPage.SpinEditSlave->value();
}

bool TLinkAdapter::UdpChecked() const {
    return FPage.CheckBoxUDP->isChecked();
}

void TLinkAdapter::SetIpEnabled(bool enabled) {
    FPage.EditIP->setEnabled(enabled);
}

bool TLinkAdapter::Connected() const {
    return FPort.Connected() && !FPort.DeviceGone();
}

void TLinkAdapter::Open() {
    FWatch.Want();
}

void TLinkAdapter::Close() {
    FWatch.Stop();
}

void TLinkAdapter::ShowSetupDialog() {
    ShowComSetupDialog(FPort, FDialogParent);
}
