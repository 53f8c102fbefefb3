// A serial port the user may not open says how to get access; other failures do not.
#include "transport/com_port_errors.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(ComPortPermission, ARefusedOpenNamesTheDialoutGroup) {
    EComPort refused(1, EACCES);
    refused.SetDevice("/dev/ttyUSB0");
    EXPECT_STREQ(refused.what(), "Unable to open com port (win error code: 13)");
    EXPECT_EQ(refused.Detail().rfind("Permission denied on /dev/ttyUSB0: ", 0), 0u);
    EXPECT_NE(refused.Detail().find("dialout group"), std::string::npos);

    EComPort missing(1, ENOENT);
    missing.SetDevice("/dev/ttyUSB0");
    EXPECT_EQ(missing.Detail(), "No such file or directory on /dev/ttyUSB0");
    EComPort write(2, EACCES); // not the open: no group to join
    write.SetDevice("/dev/ttyUSB0");
    EXPECT_EQ(write.Detail(), "Permission denied on /dev/ttyUSB0");
}
