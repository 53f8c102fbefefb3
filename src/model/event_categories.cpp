#include "model/event_categories.h"

namespace {
using enum TEventCategory;
} // namespace

const std::array<TEventCategory, EventTextCount> EventCategories = {
    Fault,     // 0 "????": a code the panel should not send
    Reset,     // 1 "Ticho"
    Reset,     // 2 "Zrus Poplach"
    Mode,      // 3 "Klic On"
    Mode,      // 4 "Klic Off"
    Fault,     // 5 "smycka OK"
    Fault,     // 6 "Rozpojeni smycky"
    Fault,     // 7 "Zkrat smycky"
    Alarm,     // 8 "Poplach na smycce"
    Fault,     // 9 "Porucha smycky"
    Fault,     // 10 "Odpojeni smycky"
    Alarm,     // 11 "Klid": the loop back at rest after an alarm
    Alarm,     // 12 "PredPoplachA"
    Alarm,     // 13 "PredpoplachB"
    Reset,     // 14 "ResetA"
    Reset,     // 15 "ResetB"
    Alarm,     // 16 "Tz": the delay before extinguishing runs
    Alarm,     // 17 "Th": extinguishing
    Alarm,     // 18 "Uhaseno"
    Reset,     // 19 "ResetA+B"
    Fault,     // 20 "VentilOK"
    Fault,     // 21 "VentilZkrat"
    Fault,     // 22 "Ventil Rozpojeno"
    Fault,     // 23 "Ventil Vadna Civka"
    Fault,     // 24 "Sir Ok"
    Fault,     // 25 "Sir Zkrat"
    Fault,     // 26 "Sir Rozpojeno"
    Power,     // 27 "Bat OK"
    Power,     // 28 "Bat Nabijeni"
    Power,     // 29 "Bat Chyba"
    Power,     // 30 "Bat vybito"
    Power,     // 31 "Sit Ok"
    Power,     // 32 "Chyba Site"
    Tamper,    // 33 "Tamper On"
    Tamper,    // 34 "Tamper Off"
    Mode,      // 35 "Provoz OK"
    Mode,      // 36 "Provoz Priprava"
    Mode,      // 37 "Provoz do Testu"
    Mode,      // 38 "Provoz Stop"
    Reset,     // 39 " *** RESET ***"
    Reset,     // 40 " *** RESET HASENI ***"
    Tamper,    // 41 "Tamper"
    SlaveComm, // 42 "Komunikace slave por."
    SlaveComm, // 43 "Komunikace slave OK"
    Pressure,  // 44 "Tlak por."
    Pressure,  // 45 "Tlak OK"
};

const char* EventCategoryName(TEventCategory category) {
    static constexpr std::array<const char*, EventCategoryCount> Names = {
        "Alarms and pre-alarms", "Faults", "Resets and silencing", "Operating mode",
        "Power and battery",     "Tamper", "Slave communication",  "Pressure"};
    return Names[static_cast<std::size_t>(category)];
}
