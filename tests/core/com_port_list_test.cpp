#include "core/errors.h"
#include "temp_dir.h"
#include "transport/com_port_errors.h"
#include "transport/com_port_list.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

// A tty class directory and a /dev laid out as the kernel does.
class ComPortList : public ::testing::Test {
protected:
    ComPortList() {
        fs::create_directories(Drivers / "serial8250");
        fs::create_directories(Drivers / "ftdi_sio");
        fs::create_directories(Drivers / "cdc_acm");
        fs::create_directories(Dev);
    }

    // A tty named name; driver empty for one without a device behind it; type < 0 for none.
    void AddTty(const std::string& name, const std::string& driver, int type = -1) {
        fs::path tty = Dir.Path() / "class" / name;
        fs::create_directories(tty);
        if (!driver.empty()) {
            fs::path device = Dir.Path() / "devices" / name;
            fs::create_directories(device);
            fs::create_directory_symlink(Drivers / driver, device / "driver");
            fs::create_directory_symlink(device, tty / "device");
        }
        if (type >= 0) {
            WriteFileBytes(tty / "type", std::to_string(type) + "\n");
        }
        WriteFileBytes(Dev / name, "");
    }

    std::vector<std::string> List() { return EnumComPorts(Dir.Path() / "class", Dev); }
    std::string DevName(const std::string& name) { return (Dev / name).string(); }

    TTempDir Dir;
    fs::path Drivers = Dir.Path() / "drivers";
    fs::path Dev = Dir.Path() / "dev";
};

TEST_F(ComPortList, RealPortsSortedByNameWithoutEmptyUartSlotsOrVirtualTtys) {
    AddTty("ttyUSB1", "ftdi_sio");
    AddTty("ttyS0", "serial8250", 4);
    AddTty("ttyS1", "serial8250", 0);
    AddTty("ttyS2", "serial8250", 0);
    AddTty("ttyACM0", "cdc_acm");
    AddTty("ttyUSB0", "ftdi_sio");
    AddTty("tty1", "");
    AddTty("console", "");
    EXPECT_EQ(List(), (std::vector<std::string>{DevName("ttyACM0"), DevName("ttyS0"),
                                                DevName("ttyUSB0"), DevName("ttyUSB1")}));
}

TEST_F(ComPortList, UsbAdaptersAreDescribedByTheirUsbDeviceAndDriver) {
    // A usb-serial port: tty -> port -> interface -> USB device with its attributes.
    const fs::path usb = Dir.Path() / "devices" / "usb1" / "1-2";
    const fs::path port = usb / "1-2:1.0" / "ttyUSB0";
    fs::create_directories(port);
    for (const auto& [name, value] : {std::pair{"idVendor", "0403"},
                                      {"idProduct", "6001"},
                                      {"manufacturer", "FTDI"},
                                      {"product", "FT232R USB UART"},
                                      {"serial", "A10K1234"}}) {
        WriteFileBytes(usb / name, std::string(value) + "\n");
    }
    fs::create_directory_symlink(Drivers / "ftdi_sio", port / "driver");
    fs::create_directories(Dir.Path() / "class" / "ttyUSB0");
    fs::create_directory_symlink(port, Dir.Path() / "class" / "ttyUSB0" / "device");
    WriteFileBytes(Dev / "ttyUSB0", "");
    AddTty("ttyS0", "serial8250", 4);

    const std::vector<TComPortInfo> ports = EnumComPortInfos(Dir.Path() / "class", Dev);
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].Path, DevName("ttyS0"));
    EXPECT_EQ(ports[0].Description(), "driver serial8250");
    EXPECT_EQ(ports[1].Path, DevName("ttyUSB0"));
    EXPECT_EQ(ports[1].UsbId, "0403:6001");
    EXPECT_EQ(ports[1].Description(),
              "FTDI FT232R USB UART (0403:6001), serial A10K1234, driver ftdi_sio");
    TComPortInfo bare;
    bare.UsbId = "1a86:7523";
    EXPECT_EQ(bare.Description(), "USB 1a86:7523");
}

TEST_F(ComPortList, ATtyWithoutADeviceNodeIsLeftOut) {
    AddTty("ttyUSB0", "ftdi_sio");
    AddTty("ttyUSB1", "ftdi_sio");
    fs::remove(Dev / "ttyUSB1");
    EXPECT_EQ(List(), (std::vector<std::string>{DevName("ttyUSB0")}));
}

TEST_F(ComPortList, AnUnreadableTtyClassRaises23) {
    try {
        EnumComPorts(Dir.Path() / "no-class", Dev);
        FAIL() << "a missing tty class listed";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code, 23);
        EXPECT_STREQ(e.what(), "Reading the system's device list failed (errno 2)");
    }
}

TEST(ComPortListSystem, ListsOnlyDevicesThatExist) {
    for (const std::string& port : EnumComPorts()) {
        EXPECT_TRUE(fs::exists(port)) << port;
        EXPECT_EQ(port.rfind("/dev/", 0), 0u) << port;
    }
}
