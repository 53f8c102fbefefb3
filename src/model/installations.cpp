#include "model/installations.h"

#include "model/event_bookkeeping.h"
#include "model/status_record.h"

#include <unordered_map>

std::vector<TInstallation> ListInstallations(const TIniValues& settings,
                                             const TEventHistory& history) {
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
        TInstallation& row = rowFor(id);
        if (id != 0 && !row.Section) {
            row.Section = n;
            row.StoredIndex = settings.ReadInteger(section, "index", 0);
        }
    }
    std::erase_if(rows, [](const TInstallation& row) { return row.Id == 0; });
    rowOf.clear();
    for (std::size_t k = 0; k < rows.size(); ++k) {
        rowOf[rows[k].Id] = k;
    }
    for (const TEventEntry& entry : history.Entries()) {
        if (entry.Kind != TEntryKind::Event) {
            continue;
        }
        TInstallation& row = rowFor(entry.Id);
        ++row.Records;
        row.NewestPanelTime = entry.PanelTime; // entries are in the order they were copied
        row.NewestCopied = entry.PcTime;
    }
    return rows;
}
