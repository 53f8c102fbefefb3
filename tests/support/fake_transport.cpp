#include "fake_transport.h"

#include "core/errors.h"
#include "transport/com_port_errors.h"

#include <arpa/inet.h>
#include <cerrno>

namespace {
constexpr int WriteFileFailed = 2; // the serial port's error code for a failed write
} // namespace

void TFakeTransport::WriteSerial(const uint8_t* data, uint32_t count) {
    if (!SerialOpen) {
        throw EComPort(WriteFileFailed, EBADF);
    }
    Sent.emplace_back(data, data + count);
}

bool TFakeTransport::SetUdpDestination(const std::string&, const std::string& address) {
    in_addr parsed{};
    if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) {
        throw EOrvant("Invalid address: " + address);
    }
    return true;
}

bool TFakeTransport::SendDatagram(const uint8_t* data, uint32_t count) {
    Sent.emplace_back(data, data + count);
    return true;
}

void TFakeSerialPort::Open() {
    ++Opens;
    if (DeviceMissing) {
        throw EComPort(1, ENOENT);
    }
    FTransport.SerialOpen = true;
}
