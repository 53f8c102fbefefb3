#pragma once
// Which changes of the installation are announced: every status record goes through the rules
// (alarm_rules.h) and the watch remembers, per installation and unit, what it last announced, so
// a state already announced is never announced again, however many replies repeat it, and a
// link lost and back finds the panel as it left it. The link is announced lost when polling runs
// and no reply has come for more than ten refresh intervals, and back at the next reply.

#include "core/clock.h"
#include "model/alarm_rules.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

enum class TAnnouncementKind : uint8_t { Alarm, Fault, Cleared, LinkLost, LinkBack };

// The unit of an announcement about the link rather than a unit.
constexpr int LinkUnit = -1;

struct TAnnouncement {
    TAnnouncementKind Kind = TAnnouncementKind::Alarm;
    uint64_t Installation = 0; // the master's device ID
    int Device = 0;            // 0 master, 1 to 4 slaves, LinkUnit
    std::string Subject;       // "Line A"; empty for the link
    std::string State;         // "Short" (for a clearing: the fault that cleared)
    uint8_t EventCode = 0;     // the panel's code for the change; 0 for the link
    TDateTime Time;            // the PC's time of the announcement

    // Alarms and extinguishing are told with critical urgency.
    bool Critical() const { return Kind == TAnnouncementKind::Alarm; }
};

// "Master", "Slave 1" to "Slave 4", or "Link".
std::string UnitText(int device);
// What changed, in a few words: "Pre-alarm A", "Line A: Short", "Line A: Short cleared",
// "Link lost", "Link back".
std::string AnnouncementWhat(const TAnnouncement& a);

class TAlarmWatch {
public:
    explicit TAlarmWatch(const IClock& clock) : FClock(clock) {}

    // The announcements of one decoded status record, in rule order, unit by unit.
    std::vector<TAnnouncement> StatusDecoded(const TStatusRecord& record);

    // A look at the link: whether polling runs, the age of the last valid reply (empty before
    // the first) and the refresh interval. Gives the announcement of a link lost or back.
    std::optional<TAnnouncement> LinkLooked(bool polling, std::optional<uint32_t> ageMs,
                                            uint32_t refreshMs);

    // The installation of the last status record (0 before the first).
    uint64_t Installation() const { return FInstallation; }

private:
    // Per rule and unit: the index of the condition last announced, or -1.
    using TMemory = std::vector<std::array<int, DeviceCount>>;

    TAnnouncement Make(TAnnouncementKind kind, int device) const;

    const IClock& FClock;
    std::map<uint64_t, TMemory> FMemory;
    uint64_t FInstallation = 0;
    bool FLinkLost = false;
};
