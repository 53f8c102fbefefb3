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

// The first line of a sysfs attribute, or "" when there is none.
std::string Attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

// The USB device a tty belongs to lies a few levels above the tty's device (interface, then
// device; usb-serial adds a port level): the first ancestor with a vendor id.
void ReadUsbAttributes(const fs::path& ttyDevice, TComPortInfo& info) {
    std::error_code error;
    fs::path dir = fs::canonical(ttyDevice, error);
    for (int level = 0; !error && level < 5 && dir.has_parent_path(); ++level) {
        if (fs::exists(dir / "idVendor", error)) {
            info.Manufacturer = Attribute(dir / "manufacturer");
            info.Product = Attribute(dir / "product");
            info.SerialNumber = Attribute(dir / "serial");
            info.UsbId = Attribute(dir / "idVendor") + ":" + Attribute(dir / "idProduct");
            return;
        }
        dir = dir.parent_path();
    }
}

TComPortInfo DescribePort(const fs::path& ttyDir, const fs::path& device) {
    TComPortInfo info;
    info.Path = device.string();
    std::error_code error;
    info.Driver = fs::read_symlink(ttyDir / "device" / "driver", error).filename().string();
    ReadUsbAttributes(ttyDir / "device", info);
    return info;
}

} // namespace

std::string TComPortInfo::Description() const {
    std::string text = Manufacturer;
    if (!Product.empty()) {
        text += (text.empty() ? "" : " ") + Product;
    }
    if (!UsbId.empty()) {
        text += (text.empty() ? "USB " : " (") + UsbId + (text.empty() ? "" : ")");
    }
    if (!SerialNumber.empty()) {
        text += (text.empty() ? "" : ", ") + std::string("serial ") + SerialNumber;
    }
    if (!Driver.empty()) {
        text += (text.empty() ? "" : ", ") + std::string("driver ") + Driver;
    }
    return text;
}

std::vector<TComPortInfo> EnumComPortInfos(const fs::path& ttyClassDir, const fs::path& devDir) {
    std::vector<TComPortInfo> ports;
    std::error_code error;
    for (fs::directory_iterator entry(ttyClassDir, error), end; !error && entry != end;
         entry.increment(error)) {
        fs::path device = devDir / entry->path().filename();
        std::error_code missing;
        if (fs::exists(device, missing) && RealPort(entry->path(), device)) {
            ports.push_back(DescribePort(entry->path(), device));
        }
    }
    if (error) {
        throw EComPort(23, error.value());
    }
    std::sort(ports.begin(), ports.end(),
              [](const TComPortInfo& a, const TComPortInfo& b) { return a.Path < b.Path; });
    return ports;
}

std::vector<TComPortInfo> EnumComPortInfos() {
    return EnumComPortInfos("/sys/class/tty", "/dev");
}

std::vector<std::string> EnumComPorts(const fs::path& ttyClassDir, const fs::path& devDir) {
    std::vector<std::string> paths;
    for (const TComPortInfo& port : EnumComPortInfos(ttyClassDir, devDir)) {
        paths.push_back(port.Path);
    }
    return paths;
}

std::vector<std::string> EnumComPorts() {
    return EnumComPorts("/sys/class/tty", "/dev");
}
