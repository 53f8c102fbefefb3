#include "ui/serial_port_control.h"

#include "transport/com_port.h"
#include "ui/com_setup_dialog.h"

TSerialPortControl::TSerialPortControl(TComPort& port, QWidget* dialogParent)
    : FPort(port), FDialogParent(dialogParent) {}

bool TSerialPortControl::Connected() const {
    return FPort.Connected();
}

void TSerialPortControl::Open() {
    FPort.Open();
}

void TSerialPortControl::Close() {
    FPort.Close();
}

void TSerialPortControl::ShowSetupDialog() {
    ShowComSetupDialog(FPort, FDialogParent);
}
