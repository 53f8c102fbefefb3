#pragma once
// The serial port component that carries the RS-232 line to the master unit: line settings with
// defaults, opening and closing the port, writing a finished frame, the receive event that tells
// the main thread how many bytes are waiting, and the settings file "ComPort.ini".
//
// Every operation is called on the main thread. While the port is open an event thread waits for
// received bytes and hands OnRxChar to the main thread, waiting until it has run.

#include "core/main_thread.h"
#include "transport/com_port_errors.h"
#include "transport/com_settings.h"
#include "transport/com_thread.h"
#include "transport/serial_device.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// Where the settings are kept; the program keeps them in an INI file.
enum TStoreType : uint8_t { stIniFile };

class TComPort {
public:
    // Called on the main thread with the count of bytes waiting (above zero).
    using TRxCharEvent = std::function<void(TComPort& sender, int32_t count)>;
    // Called on the main thread with an error the event thread met: one raised by OnRxChar, or
    // a failure of the device (reported once; reception then stops until Close and Open).
    using TExceptionEvent = std::function<void(TComPort& sender, const std::exception& error)>;

    // The component with its defaults: "COM1", 9600 baud, 8 data bits, no parity, 1 stop bit,
    // no flow control, every event. Hand-offs go through mainThread.
    explicit TComPort(IMainThread& mainThread);
    // Closes the port; errors of the close are dropped.
    ~TComPort();
    TComPort(const TComPort&) = delete;
    TComPort& operator=(const TComPort&) = delete;

    // The component's name; it names the settings file's section.
    const std::string& Name() const { return FName; }
    void SetName(const std::string& name) { FName = name; }

    // Opens the port and applies every setting; nothing when open already. Raises EComPort 1
    // (device not opened), 9, 7 or 8 (queue sizes, line parameters, time-outs refused); on any
    // failure the port stays closed.
    void Open();
    // Closes the port; nothing when closed. The port is closed afterwards even when the driver's
    // queues could not be purged, which then raises EComPort 5. Safe from any handler of the
    // port (OnRxChar, OnException) and any number of times.
    void Close();
    bool Connected() const { return FDevice.IsOpen(); }
    // True while the port is open on a device that has gone (an adapter pulled, the far end
    // hung up): the port still counts as open, but nothing goes through until it is closed and
    // opened again. Failures raised with such an error set it; Open and Close clear it.
    bool DeviceGone() const { return FDeviceGone; }
    // The device the port name leads to ("COM5" is /dev/ttyS4).
    std::string DevicePath() const { return SerialDevicePath(FPort); }
    // "115200 8N1": the line settings in the short form a technician reads.
    std::string LineText() const;

    // Writes count bytes and returns how many were written within the write time-outs.
    // Raises EComPort 2 (errno EBADF when closed) or 6.
    int32_t Write(const void* buffer, int32_t count);
    // Writes one frame of count bytes within the time the frame needs at the line's rate plus
    // FrameWriteMarginMs (or the write time-outs, when they are shorter), so that a line held
    // by flow control cannot stall the caller. Raises EComPort 2 with ETIMEDOUT when the line did
    // not take the whole frame in that time, and as Write otherwise.
    void WriteFrame(const void* buffer, int32_t count);
    static constexpr int64_t FrameWriteMarginMs = 50;
    // Fills str with up to count bytes already received, without waiting, and returns how many.
    // Raises EComPort 3 (errno EBADF when closed).
    int32_t ReadStr(std::string& str, int32_t count);

    TRxCharEvent OnRxChar;
    TExceptionEvent OnException;

    // While the update counter is above zero, changes are not pushed to an open port.
    // EndUpdate at zero pushes queue sizes, line parameters and time-outs, in that order.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    // Changing the port's name while open closes the port and opens it on the new name.
    const std::string& Port() const { return FPort; }
    void SetPort(const std::string& port);
    // The setters below push their group to an open port at once (outside BeginUpdate) and
    // raise what the push raises.
    TBaudRate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TBaudRate value);
    // Bits per second used with brCustom.
    int32_t CustomBaudRate() const { return FCustomBaudRate; }
    void SetCustomBaudRate(int32_t value);
    TDataBits DataBits() const { return FDataBits; }
    void SetDataBits(TDataBits value);
    TStopBits StopBits() const { return FStopBits; }
    void SetStopBits(TStopBits value);
    const TComParity& Parity() const { return FParity; }
    void SetParity(const TComParity& value);
    const TComFlowControl& FlowControl() const { return FFlowControl; }
    void SetFlowControl(const TComFlowControl& value);
    const TComBuffer& Buffer() const { return FBuffer; }
    void SetBuffer(const TComBuffer& value);
    const TComTimeouts& Timeouts() const { return FTimeouts; }
    void SetTimeouts(const TComTimeouts& value);
    bool DiscardNull() const { return FDiscardNull; }
    void SetDiscardNull(bool value);
    uint8_t EventChar() const { return FEventChar; }
    void SetEventChar(uint8_t value);
    // Changing the events while open restarts the event thread with the new set.
    TComEvents Events() const { return FEvents; }
    void SetEvents(TComEvents value);

    // Writes Port, BaudRate (CustomBaudRate only for "Custom"), StopBits, DataBits, Parity and
    // FlowControl to the section named after the component. Raises EComPort 16.
    void StoreSettings(TStoreType storeType, const std::string& path);
    // Reads those keys, each with the current value as default, inside BeginUpdate/EndUpdate.
    // Raises EComPort 17.
    void LoadSettings(TStoreType storeType, const std::string& path);

private:
    void PushBuffer();
    void PushLine();
    void PushTimeouts();
    void PushAll();
    void PushIfLive(void (TComPort::*push)());
    TSerialLine LineOf() const;
    std::optional<int64_t> WriteLimitMs(int32_t count) const;
    void StartThread();
    void StopThread();
    void DoEvents(TComEvents events, int32_t count);
    void DoException(std::exception_ptr error);
    // Runs an operation on the device; an EComPort it raises names the device, and one that
    // says the device is gone marks the port so.
    template <class TOperation> auto OnDevice(TOperation operation);

    IMainThread& FMainThread;
    std::string FName = "ComPort1";
    std::string FPort = "COM1";
    TBaudRate FBaudRate = br9600;
    int32_t FCustomBaudRate = 9600;
    TDataBits FDataBits = dbEight;
    TStopBits FStopBits = sbOneStopBit;
    TComParity FParity;
    TComFlowControl FFlowControl;
    TComBuffer FBuffer;
    TComTimeouts FTimeouts;
    bool FDiscardNull = false;
    uint8_t FEventChar = 0;
    TComEvents FEvents = TComEvents::All();
    int FUpdateCount = 0;
    TSerialDevice FDevice;
    std::unique_ptr<TComThread> FThread;
    bool FDeviceGone = false;
};

// Gives port the values the main window's design gives ComPort1: "COM5", 115200 baud, 8 data
// bits, no parity, 1 stop bit, no flow control, DTR and RTS off, events evRxChar, evTxEmpty,
// evRxFlag and evRx80Full.
void SetComPort1Design(TComPort& port);
