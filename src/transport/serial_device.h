#pragma once
// The operating system's side of the serial port: one open tty device, its line settings, and
// byte transfer. Errors are raised as EComPort with the port's error code and the system's errno.

#include "transport/com_settings.h"

#include <cstdint>
#include <optional>
#include <string>

// The device path for a port name: a name beginning with "/" is a path already; "COMn" (n from
// 1) is /dev/ttyS(n-1); any other name is looked up under /dev/.
std::string SerialDevicePath(const std::string& portName);

// The line parameters in the form the driver takes them.
struct TSerialLine {
    uint32_t BaudRate = 9600; // bits per second, any positive rate
    int DataBits = 8;         // 5 to 8
    TParityBits Parity = prNone;
    bool ParityCheck = false;
    TStopBits StopBits = sbOneStopBit;
    bool HardwareFlow = false; // RTS/CTS handshake
    bool XonXoffIn = false;    // we send XOFF/XON when our queue fills and drains
    bool XonXoffOut = false;   // we stop and resume sending on XOFF/XON from the far side
    uint8_t XonChar = 17;
    uint8_t XoffChar = 19;
};

// Puts the open tty fd into raw mode with the receiver on and modem status ignored, and applies
// line. Returns 0, or the errno of the failed call (EINVAL for an impossible combination).
int ApplySerialLine(int fd, const TSerialLine& line);

class TSerialDevice {
public:
    TSerialDevice() = default;
    ~TSerialDevice();
    TSerialDevice(const TSerialDevice&) = delete;
    TSerialDevice& operator=(const TSerialDevice&) = delete;

    // Opens path for reading and writing, non-blocking, exclusively: no other program (nor a
    // second open in this one) gets the device while it is open here. Raises EComPort 1.
    void Open(const std::string& path);
    // Releases the device; nothing when not open. Never raises.
    void Close();
    bool IsOpen() const { return FHandle >= 0; }
    int Handle() const { return FHandle; }

    // Raises EComPort 7 when the driver refuses line.
    void SetLine(const TSerialLine& line);
    // Sets or clears DTR, and RTS unless rts is empty (the driver's handshake drives it).
    // Devices without modem lines (pseudo-terminals) are left as they are. Raises EComPort 7.
    void SetModemLines(bool dtr, std::optional<bool> rts);

    // Writes count bytes, waiting while the driver's queue is full, for at most limitMs
    // milliseconds (no limit when empty). Returns the bytes written by then. Raises EComPort 2
    // (with EBADF when not open) when the driver refuses the bytes, 6 when the wait fails.
    int32_t Write(const uint8_t* buffer, int32_t count, std::optional<int64_t> limitMs);
    // Reads up to count bytes that have already arrived, without waiting; returns how many.
    // Raises EComPort 3 (EBADF when not open).
    int32_t Read(uint8_t* buffer, int32_t count);
    // Bytes received and not yet read. Raises EComPort 10.
    int32_t WaitingBytes() const;
    // Discards what is queued in both directions. Returns 0 or the errno of the failure.
    int Purge();

private:
    int FHandle = -1;
};
