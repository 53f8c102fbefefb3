#include "model/firmware_version.h"

#include <gtest/gtest.h>

// The version stays while the installation it was read from answers, and a version read
// before any status reply belongs to the first master that answers.
TEST(FirmwareVersion, StaysUntilAnotherInstallationAnswers) {
    TFirmwareVersion firmware;
    firmware.VersionRead("KELM 2.1");
    firmware.InstallationAnswered("00A1B2C3D400");
    firmware.InstallationAnswered("00A1B2C3D400");
    EXPECT_EQ(firmware.Text(), "KELM 2.1");
    firmware.InstallationAnswered("00A1B2C3D401");
    EXPECT_EQ(firmware.Text(), "");
    firmware.VersionRead("KELM 2.2");
    firmware.InstallationAnswered("00A1B2C3D401");
    EXPECT_EQ(firmware.Text(), "KELM 2.2");
    firmware.InstallationAnswered("00A1B2C3D400");
    EXPECT_EQ(firmware.Text(), "");
}
