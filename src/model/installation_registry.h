#pragma once
// The installations the tool has met: each one a master's device ID with the IDs of the slaves
// its status replies named (a slave may be replaced over the years: every one seen is kept,
// with the PC time it was last seen), the name and site the technician gave it, and when its
// last visit began. It lives in "Installations.ini" beside "Kelm2.ini", whose device sections
// ("Zar" + n, the copy's bookkeeping) it leaves alone; a missing file is an empty registry, so
// older files directories keep working. The file is replaced whole and synced like the
// settings file, so a crash leaves the old or the new one, never half of it:
//
//   [00C0FFEE0000]
//   Name=Boiler house
//   Site=Brno, hall 3
//   LastVisit=07.12.26 10:05:00
//   Slave1=00C0FFEE0001 07.12.26 10:47:12
//
// Times are the PC's local time as civil seconds (civil_time.h) in memory.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* InstallationsFileName = "Installations.ini";

struct TInstallationInfo {
    uint64_t Master = 0;
    std::string Name; // UTF-8, checked by CheckedInstallationText; empty: none given
    std::string Site;
    std::map<uint64_t, int64_t> Slaves; // slave ID: PC time last seen
    std::optional<int64_t> LastVisit;   // PC time the newest visit began
};

class TInstallationRegistry {
public:
    // `path`: the file; empty keeps the registry in memory only.
    explicit TInstallationRegistry(std::string path = {});

    // Reads the file (a missing one is empty). Lines that do not read are passed over.
    // Raises EInOutError when the file is there but cannot be read.
    void Load();

    const std::vector<TInstallationInfo>& Installations() const { return FInstallations; }
    const TInstallationInfo* Find(uint64_t master) const;
    // The installation a unit belongs to: itself when it is a master the registry knows, else
    // the master whose status replies named it last, else itself.
    uint64_t MasterOf(uint64_t id) const;
    // The master and every slave ever seen with it.
    std::vector<uint64_t> Members(uint64_t master) const;
    // "00C0FFEE0000 Boiler house (Brno, hall 3)", or the ID alone without name and site.
    std::string Label(uint64_t id) const;

    // A status reply of `master` named these slaves at PC time `now`. Kept in memory; a master
    // or slave not known before, or last-seen times an hour old that are not written yet, make
    // the file due (SaveIfDue).
    void Answered(uint64_t master, const std::vector<uint64_t>& slaves, int64_t now);
    // A visit of `master` began at `now`: the start of the visit before it stays known as
    // PreviousVisit. Makes the file due.
    void VisitStarted(uint64_t master, int64_t now);
    // When the visit before the current one began (the last one, when the installation has not
    // answered in this run); empty when it was never visited before.
    std::optional<int64_t> PreviousVisit(uint64_t master) const;
    // Checks both texts (CheckedInstallationText, which raises) and saves at once. Raises
    // EInOutError when the file cannot be written; the texts are then not taken.
    void SetNameAndSite(uint64_t master, const std::string& name, const std::string& site);

    // Writes the file when something made it due. Raises EInOutError; it stays due.
    void SaveIfDue();
    bool Due() const { return FDue; }

private:
    TInstallationInfo& Entry(uint64_t master);
    std::string Text() const;
    void Save();

    std::string FPath;
    std::vector<TInstallationInfo> FInstallations;
    std::map<uint64_t, std::optional<int64_t>> FVisitBefore; // masters visited in this run
    bool FDue = false;
    std::optional<int64_t> FUnsavedSince; // the first last-seen time not yet written
};
