#include "model/firmware_version.h"

void TFirmwareVersion::Record(const std::string& text, const TDateTime& time) {
    FKnown = true;
    FText = text;
    FReadAt = time;
    FReadFrom = FAnswering;
    // A watcher may unwatch itself while being told: walk over a copy.
    const std::vector<TWatcher> watchers = FWatchers;
    for (const TWatcher& watcher : watchers) {
        if (watcher) {
            watcher();
        }
    }
}

void TFirmwareVersion::InstallationAnswered(const std::string& deviceId) {
    if (FKnown && FReadFrom.empty()) {
        FReadFrom = deviceId; // read before any status reply: the first master to answer
    } else if (FKnown && deviceId != FReadFrom) {
        FKnown = false;
        FText.clear();
        FReadFrom.clear();
    }
    FAnswering = deviceId;
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
