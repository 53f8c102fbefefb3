#include "model/firmware_version.h"

void TFirmwareVersion::VersionRead(const std::string& text) {
    FText = text;
    FReadFrom = FAnswering;
}

void TFirmwareVersion::InstallationAnswered(const std::string& deviceId) {
    if (FReadFrom.empty()) {
        FReadFrom = deviceId; // read before any status reply: the first master to answer
    } else if (deviceId != FReadFrom) {
        FText.clear();
        FReadFrom.clear();
    }
    FAnswering = deviceId;
}
