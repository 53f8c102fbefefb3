#include "transport/com_port.h"

#include "core/errors.h"
#include "transport/com_port_errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

// Errors of a device that has gone (adapter pulled, far end hung up): nothing left to purge.
bool GoneError(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

// The line has no way to drive DTR by handshake, toggle RTS around a send, hold output on DSR,
// or replace a byte with a parity error by anything but NUL (with checking on, such a byte is
// read as NUL); such a setting is refused rather than silently run differently.
bool LineCanDo(const TComFlowControl& flow, const TComParity& parity) {
    return flow.ControlDTR != dtrHandshake && flow.ControlRTS != rtsToggle && !flow.OutDSRFlow &&
           !(parity.Check && parity.Replace && parity.ReplaceChar != 0);
}

} // namespace

TComPort::TComPort(IMainThread& mainThread) : FMainThread(mainThread) {}

template <class TOperation> auto TComPort::OnDevice(TOperation operation) {
    try {
        return operation();
    } catch (EComPort& error) {
        error.SetDevice(DevicePath());
        if (error.DeviceGone() && Connected()) {
            FDeviceGone = true;
        }
        throw;
    }
}

TComPort::~TComPort() {
    try {
        Close();
    } catch (...) {
        // The port is closed even when the purge failed; nobody is left to tell.
    }
}

void TComPort::Open() {
    if (Connected()) {
        return;
    }
    OnDevice([this] {
        FDevice.Open(DevicePath());
        FDeviceGone = false;
        try {
            PushAll();
            if (!FEvents.Empty()) {
                StartThread();
            }
        } catch (...) {
            FDevice.Close();
            throw;
        }
    });
}

void TComPort::Close() {
    if (!Connected()) {
        return;
    }
    StopThread();
    int error = FDevice.Purge();
    FDevice.Close();
    FDeviceGone = false;
    if (error != 0 && !GoneError(error)) {
        OnDevice([error] { throw EComPort(5, error); });
    }
}

std::optional<int64_t> TComPort::WriteLimitMs(int32_t count) const {
    const int64_t constant = FTimeouts.WriteTotalConstant;
    const int64_t multiplier = FTimeouts.WriteTotalMultiplier;
    if (constant >= 0 && multiplier >= 0 && (constant > 0 || multiplier > 0)) {
        return constant + multiplier * std::max<int64_t>(count, 0);
    }
    return std::nullopt;
}

int32_t TComPort::Write(const void* buffer, int32_t count) {
    return OnDevice([&] {
        return FDevice.Write(static_cast<const uint8_t*>(buffer), count, WriteLimitMs(count));
    });
}

void TComPort::WriteFrame(const void* buffer, int32_t count) {
    const TSerialLine line = LineOf();
    // A start bit, the data bits, the parity bit and at most two stop bits per byte.
    const int64_t bitsPerByte = 1 + line.DataBits + (line.Parity == prNone ? 0 : 1) + 2;
    const int64_t bits = bitsPerByte * std::max<int64_t>(count, 0);
    const int64_t rate = std::max<int64_t>(line.BaudRate, 1);
    int64_t limit = (bits * 1000 + rate - 1) / rate + FrameWriteMarginMs;
    if (const auto configured = WriteLimitMs(count)) {
        limit = std::min(limit, *configured);
    }
    OnDevice([&] {
        if (FDevice.Write(static_cast<const uint8_t*>(buffer), count, limit) < count) {
            throw EComPort(2, ETIMEDOUT);
        }
    });
}

int32_t TComPort::ReadStr(std::string& str, int32_t count) {
    str.resize(size_t(std::max<int32_t>(count, 0)));
    int32_t read =
        OnDevice([&] { return FDevice.Read(reinterpret_cast<uint8_t*>(str.data()), count); });
    str.resize(size_t(read));
    if (FDiscardNull) {
        std::erase(str, '\0');
    }
    return int32_t(str.size());
}

void TComPort::EndUpdate() {
    if (FUpdateCount > 0) {
        --FUpdateCount;
    }
    if (FUpdateCount == 0 && Connected()) {
        PushAll();
    }
}

void TComPort::SetPort(const std::string& port) {
    if (port == FPort) {
        return;
    }
    const bool wasOpen = Connected();
    Close();
    FPort = port;
    if (wasOpen) {
        Open();
    }
}

void TComPort::SetBaudRate(TBaudRate value) {
    FBaudRate = value;
    PushIfLive(&TComPort::PushLine);
}

void TComPort::SetCustomBaudRate(int32_t value) {
    FCustomBaudRate = value;
    PushIfLive(&TComPort::PushLine);
}

void TComPort::SetDataBits(TDataBits value) {
    FDataBits = value;
    PushIfLive(&TComPort::PushLine);
}

void TComPort::SetStopBits(TStopBits value) {
    FStopBits = value;
    PushIfLive(&TComPort::PushLine);
}

void TComPort::SetParity(const TComParity& value) {
    FParity = value;
    PushIfLive(&TComPort::PushLine);
}

void TComPort::SetFlowControl(const TComFlowControl& value) {
    FFlowControl = value;
    PushIfLive(&TComPort::PushLine);
}

void TComPort::SetBuffer(const TComBuffer& value) {
    FBuffer = value;
    PushIfLive(&TComPort::PushBuffer);
}

