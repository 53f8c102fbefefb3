#include "transport/failure_headline.h"

#include "core/errors.h"
#include "transport/com_port_errors.h"

#include <cerrno>

namespace {

// The headline of a serial port failure by the system's error number; empty when the number
// tells a technician nothing more than the port's own text does.
std::string SerialHeadline(const EComPort& error) {
    if (error.DeviceGone()) {
        return "Serial device gone: the adapter was pulled or the line hung up";
    }
    switch (error.SystemCode.value_or(0)) {
    case ENOENT:
        return "Serial port not found";
    case EACCES:
    case EPERM:
        return "No permission to open the serial port: the user must be in the \"dialout\" group";
    case EBUSY:
    case EWOULDBLOCK: // its lock is held
        return "Serial port in use by another program";
    default:
        return {};
    }
}

} // namespace

TFailureText PlainFailure(const std::exception& error) {
    const auto* serial = dynamic_cast<const EComPort*>(&error);
    const std::string headline = serial != nullptr ? SerialHeadline(*serial) : std::string();
    const std::string detail = DetailOf(error);
    if (headline.empty()) {
        return {error.what(), detail};
    }
    return {headline, error.what() + (detail.empty() ? std::string() : " - " + detail)};
}
