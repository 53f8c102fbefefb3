#pragma once
// The serial ports present on the system, for the settings dialog's port list.

#include <filesystem>
#include <string>
#include <vector>

// A serial device and what the system knows of it. Texts the system does not give stay empty.
struct TComPortInfo {
    std::string Path;         // the device, "/dev/ttyUSB0"
    std::string Driver;       // the kernel driver, "ftdi_sio"
    std::string Manufacturer; // of a USB adapter: its manufacturer and product texts,
    std::string Product;      //   its serial number and its vendor:product ids ("0403:6001")
    std::string SerialNumber;
    std::string UsbId;

    // What a technician needs to tell adapters apart, e.g. "FTDI FT232R USB UART (0403:6001),
    // serial A10K1234, driver ftdi_sio"; empty when nothing is known.
    std::string Description() const;
};

// The serial devices that really exist, as /dev paths sorted by name: every tty with a driver
// behind it (USB adapters ttyUSB and ttyACM among them), except UART slots the kernel reserves
// without hardware (port type 0). Raises EComPort 23 with the system's errno when the list of
// ttys cannot be read.
std::vector<std::string> EnumComPorts();

// The same, for a tty class directory laid out as /sys/class/tty, naming devices devDir/<tty>.
std::vector<std::string> EnumComPorts(const std::filesystem::path& ttyClassDir,
                                      const std::filesystem::path& devDir);

// The same devices with what sysfs tells of each: the driver, and for a USB adapter the
// attributes of the USB device it belongs to.
std::vector<TComPortInfo> EnumComPortInfos();
std::vector<TComPortInfo> EnumComPortInfos(const std::filesystem::path& ttyClassDir,
                                           const std::filesystem::path& devDir);
