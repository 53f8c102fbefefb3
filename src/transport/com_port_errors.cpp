#include "transport/com_port_errors.h"

#include "transport/com_translation.h"

#include <array>
#include <cerrno>
#include <utility>

namespace {

// The serial port's error texts, by code 1 to 23.
constexpr std::array<const char*, 23> ComPortTexts = {
    "Unable to open com port",                          // 1
    "WriteFile function failed",                        // 2
    "ReadFile function failed",                         // 3
    "Invalid Async parameter",                          // 4
    "PurgeComm function failed",                        // 5
    "Unable to get async status",                       // 6
    "SetCommState function failed",                     // 7
    "SetCommTimeouts failed",                           // 8
    "SetupComm function failed",                        // 9
    "ClearCommError function failed",                   // 10
    "GetCommModemStatus function failed",               // 11
    "EscapeCommFunction function failed",               // 12
    "TransmitCommChar function failed",                 // 13
    "Cannot set property while connected",              // 14
    "EnumPorts function failed",                        // 15
    "Failed to store settings",                         // 16
    "Failed to load settings",                          // 17
    "Link (un)registration failed",                     // 18
    "Cannot change led state if ComPort is selected",   // 19
    "Cannot wait for event if event thread is created", // 20
    "WaitForEvent method failed",                       // 21
    "A component is linked to OnRxBuf event",           // 22
    "Registry error",                                   // 23
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
              (systemCode ? " (win error code: " + std::to_string(*systemCode) + ")" : "")),
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
