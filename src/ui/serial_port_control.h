#pragma once
// The serial port ComPort1 as the "Init", "Stop" and "Com settings" buttons use it.

#include "link/link_controls.h"

class QWidget;
class TComPort;

class TSerialPortControl : public ISerialPort {
public:
    // The settings dialog opens over dialogParent.
    TSerialPortControl(TComPort& port, QWidget* dialogParent);

    bool Connected() const override;
    void Open() override;
    void Close() override;
    void ShowSetupDialog() override;

private:
    TComPort& FPort;
    QWidget* FDialogParent;
};
