#pragma once
// What a technician must hear about even when the window is not in front: the rules that turn a
// status record into conditions worth announcing. One table: each rule reads one field of a
// unit's block (a state code, or an LED the panel lights for a fault), names the codes that are
// an alarm state or a fault with the panel's own event code for that change, and the event code
// the panel logs when a fault clears. The watch (alarm_watch.h) remembers what was announced.

#include "model/status_record.h"

#include <cstdint>
#include <span>

// How a rule's conditions are announced.
enum class TAlarmRuleKind : uint8_t {
    AlarmState, // the system state: each alarm state entered is announced, leaving it is not
    Fault,      // a new fault is announced, and so is its clearing
};

// Which units of the installation a rule is read on.
enum class TRuleUnits : uint8_t { Master, EveryUnit, Slaves };

// One code of a rule's field that is worth announcing.
struct TAlarmCondition {
    uint8_t Code;      // the rule's reading (a state code as the page selects it; 1 for an LED)
    const char* Text;  // what the announcement says, e.g. "Short"
    uint8_t EventCode; // the code the panel logs for this change (event_texts.h)
};

struct TAlarmRule {
    const char* Subject; // "System state", "Line A", "Valve", ...
    TAlarmRuleKind Kind;
    TRuleUnits Units;
    // The rule's reading of unit `device` (0 master, 1 to 4 slaves) of a record.
    uint8_t (*Read)(const TStatusRecord& record, int device);
    std::span<const TAlarmCondition> Conditions;
    uint8_t ClearEventCode; // the panel's code for "back to normal" (faults only)
};

// Every rule, in the order the announcements of one record come out.
std::span<const TAlarmRule> AlarmRules();

// Whether the rule is read on this unit: its units, and a slave only while it belongs to the
// installation (SlaveFlags).
bool RuleAppliesTo(const TAlarmRule& rule, const TMasterBlock& master, int device);

// The condition of the rule that the unit shows now, or null when it shows none.
const TAlarmCondition* PresentCondition(const TAlarmRule& rule, const TStatusRecord& record,
                                        int device);
