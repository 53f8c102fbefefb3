#pragma once
// One unit of the simulated installation (device 0 the master, 1 to 4 the slaves): its ID, the
// values its last measurement gave, its detection lines and the faults it has.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace panel_sim {

// The fifteen measured values in record order. Units: millivolts for voltages, microamperes for
// currents, tenths of a degree Celsius for temperatures, millibar for pressure.
enum TValue : int {
    vVA,
    vIA,
    vVB,
    vIB,
    vVC,
    vIC,
    vVNet,
    vVDet,
    vVBat,
    vVHas1,
    vVSir,
    vTE,
    vTI,
    vTB,
    vP,
    ValueCount
};

// The record's name of a value ("VNet"), and back; an unknown name gives std::nullopt.
const char* ValueName(TValue value);
std::optional<TValue> ValueByName(const std::string& name);

// Line state codes as the panel reports them.
enum TLineCode : uint8_t {
    lnSilent = 0,
    lnDisconnected = 2,
    lnShort = 4,
    lnAlarm = 6,
    lnFailure = 8,
    lnOff = 9,
};

constexpr int LineCount = 3; // A, B and the button line C

// The battery's charge follows the mains: it runs down on battery, charges back afterwards.
constexpr double BatteryFullMv = 26000.0;
constexpr double BatteryFlatMv = 22500.0;  // below this the battery reports "Discharged"
constexpr double BatteryEmptyMv = 20000.0; // the deep-discharge cut-off

struct TUnit {
    uint64_t Id = 0;
    std::array<uint16_t, ValueCount> Values{};
    // Values held by a scenario ("set"): the measurement centres on them instead of on what
    // the unit's state would give.
    std::array<std::optional<uint16_t>, ValueCount> Pinned{};
    std::array<uint8_t, LineCount> Lines{}; // line codes of A, B, C
    bool MainsFault = false;
    bool BatteryFault = false;
    bool CommFault = false; // slaves only: the master has lost contact with it
    bool BatteryFlat = false;
    double BatteryMv = BatteryFullMv;
    uint8_t CMer = 0; // measurement count, wraps at 256

    // Charging after a mains failure (nothing to do with a battery fault).
    bool Charging() const {
        return !MainsFault && !BatteryFault && BatteryMv < BatteryFullMv - 100;
    }
    // Any fault of the unit itself (a lost slave is the master's fault, see CommFault).
    bool HasFault() const;
    bool LineInAlarm() const;
};

} // namespace panel_sim
