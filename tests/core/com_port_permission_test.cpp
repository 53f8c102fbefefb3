// A serial port the user may not open says how to get access; other failures do not.
#include "transport/com_port_errors.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(ComPortPermission, OnlyARefusedOpenNamesTheDialoutGroup) {
    EComPort refused(1, EACCES), missing(1, ENOENT), write(2, EACCES);
    for (EComPort* error : {&refused, &missing, &write}) {
        error->SetDevice("/dev/ttyUSB0");
    }
    EXPECT_EQ(refused.Detail().rfind("Permission denied on /dev/ttyUSB0: ", 0), 0u);
    EXPECT_NE(refused.Detail().find("dialout group"), std::string::npos);
    EXPECT_EQ(missing.Detail(), "No such file or directory on /dev/ttyUSB0");
    EXPECT_EQ(write.Detail(), "Permission denied on /dev/ttyUSB0");
}
