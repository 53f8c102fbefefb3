#pragma once
// Every installation the tool knows: the device sections of "Kelm2.ini" ("PocetZar" sections
// "Zar" + n, each with its "id" and stored "index") and every ID in the event report files, one
// row per ID, in the order of the sections and then of the first record copied.

#include "model/event_history.h"
#include "store/ini_file.h"

#include <cstdint>
#include <optional>
#include <vector>

struct TInstallation {
    uint64_t Id = 0;
    std::optional<int> Section;              // n of "Zar" + n (the first that holds the ID)
    std::optional<int> StoredIndex;          // its "index": the next record to fetch
    uint64_t Records = 0;                    // event records copied
    std::optional<uint32_t> NewestPanelTime; // event time of the last record copied
    std::optional<int64_t> NewestCopied;     // PC time (civil seconds) it was copied
};

std::vector<TInstallation> ListInstallations(const TIniValues& settings,
                                             const TEventHistory& history);
