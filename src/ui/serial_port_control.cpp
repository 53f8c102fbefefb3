#include "ui/serial_port_control.h"

#include "transport/com_port.h"
#include "transport/serial_watch.h"
#include "ui/com_setup_dialog.h"

TSerialPortControl::TSerialPortControl(TComPort& port, TSerialWatch& watch, QWidget* dialogParent)
    : FPort(port), FWatch(watch), FDialogParent(dialogParent) {}

bool TSerialPortControl::Connected() const {
    return FPort.Connected() && !FPort.DeviceGone();
}

void TSerialPortControl::Open() {
    FWatch.Want();
}

void TSerialPortControl::Close() {
    FWatch.Stop();
}

void TSerialPortControl::ShowSetupDialog() {
    ShowComSetupDialog(FPort, FDialogParent);
}
