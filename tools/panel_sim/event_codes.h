#pragma once
// The codes the panel writes into its event log, and their texts for the simulator's own output.

#include <cstdint>
#include <string>

namespace panel_sim {

enum TEventCode : uint8_t {
    evUnknown = 0,
    evSilence = 1,        // "Ticho"
    evCancelAlarm = 2,    // "Zrus Poplach"
    evKeyOn = 3,          // "Klic On"
    evKeyOff = 4,         // "Klic Off"
    evLoopOk = 5,         // "smycka OK"
    evLoopOpen = 6,       // "Rozpojeni smycky"
    evLoopShort = 7,      // "Zkrat smycky"
    evLoopAlarm = 8,      // "Poplach na smycce"
    evLoopFault = 9,      // "Porucha smycky"
    evLoopOff = 10,       // "Odpojeni smycky"
    evQuiet = 11,         // "Klid"
    evPrealarmA = 12,     // "PredPoplachA"
    evPrealarmB = 13,     // "PredpoplachB"
    evResetA = 14,        // "ResetA"
    evResetB = 15,        // "ResetB"
    evDelayStart = 16,    // "Tz": the extinguishing delay starts
    evExtinguishing = 17, // "Th": the extinguishing time starts
    evExtinguished = 18,  // "Uhaseno"
    evResetAB = 19,       // "ResetA+B"
    evValveOk = 20,       // "VentilOK"
    evSirenOk = 24,       // "Sir Ok"
    evBatteryOk = 27,     // "Bat OK"
    evBatteryCharging = 28,
    evBatteryFault = 29,
    evBatteryFlat = 30, // "Bat vybito"
    evMainsOk = 31,     // "Sit Ok"
    evMainsFault = 32,  // "Chyba Site"
    evTamperOn = 33,
    evTamperOff = 34,
    evModeOk = 35,   // "Provoz OK"
    evModeTest = 37, // "Provoz do Testu"
    evReset = 39,    // " *** RESET ***"
    evResetExtinguishing = 40,
    evSlaveCommFault = 42, // "Komunikace slave por."
    evSlaveCommOk = 43,    // "Komunikace slave OK"
    evPressureFault = 44,
    evPressureOk = 45,
};

constexpr int EventCodeCount = 46;

// The text the panel's event table gives a code; codes past the table read "????".
std::string EventCodeText(uint8_t code);

} // namespace panel_sim
