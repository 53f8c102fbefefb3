#pragma once
// The firmware version the master sent in this run, as long as the same installation answers:
// the one place the window's parts read it from (the service report, the status bar). A status
// reply from another master (another device ID) forgets it; nothing is kept between runs, as a
// panel may have been updated since.

#include "core/clock.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class TFirmwareVersion {
public:
    using TWatcher = std::function<void()>;

    // A version reply was decoded: text as the communication log shows it, at the PC's time
    // `time`. Every watcher is told, in the order they were added.
    void Record(const std::string& text, const TDateTime& time);
    // A status reply came from the master with this device ID (12 hexadecimal digits).
    void InstallationAnswered(const std::string& deviceId);

    bool Known() const { return FKnown; }
    // The version (empty while none is known) and when it came.
    const std::string& Text() const { return FText; }
    const TDateTime& ReadAt() const { return FReadAt; }
    // The device ID of the last status reply; empty before any.
    const std::string& Answering() const { return FAnswering; }

    // Told after every Record. The result names the watcher for Unwatch.
    std::size_t Watch(TWatcher watcher);
    void Unwatch(std::size_t id);

private:
    bool FKnown = false;
    std::string FText;
    TDateTime FReadAt;
    std::string FAnswering;          // the device ID of the last status reply; empty before any
    std::string FReadFrom;           // the device ID answering when the version was read
    std::vector<TWatcher> FWatchers; // an empty slot: removed
};
