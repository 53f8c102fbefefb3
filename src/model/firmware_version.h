#pragma once
// The firmware version the master last sent in this run: the one place the window's parts read
// it from (the service report, the status bar). Nothing is kept between runs: a panel may have
// been updated since.

#include "core/clock.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class TFirmwareVersion {
public:
    using TWatcher = std::function<void()>;

    // A version reply was decoded: text as the panel sent it (Windows-1250 bytes), at the PC's
    // time `time`. Every watcher is told, in the order they were added.
    void Record(const std::string& text, const TDateTime& time);

    bool Known() const { return FKnown; }
    // The last text read (empty before the first reply) and when it came.
    const std::string& Text() const { return FText; }
    const TDateTime& ReadAt() const { return FReadAt; }

    // Told after every Record. The result names the watcher for Unwatch.
    std::size_t Watch(TWatcher watcher);
    void Unwatch(std::size_t id);

private:
    bool FKnown = false;
    std::string FText;
    TDateTime FReadAt;
    std::vector<TWatcher> FWatchers; // an empty slot: removed
};
