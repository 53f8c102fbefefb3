#include "model/firmware_version.h"

void TFirmwareVersion::Record(const std::string& text, const TDateTime& time) {
    FKnown = true;
    FText = text;
    FReadAt = time;
    // A watcher may unwatch itself while being told: walk by index over a copy.
    const std::vector<TWatcher> watchers = FWatchers;
    for (const TWatcher& watcher : watchers) {
        if (watcher) {
            watcher();
        }
    }
}

std::size_t TFirmwareVersion::Watch(TWatcher watcher) {
    FWatchers.push_back(std::move(watcher));
    return FWatchers.size() - 1;
}

void TFirmwareVersion::Unwatch(std::size_t id) {
    if (id < FWatchers.size()) {
        FWatchers[id] = nullptr;
    }
}
