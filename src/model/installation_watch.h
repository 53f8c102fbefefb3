#pragma once
// What every status reply tells about the installation that answers: its master and the slaves
// present go into the registry, and another master than before begins a new visit (which the
// firmware version, read from the master before, does not survive).

#include "core/clock.h"
#include "model/status_record.h"

#include <vector>

class TFirmwareVersion;
class TInstallationRegistry;
class TVisitRecord;

// The IDs of the slaves the master block says belong to the installation (bits of SlaveFlags).
std::vector<uint64_t> SlaveIdsOf(const TStatusRecord& record);

class TInstallationWatch {
public:
    // Every part must outlive the watch.
    TInstallationWatch(TInstallationRegistry& registry, TVisitRecord& visit,
                       TFirmwareVersion& version, const IClock& clock);

    // On every status reply. The registry is only changed in memory: its file is written by
    // whoever calls TInstallationRegistry::SaveIfDue (a failure there must not hold the reply).
    void StatusAnswered(const TStatusRecord& record);

private:
    TInstallationRegistry& FRegistry;
    TVisitRecord& FVisit;
    TFirmwareVersion& FVersion;
    const IClock& FClock;
};
