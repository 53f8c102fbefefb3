#pragma once
// What the units show: LED masks, output bits and state codes, derived from the installation's
// state each time a status record is built. An LED is steady (on mask only), blinks slowly (on
// and blink masks) or blinks fast (blink mask only).

#include "panel_sim/installation.h"

#include <cstdint>

namespace panel_sim {

// LED indices (bit numbers of the masks), the same on master and slaves.
enum TLed : int {
    ledReady = 0,
    ledMemory = 1,
    ledFailure = 2,
    ledAlarm = 3,
    ledPrealarm = 4,
    ledStop = 5,
    ledTest = 6,
    ledBattery = 10,
    ledMains = 11,
    ledLoopC = 13,
    ledLoopAB = 14,
    ledComm = 18,
};

// The master's "Fault slaveK" LED: bit 22 for slave 1 down to bit 19 for slave 4.
constexpr int SlaveFaultLed(int slave) {
    return 23 - slave;
}

// Output bits of the master's Out word (a slave uses only failure and valve).
enum TOutputBit : int {
    outCooling = 0,
    outTechnological = 1,
    outAlarm = 2,
    outPrealarm = 3,
    outFailure = 4,
    outTest = 5,
    outAcoustic = 6,
    outValve1 = 7,
};

struct TIndicators {
    uint32_t Led0 = 0; // on
    uint32_t Led1 = 0; // blink
    uint16_t Out = 0;
    uint8_t stHas = 0;
    uint8_t stBat = 0;
    uint8_t stV1 = 0;
    uint8_t stSir = 0;
    uint8_t stPro = 0;
};

// Battery state code of a unit: "OK", "Failure", "Charging " or "Discharged".
uint8_t BatteryState(const TUnit& unit);

TIndicators MasterIndicators(const TInstallation& installation);
// slave: 1 to 4.
TIndicators SlaveIndicators(const TInstallation& installation, int slave);

} // namespace panel_sim
