#include "transport/com_port_errors.h"

#include "transport/com_translation.h"

#include <array>
#include <cerrno>
#include <utility>

namespace {

// The serial port's error texts, by code 1 to 23.
constexpr std::array<const char*, 23> ComPortTexts = {
    "Cannot open the serial port",                           // 1
    "Writing to the serial port failed",                     // 2
    "Reading from the serial port failed",                   // 3
    "Invalid serial port parameter",                         // 4
    "Emptying the serial port's queues failed",              // 5
    "Cannot read the serial port's status",                  // 6
    "Setting the line parameters failed",                    // 7
    "Setting the serial time-outs failed",                   // 8
    "Setting the serial queue sizes failed",                 // 9
    "Reading the serial line's errors failed",               // 10
    "Reading the modem lines failed",                        // 11
    "Setting a modem line failed",                           // 12
    "Sending a character failed",                            // 13
    "Cannot set property while connected",                   // 14
    "Listing the serial ports failed",                       // 15
    "Failed to store settings",                              // 16
    "Failed to load settings",                               // 17
    "Link (un)registration failed",                          // 18
    "Cannot change an LED's state while its port is chosen", // 19
    "Cannot wait for event if event thread is created",      // 20
    "Waiting for serial events failed",                      // 21
    "A component is linked to OnRxBuf event",                // 22
    "Reading the system's device list failed",               // 23
};

} // namespace

std::string ComPortErrorText(int code) {
    if (code < 1 || code > static_cast<int>(ComPortTexts.size())) {
        return "Unknown error";
    }
    return TranslateComPort(ComPortTexts[code - 1]);
}

EComPort::EComPort(int code, std::optional<int> systemCode)
    : EOrvant(ComPortErrorText(code) +
              (systemCode ? " (errno " + std::to_string(*systemCode) + ")" : "")),
      Code(code), SystemCode(systemCode) {
    if (systemCode) {
        SetDetail(SystemErrorText(*systemCode));
    }
}

void EComPort::SetDevice(const std::string& path) {
    std::string detail = SystemCode ? SystemErrorText(*SystemCode) + " on " + path : path;
    // Serial devices belong to the group dialout; a user outside it is refused at the open.
    if (Code == 1 && SystemCode && (*SystemCode == EACCES || *SystemCode == EPERM)) {
        detail += ": the user must be in the dialout group (sudo adduser $USER dialout, then log "
                  "in again)";
    }
    SetDetail(std::move(detail));
}

bool EComPort::DeviceGone() const {
    return SystemCode && (*SystemCode == EIO || *SystemCode == ENXIO || *SystemCode == ENODEV);
}
