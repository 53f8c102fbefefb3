#pragma once
// Every installation the tool knows, one row each: the device sections of "Kelm2.ini"
// ("PocetZar" sections "Zar" + n, each with its master's "id" and stored "index"), the
// installations of the registry (name, site, slaves seen, last visit) and every ID in the event
// report files. A slave's records count for its installation: a unit whose master is known is
// never a row of its own. Rows are in the order of the sections, then of the registry, then of
// the first record copied.

#include "model/event_history.h"
#include "store/ini_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TInstallationRegistry;

struct TInstallation {
    uint64_t Id = 0;              // the master's
    std::vector<uint64_t> Slaves; // every slave seen with it
    std::string Name;             // UTF-8; empty: none given
    std::string Site;
    std::optional<int> Section;              // n of "Zar" + n (the first that holds the ID)
    std::optional<int> StoredIndex;          // its "index": the next record to fetch
    uint64_t Records = 0;                    // event records copied, of the master and its slaves
    uint64_t Alarms = 0;                     // of them in the category "Alarm"
    std::optional<uint32_t> FirstPanelTime;  // event time of the oldest record copied
    std::optional<uint32_t> NewestPanelTime; // event time of the newest record copied
    std::optional<int64_t> NewestCopied;     // PC time (civil seconds) the last one was copied
    std::optional<int64_t> LastVisit;        // PC time the last visit began
};

std::vector<TInstallation> ListInstallations(const TIniValues& settings,
                                             const TEventHistory& history,
                                             const TInstallationRegistry& registry);
