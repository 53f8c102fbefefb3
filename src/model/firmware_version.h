#pragma once
// The firmware version last read this run, kept for the status bar for as long as the same
// installation answers: a status reply from another master (another device ID) forgets it.

#include <string>

class TFirmwareVersion {
public:
    // A version reply was decoded; `text` as the communication log shows it.
    void VersionRead(const std::string& text);
    // A status reply came from the master with this device ID (12 hexadecimal digits).
    void InstallationAnswered(const std::string& deviceId);
    // The version, or empty when none was read from the installation answering now.
    const std::string& Text() const { return FText; }

private:
    std::string FText;
    std::string FAnswering; // the device ID of the last status reply; empty before any
    std::string FReadFrom;  // the device ID answering when the version was read
};
