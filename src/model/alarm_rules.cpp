#include "model/alarm_rules.h"

#include "model/panel_texts.h"

#include <array>

namespace {

// LEDs the panel lights (steady or blinking) for faults it has no state code for.
constexpr int LedFaultMains = 11;
constexpr int LedFaultPressure = 12;

// A state code as the page selects it: a code past its list counts as the last item.
uint8_t StateCode(TStateField field, uint8_t code) {
    return static_cast<uint8_t>(StateItemIndex(field, code));
}

const TSlaveBlock& SlaveOf(const TStatusRecord& r, int device) {
    return r.Slaves[static_cast<std::size_t>(device - 1)];
}

uint8_t SystemState(const TStatusRecord& r, int) {
    return StateCode(TStateField::stHas, r.Master.stHas);
}

template <TStateField Field> uint8_t Line(const TStatusRecord& r, int device) {
    uint8_t code = 0;
    if (device == 0) {
        code = Field == TStateField::LineA   ? r.Master.LineA
               : Field == TStateField::LineB ? r.Master.LineB
                                             : r.Master.LineC;
    } else {
        const TSlaveBlock& s = SlaveOf(r, device);
        code = Field == TStateField::LineA   ? s.LineA
               : Field == TStateField::LineB ? s.LineB
                                             : s.LineC;
    }
    return StateCode(Field, code);
}

uint8_t Valve(const TStatusRecord& r, int device) {
    return StateCode(TStateField::stV1, device == 0 ? r.Master.stV1 : SlaveOf(r, device).stV1);
}

uint8_t Signaller(const TStatusRecord& r, int) {
    return StateCode(TStateField::stSir, r.Master.stSir);
}

uint8_t Battery(const TStatusRecord& r, int device) {
    return StateCode(TStateField::stBat, device == 0 ? r.Master.stBat : SlaveOf(r, device).stBat);
}

// An LED of the unit lit or blinking at either rate.
template <int Index> uint8_t LedShown(const TStatusRecord& r, int device) {
    const uint32_t masks = device == 0 ? r.Master.Led0 | r.Master.Led1
                                       : SlaveOf(r, device).Led0 | SlaveOf(r, device).Led1;
    return static_cast<uint8_t>((masks >> Index) & 1U);
}

// The master blinks "Fault slave1" (LED 22) to "Fault slave4" (LED 19) while it has lost a slave;
// steady, the LED only tells of a fault of the slave's own.
uint8_t SlaveLost(const TStatusRecord& r, int device) {
    return static_cast<uint8_t>((r.Master.Led1 >> (23 - device)) & 1U);
}

// Event codes the panel logs (event_texts.cpp).
constexpr std::array SystemConditions = {
    TAlarmCondition{1, "Pre-alarm A", 12},                  // "PredPoplachA"
    TAlarmCondition{3, "Pre-alarm B", 13},                  // "PredpoplachB"
    TAlarmCondition{5, "Alarm, extinguishing delayed", 16}, // "Tz"
    TAlarmCondition{6, "Extinguishing", 17},                // "Th"
    TAlarmCondition{7, "Extinguished", 18},                 // "Uhaseno"
};
constexpr std::array LineConditions = {
    TAlarmCondition{2, "Disconnected", 6}, // "Rozpojeni smycky"
    TAlarmCondition{4, "Short", 7},        // "Zkrat smycky"
    TAlarmCondition{8, "Failure", 9},      // "Porucha smycky"
};
constexpr std::array ValveConditions = {
    TAlarmCondition{1, "Raised resistance", 23}, // "Ventil Vadna Civka"
    TAlarmCondition{2, "Disconnected", 22},      // "Ventil Rozpojeno"
    TAlarmCondition{3, "Short", 21},             // "VentilZkrat"
};
constexpr std::array SignallerConditions = {
    TAlarmCondition{1, "Disconnected", 26}, // "Sir Rozpojeno"
    TAlarmCondition{2, "Short", 25},        // "Sir Zkrat"
};
constexpr std::array BatteryConditions = {
    TAlarmCondition{1, "Failure", 29},    // "Bat Chyba"
    TAlarmCondition{3, "Discharged", 30}, // "Bat vybito"
};
constexpr std::array MainsConditions = {TAlarmCondition{1, "Failure", 32}};  // "Chyba Site"
constexpr std::array PressureConditions = {TAlarmCondition{1, "Fault", 44}}; // "Tlak por."
constexpr std::array SlaveLostConditions = {
    TAlarmCondition{1, "Lost", 42}}; // "Komunikace slave por."

using enum TAlarmRuleKind;
using enum TRuleUnits;

const std::array Rules = {
    TAlarmRule{"System state", AlarmState, Master, SystemState, SystemConditions, 0},
    TAlarmRule{"Line A", Fault, EveryUnit, Line<TStateField::LineA>, LineConditions, 5},
    TAlarmRule{"Line B", Fault, EveryUnit, Line<TStateField::LineB>, LineConditions, 5},
    // Slaves have no line C of their own ("smycka OK" is the panel's word for a loop at rest).
    TAlarmRule{"Line C", Fault, Master, Line<TStateField::LineC>, LineConditions, 5},
    TAlarmRule{"Valve", Fault, EveryUnit, Valve, ValveConditions, 20},          // "VentilOK"
    TAlarmRule{"Signaller", Fault, Master, Signaller, SignallerConditions, 24}, // "Sir Ok"
    TAlarmRule{"Mains", Fault, EveryUnit, LedShown<LedFaultMains>, MainsConditions, 31}, // "Sit Ok"
    TAlarmRule{"Battery", Fault, EveryUnit, Battery, BatteryConditions, 27},             // "Bat OK"
    TAlarmRule{"Pressure", Fault, EveryUnit, LedShown<LedFaultPressure>, PressureConditions,
               45}, // "Tlak OK"
    TAlarmRule{"Slave communication", Fault, Slaves, SlaveLost, SlaveLostConditions,
               43}, // "Komunikace slave OK"
};

} // namespace

std::span<const TAlarmRule> AlarmRules() {
    return Rules;
}

bool RuleAppliesTo(const TAlarmRule& rule, const TMasterBlock& master, int device) {
    if (device == 0) {
        return rule.Units != Slaves;
    }
    return rule.Units != Master && ((master.SlaveFlags >> (device - 1)) & 1U) != 0;
}

const TAlarmCondition* PresentCondition(const TAlarmRule& rule, const TStatusRecord& record,
                                        int device) {
    const uint8_t code = rule.Read(record, device);
    for (const TAlarmCondition& condition : rule.Conditions) {
        if (condition.Code == code) {
            return &condition;
        }
    }
    return nullptr;
}
