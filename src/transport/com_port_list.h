#pragma once
// The serial ports present on the system, for the settings dialog's port list.

#include <filesystem>
#include <string>
#include <vector>

// The serial devices that really exist, as /dev paths sorted by name: every tty with a driver
// behind it (USB adapters ttyUSB and ttyACM among them), except UART slots the kernel reserves
// without hardware (port type 0). Raises EComPort 23 with the system's errno when the list of
// ttys cannot be read.
std::vector<std::string> EnumComPorts();

// The same, for a tty class directory laid out as /sys/class/tty, naming devices devDir/<tty>.
std::vector<std::string> EnumComPorts(const std::filesystem::path& ttyClassDir,
                                      const std::filesystem::path& devDir);
