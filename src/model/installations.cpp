#include "model/installations.h"

#include "model/event_bookkeeping.h"
#include "model/event_categories.h"
#include "model/installation_registry.h"
#include "model/status_record.h"

#include <algorithm>
#include <unordered_map>

std::vector<TInstallation> ListInstallations(const TIniValues& settings,
                                             const TEventHistory& history,
                                             const TInstallationRegistry& registry) {
    std::vector<TInstallation> rows;
    std::unordered_map<uint64_t, std::size_t> rowOf;
    auto rowFor = [&](uint64_t id) -> TInstallation& {
        const auto [found, added] = rowOf.emplace(id, rows.size());
        if (added) {
            rows.emplace_back().Id = id;
        }
        return rows[found->second];
    };
    const int count = settings.ReadInteger("General", "PocetZar", 0);
    for (int n = 0; n < count; ++n) {
        const std::string section = DeviceSectionName(n);
        const uint64_t id = DeviceIdValue(settings.ReadString(section, "id", "0"));
        if (id == 0) {
            continue;
        }
        // The copy takes the first section that holds the ID, and so does the list.
        TInstallation& row = rowFor(registry.MasterOf(id));
        if (!row.Section) {
            row.Section = n;
            row.StoredIndex = settings.ReadInteger(section, "index", 0);
        }
    }
    for (const TInstallationInfo& installation : registry.Installations()) {
        TInstallation& row = rowFor(installation.Master);
        row.Name = installation.Name;
        row.Site = installation.Site;
        row.LastVisit = installation.LastVisit;
        for (const auto& [slave, seen] : installation.Slaves) {
            row.Slaves.push_back(slave);
        }
    }
    std::unordered_map<uint64_t, uint64_t> masterOf; // a look-up per ID, not per record
    for (const TEventEntry& entry : history.Entries()) {
        if (entry.Kind != TEntryKind::Event || entry.Id == 0) {
            continue;
        }
        auto master = masterOf.find(entry.Id);
        if (master == masterOf.end()) {
            master = masterOf.emplace(entry.Id, registry.MasterOf(entry.Id)).first;
        }
        TInstallation& row = rowFor(master->second);
        ++row.Records;
        row.Alarms += EventCategory(entry.Code) == TEventCategory::Alarm ? 1 : 0;
        row.FirstPanelTime =
            std::min(row.FirstPanelTime.value_or(entry.PanelTime), entry.PanelTime);
        row.NewestPanelTime =
            std::max(row.NewestPanelTime.value_or(entry.PanelTime), entry.PanelTime);
        row.NewestCopied = entry.PcTime; // entries are in the order they were copied
    }
    return rows;
}
