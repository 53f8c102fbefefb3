#pragma once
// The serial port component's failures: one of the port's error codes, and where the system gave
// one, the system's error number appended as " (errno %d)"; the texts are in the words of
// this system (reading, writing, the line parameters), not of another.

#include "core/errors.h"

#include <optional>
#include <string>

class EComPort : public EOrvant {
public:
    explicit EComPort(int code, std::optional<int> systemCode = std::nullopt);
    int Code;
    std::optional<int> SystemCode;

    // Names the device the failure happened on; the detail then reads, for example,
    // "Input/output error on /dev/ttyUSB0". An open refused for want of permission adds that
    // the user must be in the dialout group.
    void SetDevice(const std::string& path);
    // True when the system's error says the device itself is gone (an adapter pulled, the far
    // end of a pseudo-terminal closed), not that an operation was refused.
    bool DeviceGone() const;
};

// The message text of a serial port error code (1 to 23), through the "comport" translation.
std::string ComPortErrorText(int code);
