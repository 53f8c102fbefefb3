#pragma once
// Serial device paths as a technician types them: links such as /dev/serial/by-id/… followed
// to the device they lead to, and whether a path is there at all.

#include <filesystem>
#include <string>
#include <vector>

// A link to a serial device and the device it leads to, followed to its end.
struct TComPortLink {
    std::string Path;   // "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0"
    std::string Target; // "/dev/ttyUSB0"
};

// Whether the path names a serial device that is there now: a character device, links
// followed. A device held open (by this tool or another) is there too; nothing is opened.
bool ComPortPresent(const std::string& path);

// Where a link leads, followed to its end; empty for a path that is no link or leads nowhere.
std::string LinkTarget(const std::string& path);

// The links in the directories under `dir` (by-id, by-path), sorted by path; none when the
// directory is missing. Links that lead nowhere are left out.
std::vector<TComPortLink> EnumComPortLinks(const std::filesystem::path& dir = "/dev/serial");
