#include "transport/com_port_list.h"

#include "core/errors.h"
#include "transport/com_port_errors.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The UART port type from the tty's own serial-core attribute; -1 when it has none.
int SysfsPortType(const fs::path& ttyDir) {
    std::ifstream file(ttyDir / "type");
    int type = -1;
    if (!(file >> type)) {
        return -1;
    }
    return type;
}

// The UART port type asked of the device itself (kernels without the attribute); -1 when the
// device cannot be asked.
int DevicePortType(const fs::path& device) {
    int handle = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) {
        return -1;
    }
    serial_struct serial{};
    int result = ::ioctl(handle, TIOCGSERIAL, &serial);
    ::close(handle);
    return result == 0 ? serial.type : -1;
}

// A tty with a driver is a real port unless it is a UART slot without hardware: the 8250
// driver registers its slots whether or not a chip answers, with port type 0 (unknown).
bool RealPort(const fs::path& ttyDir, const fs::path& device) {
    std::error_code error;
    if (!fs::exists(ttyDir / "device" / "driver", error)) {
        return false;
    }
    int type = SysfsPortType(ttyDir);
    if (type < 0 &&
        fs::read_symlink(ttyDir / "device" / "driver", error).filename() == "serial8250") {
        type = DevicePortType(device);
    }
    return type != 0;
}

} // namespace

std::vector<std::string> EnumComPorts(const fs::path& ttyClassDir, const fs::path& devDir) {
    std::vector<std::string> ports;
    std::error_code error;
    for (fs::directory_iterator entry(ttyClassDir, error), end; !error && entry != end;
         entry.increment(error)) {
        fs::path device = devDir / entry->path().filename();
        std::error_code missing;
        if (fs::exists(device, missing) && RealPort(entry->path(), device)) {
            ports.push_back(device.string());
        }
    }
    if (error) {
        throw EComPort(23, error.value());
    }
    std::sort(ports.begin(), ports.end());
    return ports;
}

std::vector<std::string> EnumComPorts() {
    return EnumComPorts("/sys/class/tty", "/dev");
}
