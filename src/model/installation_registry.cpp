#include "model/installation_registry.h"

#include "core/civil_time.h"
#include "core/errors.h"
#include "model/installation_text.h"
#include "model/status_record.h"
#include "store/atomic_file.h"
#include "store/ini_document.h"
#include "store/report_file.h"

#include <algorithm>
#include <cerrno>

namespace {

// How much later a slave must have been seen again before that alone is worth a write.
constexpr int64_t LastSeenWriteSeconds = 3600;

std::string TimeText(int64_t seconds) {
    return ReportTimeStamp(CivilDateTime(seconds));
}

std::optional<int64_t> ReadTime(const std::string& text) {
    const std::optional<TDateTime> time = ParseReportTimeStamp(text + "  ");
    return time ? std::optional<int64_t>(CivilSeconds(*time)) : std::nullopt;
}

// A section name that is an ID: 12 hexadecimal digits.
std::optional<uint64_t> SectionId(const std::string& name) {
    if (name.size() != 12 ||
        name.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos) {
        return std::nullopt;
    }
    const uint64_t id = DeviceIdValue(name);
    return id != 0 ? std::optional<uint64_t>(id) : std::nullopt;
}

} // namespace

TInstallationRegistry::TInstallationRegistry(std::string path) : FPath(std::move(path)) {}

void TInstallationRegistry::Load() {
    FInstallations.clear();
    if (FPath.empty()) {
        return;
    }
    std::string bytes;
    if (!ReadWholeFile(FPath, bytes)) {
        if (errno == ENOENT) {
            return;
        }
        throw EInOutError(errno, FPath);
    }
    const TIniDocument file(bytes);
    for (const std::string& section : file.SectionNames()) {
        const std::optional<uint64_t> master = SectionId(section);
        if (!master || Find(*master) != nullptr) {
            continue;
        }
        TInstallationInfo& entry = Entry(*master);
        entry.Name = file.Find(section, "Name").value_or("");
        entry.Site = file.Find(section, "Site").value_or("");
        entry.LastVisit = ReadTime(file.Find(section, "LastVisit").value_or(""));
        for (int n = 1;; ++n) {
            const std::optional<std::string> slave =
                file.Find(section, "Slave" + std::to_string(n));
            if (!slave) {
                break;
            }
            const std::optional<uint64_t> id = SectionId(slave->substr(0, 12));
            const std::optional<int64_t> seen =
                ReadTime(slave->size() > 13 ? slave->substr(13) : "");
            if (id && *id != *master) {
                entry.Slaves[*id] = seen.value_or(0);
            }
        }
    }
}

const TInstallationInfo* TInstallationRegistry::Find(uint64_t master) const {
    const auto found = std::find_if(FInstallations.begin(), FInstallations.end(),
                                    [&](const TInstallationInfo& i) { return i.Master == master; });
    return found != FInstallations.end() ? &*found : nullptr;
}

uint64_t TInstallationRegistry::MasterOf(uint64_t id) const {
    if (Find(id) != nullptr) {
        return id;
    }
    uint64_t master = id;
    int64_t newest = -1;
    for (const TInstallationInfo& installation : FInstallations) {
        const auto slave = installation.Slaves.find(id);
        if (slave != installation.Slaves.end() && slave->second > newest) {
            master = installation.Master;
            newest = slave->second;
        }
    }
    return master;
}

std::vector<uint64_t> TInstallationRegistry::Members(uint64_t master) const {
    std::vector<uint64_t> members{master};
    if (const TInstallationInfo* installation = Find(master)) {
        for (const auto& [slave, seen] : installation->Slaves) {
            members.push_back(slave);
        }
    }
    return members;
}

std::string TInstallationRegistry::Label(uint64_t id) const {
    std::string label = DeviceIdText(id);
    const TInstallationInfo* installation = Find(id);
    if (installation != nullptr && !installation->Name.empty()) {
        label += " " + installation->Name;
    }
    if (installation != nullptr && !installation->Site.empty()) {
        label += " (" + installation->Site + ")";
    }
    return label;
}

TInstallationInfo& TInstallationRegistry::Entry(uint64_t master) {
    for (TInstallationInfo& installation : FInstallations) {
        if (installation.Master == master) {
            return installation;
        }
    }
    FInstallations.emplace_back().Master = master;
    return FInstallations.back();
}

void TInstallationRegistry::Answered(uint64_t master, const std::vector<uint64_t>& slaves,
                                     int64_t now) {
    if (master == 0) {
        return;
    }
    if (Find(master) == nullptr) {
        FDue = true;
    }
    TInstallationInfo& installation = Entry(master);
    for (uint64_t slave : slaves) {
        if (slave == 0 || slave == master) {
            continue;
        }
        const auto [at, added] = installation.Slaves.insert_or_assign(slave, now);
        FDue = FDue || added;
        // Seen again: written with the next write, or an hour later at the latest.
        FUnsavedSince = FUnsavedSince.value_or(now);
        FDue = FDue || now - *FUnsavedSince >= LastSeenWriteSeconds;
    }
}

void TInstallationRegistry::VisitStarted(uint64_t master, int64_t now) {
    if (master == 0) {
        return;
    }
    TInstallationInfo& installation = Entry(master);
    FVisitBefore.insert_or_assign(master, installation.LastVisit);
    installation.LastVisit = now;
    FDue = true;
}

std::optional<int64_t> TInstallationRegistry::PreviousVisit(uint64_t master) const {
    if (const auto found = FVisitBefore.find(master); found != FVisitBefore.end()) {
        return found->second;
    }
    const TInstallationInfo* installation = Find(master);
    return installation != nullptr ? installation->LastVisit : std::nullopt;
}

void TInstallationRegistry::SetNameAndSite(uint64_t master, const std::string& name,
                                           const std::string& site) {
    const std::string checkedName = CheckedInstallationText("name", name);
    const std::string checkedSite = CheckedInstallationText("site", site);
    const bool known = Find(master) != nullptr;
    TInstallationInfo& installation = Entry(master);
    const TInstallationInfo before = installation;
    installation.Name = checkedName;
    installation.Site = checkedSite;
    try {
        Save();
    } catch (...) {
        if (known) {
            Entry(master) = before;
        } else {
            FInstallations.pop_back();
        }
        throw;
    }
}

void TInstallationRegistry::SaveIfDue() {
    if (FDue) {
        Save();
    }
}

std::string TInstallationRegistry::Text() const {
    std::string text;
    for (const TInstallationInfo& installation : FInstallations) {
        text += "[" + DeviceIdText(installation.Master) + "]\r\n";
        text += "Name=" + installation.Name + "\r\n";
        text += "Site=" + installation.Site + "\r\n";
        if (installation.LastVisit) {
            text += "LastVisit=" + TimeText(*installation.LastVisit) + "\r\n";
        }
        int n = 0;
        for (const auto& [slave, seen] : installation.Slaves) {
            text += "Slave" + std::to_string(++n) + "=" + DeviceIdText(slave) + " " +
                    TimeText(seen) + "\r\n";
        }
        text += "\r\n";
    }
    return text;
}

void TInstallationRegistry::Save() {
    if (!FPath.empty() && !ReplaceFileAtomically(FPath, Text())) {
        throw EInOutError(errno, FPath);
    }
    FDue = false;
    FUnsavedSince.reset();
}