void TComPort::SetTimeouts(const TComTimeouts& value) {
    FTimeouts = value;
    PushIfLive(&TComPort::PushTimeouts);
}

void TComPort::SetDiscardNull(bool value) {
    FDiscardNull = value;
    PushIfLive(&TComPort::PushLine);
}

void TComPort::SetEventChar(uint8_t value) {
    FEventChar = value;
    PushIfLive(&TComPort::PushLine);
}

void TComPort::SetEvents(TComEvents value) {
    if (value == FEvents) {
        return;
    }
    FEvents = value;
    if (Connected()) {
        StopThread();
        if (!FEvents.Empty()) {
            StartThread();
        }
    }
}

void TComPort::PushIfLive(void (TComPort::*push)()) {
    if (Connected() && FUpdateCount == 0) {
        (this->*push)();
    }
}

void TComPort::PushAll() {
    PushBuffer();
    PushLine();
    PushTimeouts();
}

void TComPort::PushBuffer() {
    // The driver's queues have a fixed size here; the sizes still set the XON/XOFF limits and
    // the 80% mark, so they must be usable.
    if (FBuffer.InputSize <= 0 || FBuffer.OutputSize <= 0) {
        throw EComPort(9, EINVAL);
    }
}

void TComPort::PushLine() {
    if (!LineCanDo(FFlowControl, FParity) || (FBaudRate == brCustom && FCustomBaudRate <= 0)) {
        throw EComPort(7, EINVAL);
    }
    FDevice.SetLine(LineOf());
    std::optional<bool> rts;
    if (FFlowControl.ControlRTS != rtsHandshake) {
        rts = FFlowControl.ControlRTS == rtsEnable;
    }
    FDevice.SetModemLines(FFlowControl.ControlDTR == dtrEnable, rts);
}

void TComPort::PushTimeouts() {
    const TComTimeouts& t = FTimeouts;
    for (int32_t value : {t.ReadInterval, t.ReadTotalMultiplier, t.ReadTotalConstant,
                          t.WriteTotalMultiplier, t.WriteTotalConstant}) {
        if (value < -1) {
            throw EComPort(8, EINVAL);
        }
    }
}

TSerialLine TComPort::LineOf() const {
    TSerialLine line;
    line.BaudRate = uint32_t(FBaudRate == brCustom ? FCustomBaudRate : BaudRateToInt(FBaudRate));
    line.DataBits = DataBitsToInt(FDataBits);
    line.Parity = FParity.Bits;
    line.ParityCheck = FParity.Check;
    line.StopBits = FStopBits;
    // The driver has one switch for RTS/CTS handshake in both directions.
    line.HardwareFlow = FFlowControl.ControlRTS == rtsHandshake || FFlowControl.OutCTSFlow;
    line.XonXoffIn = FFlowControl.XonXoffIn;
    line.XonXoffOut = FFlowControl.XonXoffOut;
    line.XonChar = FFlowControl.XonChar;
    line.XoffChar = FFlowControl.XoffChar;
    return line;
}

void TComPort::StartThread() {
    FThread = std::make_unique<TComThread>(
        FDevice, FEvents, FBuffer.InputSize, FMainThread,
        [this](TComEvents events, int32_t count) { DoEvents(events, count); },
        [this](std::exception_ptr error, bool ended) {
            // Nothing reads the line any more: like a pulled adapter, the port can only be
            // closed and opened again, which the watch of the port does.
            if (ended) {
                FDeviceGone = true;
            }
            DoException(error);
        });
}

void TComPort::StopThread() {
    // Moved out first, so that a handler that closes the port again meanwhile finds no thread.
    std::unique_ptr<TComThread> thread = std::move(FThread);
    thread.reset();
}

void TComPort::DoEvents(TComEvents events, int32_t count) {
    if (events.Contains(evRxChar) && OnRxChar) {
        OnRxChar(*this, count);
    }
}

void TComPort::DoException(std::exception_ptr error) {
    try {
        OnDevice([&] { std::rethrow_exception(error); });
    } catch (const std::exception& e) {
        if (OnException) {
            OnException(*this, e);
        } else {
            std::fprintf(stderr, "%s: %s\n", FName.c_str(), e.what());
        }
    } catch (...) {
        DoException(std::make_exception_ptr(EOrvant("Unknown error")));
    }
}

std::string TComPort::LineText() const {
    static constexpr char ParityLetters[] = {'N', 'O', 'E', 'M', 'S'};
    const TSerialLine line = LineOf();
    static constexpr const char* StopTexts[] = {"1", "1.5", "2"};
    return std::to_string(line.BaudRate) + " " + std::to_string(line.DataBits) +
           ParityLetters[std::size_t(line.Parity) % 5] + StopTexts[std::size_t(line.StopBits) % 3];
}

void SetComPort1Design(TComPort& port) {
    port.SetName("ComPort1");
    port.SetPort("COM5");
    port.SetBaudRate(br115200);
    port.SetCustomBaudRate(9600);
    port.SetDataBits(dbEight);
    port.SetStopBits(sbOneStopBit);
    port.SetParity(TComParity{});
    port.SetFlowControl(TComFlowControl{});
    port.SetEvents({evRxChar, evTxEmpty, evRxFlag, evRx80Full});
}
