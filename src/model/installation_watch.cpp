#include "model/installation_watch.h"

#include "core/civil_time.h"
#include "model/firmware_version.h"
#include "model/installation_registry.h"
#include "model/visit_record.h"

std::vector<uint64_t> SlaveIdsOf(const TStatusRecord& record) {
    std::vector<uint64_t> ids;
    for (int k = 1; k <= SlaveCount; ++k) {
        if ((record.Master.SlaveFlags >> (k - 1) & 1U) != 0) {
            ids.push_back(record.Slaves[static_cast<std::size_t>(k - 1)].ID);
        }
    }
    return ids;
}

TInstallationWatch::TInstallationWatch(TInstallationRegistry& registry, TVisitRecord& visit,
                                       TFirmwareVersion& version, const IClock& clock)
    : FRegistry(registry), FVisit(visit), FVersion(version), FClock(clock) {}

void TInstallationWatch::StatusAnswered(const TStatusRecord& record) {
    const uint64_t master = record.Master.ID;
    const int64_t now = CivilSeconds(FClock.Now());
    FVersion.InstallationAnswered(DeviceIdText(master));
    FRegistry.Answered(master, SlaveIdsOf(record), now);
    if (FVisit.InstallationAnswered(master)) {
        FRegistry.VisitStarted(master, now);
    }
}
