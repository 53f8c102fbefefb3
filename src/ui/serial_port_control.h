#pragma once
// The serial port ComPort1 as the "Init", "Stop" and "Com settings" buttons use it.

#include "link/link_controls.h"

class QWidget;
class TComPort;
class TSerialWatch;

class TSerialPortControl : public ISerialPort {
public:
    // The settings dialog opens over dialogParent. "Init" and "Stop" go through the port's
    // watch, which keeps a wanted port open.
    TSerialPortControl(TComPort& port, TSerialWatch& watch, QWidget* dialogParent);

    // A port whose device has gone does not count as connected, so "Init" closes and reopens
    // it.
    bool Connected() const override;
    void Open() override;
    void Close() override;
    void ShowSetupDialog() override;

private:
    TComPort& FPort;
    TSerialWatch& FWatch;
    QWidget* FDialogParent;
};
