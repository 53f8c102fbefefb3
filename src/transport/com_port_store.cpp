// The port's settings in "ComPort.ini": one section named after the component with the basic
// group of keys, in the order Port, BaudRate, CustomBaudRate (only for "Custom"), StopBits,
// DataBits, Parity, FlowControl.

#include "transport/com_port.h"

#include "core/errors.h"
#include "store/ini_file.h"
#include "transport/com_port_errors.h"

namespace {

void StoreKeys(const TComPort& port, TIniFile& ini) {
    const std::string& section = port.Name();
    ini.WriteString(section, "Port", port.Port());
    ini.WriteString(section, "BaudRate", BaudRateToStr(port.BaudRate()));
    if (port.BaudRate() == brCustom) {
        ini.WriteInteger(section, "CustomBaudRate", port.CustomBaudRate());
    }
    ini.WriteString(section, "StopBits", StopBitsToStr(port.StopBits()));
    ini.WriteString(section, "DataBits", DataBitsToStr(port.DataBits()));
    ini.WriteString(section, "Parity", ParityToStr(port.Parity().Bits));
    ini.WriteString(section, "FlowControl", FlowControlToStr(port.FlowControl().FlowControl()));
    ini.UpdateFile();
}

// Each key is read with the port's current value as default, so a missing file or key changes
// nothing; a text that matches no entry gives the setting's fallback.
void LoadKeys(TComPort& port, const TIniFile& ini) {
    const std::string& section = port.Name();
    port.SetPort(ini.ReadString(section, "Port", port.Port()));
    TBaudRate baudRate =
        StrToBaudRate(ini.ReadString(section, "BaudRate", BaudRateToStr(port.BaudRate())));
    if (baudRate == brCustom) {
        port.SetCustomBaudRate(ini.ReadInteger(section, "CustomBaudRate", 9600));
    }
    port.SetBaudRate(baudRate);
    port.SetStopBits(
        StrToStopBits(ini.ReadString(section, "StopBits", StopBitsToStr(port.StopBits()))));
    port.SetDataBits(
        StrToDataBits(ini.ReadString(section, "DataBits", DataBitsToStr(port.DataBits()))));
    TComParity parity = port.Parity();
    parity.Bits = StrToParity(ini.ReadString(section, "Parity", ParityToStr(parity.Bits)));
    port.SetParity(parity);
    TComFlowControl flow = port.FlowControl();
    flow.SetFlowControl(StrToFlowControl(
        ini.ReadString(section, "FlowControl", FlowControlToStr(flow.FlowControl()))));
    port.SetFlowControl(flow);
}

} // namespace

void TComPort::StoreSettings(TStoreType /*storeType*/, const std::string& path) {
    try {
        TIniFile ini(path);
        StoreKeys(*this, ini);
    } catch (...) {
        throw EComPort(16);
    }
}

void TComPort::LoadSettings(TStoreType /*storeType*/, const std::string& path) {
    BeginUpdate();
    bool loaded = false;
    try {
        TIniFile ini(path);
        LoadKeys(*this, ini);
        loaded = true;
    } catch (...) {
    }
    // The settings read so far reach an open port either way.
    try {
        EndUpdate();
    } catch (...) {
        loaded = false;
    }
    if (!loaded) {
        throw EComPort(17);
    }
}
