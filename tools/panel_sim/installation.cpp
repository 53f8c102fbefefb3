#include "panel_sim/installation.h"

#include "panel_sim/event_codes.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace panel_sim {

namespace {
constexpr int LineA = 0;
constexpr int LineB = 1;
} // namespace

TInstallation::TInstallation(const TInstallationConfig& config, IEventSink& events)
    : FEvents(events), FConfig(config), FDrift(config.Seed) {
    SetSlaves(config.Slaves);
    for (int d = 0; d < 5; ++d) {
        FUnits[d].Id = config.Ids[d];
    }
    MeasureNow();
}

void TInstallation::SetSlaves(int count) {
    if (count < 0 || count > 4) {
        throw std::out_of_range("number of slaves must be 0 to 4");
    }
    for (int k = count + 1; k <= 4; ++k) {
        FUnits[k].CommFault = false; // a slave taken out of the installation is not missed
    }
    FSlaves = count;
}

void TInstallation::RequireInstalled(int device) const {
    if (device < 0 || device > FSlaves) {
        throw std::invalid_argument(device == 0 || device > 4
                                        ? "no such device: " + std::to_string(device)
                                        : "slave " + std::to_string(device) + " is not installed");
    }
}

uint16_t TInstallation::TimTenths() const {
    if (FPhase != TPhase::Delay && FPhase != TPhase::Extinguishing) {
        return 0;
    }
    return static_cast<uint16_t>(std::clamp(std::ceil(FPhaseLeft * 10.0), 0.0, 65535.0));
}

uint8_t TInstallation::SystemState() const {
    switch (FPhase) {
    case TPhase::Quiet:
        return 0; // "Ready"
    case TPhase::Prealarm: {
        bool lineA = std::any_of(FUnits.begin(), FUnits.end(),
                                 [](const TUnit& u) { return u.Lines[LineA] == lnAlarm; });
        return lineA ? 1 : 3; // "Prealarm A" / "Prealarm B"
    }
    case TPhase::Delay:
        return 5; // "Delayed Ex."
    case TPhase::Extinguishing:
        return 6; // "Exting. Time"
    case TPhase::Extinguished:
        return 7; // "Extinguished"
    case TPhase::Resetting:
        return FResetState;
    }
    return 0;
}

TOutputsActive TInstallation::Outputs() const {
    TOutputsActive out;
    out.Valve = FPhase == TPhase::Extinguishing;
    out.Siren =
        FPhase == TPhase::Prealarm || FPhase == TPhase::Delay || FPhase == TPhase::Extinguishing;
    out.Discharged = FDischarged;
    return out;
}

void TInstallation::Prealarm(int device, int loop) {
    RequireInstalled(device);
    if (loop != LineA && loop != LineB) {
        throw std::invalid_argument("a prealarm comes from line A or B");
    }
    LineToAlarm(device, loop);
}

void TInstallation::Alarm(int device) {
    RequireInstalled(device);
    LineToAlarm(device, LineA);
    LineToAlarm(device, LineB);
}

void TInstallation::LineToAlarm(int device, int loop) {
    TUnit& unit = FUnits[device];
    if (unit.Lines[loop] == lnAlarm) {
        return;
    }
    if (FPhase == TPhase::Resetting) {
        FPhase = TPhase::Quiet;
    }
    unit.Lines[loop] = lnAlarm;
    FEvents.AddEvent(evLoopAlarm, device, loop);
    FEvents.AddEvent(loop == LineA ? evPrealarmA : evPrealarmB, device, loop);
    if (FPhase == TPhase::Quiet) {
        FPhase = TPhase::Prealarm;
    }
    // Both lines of one unit confirm the fire: the extinguishing delay starts.
    if (FPhase == TPhase::Prealarm && unit.Lines[LineA] == lnAlarm &&
        unit.Lines[LineB] == lnAlarm) {
        StartDelay();
    }
}

void TInstallation::StartDelay() {
    FPhase = TPhase::Delay;
    FPhaseLeft = FConfig.DelaySeconds;
    FEvents.AddEvent(evDelayStart, 0, 0);
    if (FPhaseLeft <= 0.0) {
        StartExtinguishing();
    }
}

void TInstallation::Extinguish() {
    if (FPhase == TPhase::Quiet || FPhase == TPhase::Prealarm || FPhase == TPhase::Resetting) {
        Alarm(0);
    }
    if (FPhase == TPhase::Delay) {
        StartExtinguishing();
    }
}

void TInstallation::StartExtinguishing() {
    FPhase = TPhase::Extinguishing;
    FPhaseLeft = FConfig.ExtinguishSeconds;
    FDischarged = true;
    FEvents.AddEvent(evExtinguishing, 0, 0);
}

void TInstallation::Reset() {
    if (FPhase == TPhase::Quiet || FPhase == TPhase::Resetting) {
        FEvents.AddEvent(evReset, 0, 0);
        return;
    }
    bool anyA = false, anyB = false;
    for (const TUnit& u : FUnits) {
        anyA = anyA || u.Lines[LineA] == lnAlarm;
        anyB = anyB || u.Lines[LineB] == lnAlarm;
    }
    if (FDischarged) {
        FEvents.AddEvent(evResetExtinguishing, 0, 0);
        FResetState = 9; // "Reset"
    } else if (FPhase == TPhase::Delay || (anyA && anyB)) {
        FEvents.AddEvent(evResetAB, 0, 0);
        FResetState = 8; // "Reset A+B"
    } else {
        FEvents.AddEvent(anyA ? evResetA : evResetB, 0, anyA ? LineA : LineB);
        FResetState = anyA ? 2 : 4; // "Reset A" / "Reset B"
    }
    for (int d = 0; d <= FSlaves; ++d) {
        for (int loop = 0; loop < LineCount; ++loop) {
            if (FUnits[d].Lines[loop] == lnAlarm) {
                FUnits[d].Lines[loop] = lnSilent;
                FEvents.AddEvent(evLoopOk, d, loop);
            }
        }
    }
    FEvents.AddEvent(evReset, 0, 0);
    FPhase = TPhase::Resetting;
    FPhaseLeft = FConfig.ResetSeconds;
    FDischarged = false;
}

void TInstallation::SetMainsFault(int device, bool fault) {
    RequireInstalled(device);
    TUnit& unit = FUnits[device];
    if (unit.MainsFault == fault) {
        return;
    }
    unit.MainsFault = fault;
    FEvents.AddEvent(fault ? evMainsFault : evMainsOk, device, 0);
    if (unit.Charging()) {
        FEvents.AddEvent(evBatteryCharging, device, 0);
    }
}

void TInstallation::SetBatteryFault(int device, bool fault) {
    RequireInstalled(device);
    TUnit& unit = FUnits[device];
    if (unit.BatteryFault == fault) {
        return;
    }
    unit.BatteryFault = fault;
    FEvents.AddEvent(fault ? evBatteryFault : evBatteryOk, device, 0);
}

void TInstallation::SetCommFault(int slave, bool fault) {
    if (slave < 1) {
        throw std::invalid_argument("the master cannot lose contact with itself");
    }
    RequireInstalled(slave);
    if (FUnits[slave].CommFault == fault) {
        return;
    }
    FUnits[slave].CommFault = fault;
    FEvents.AddEvent(fault ? evSlaveCommFault : evSlaveCommOk, slave, 0);
}

void TInstallation::SetLineState(int device, int loop, uint8_t code) {
    RequireInstalled(device);
    if (loop < 0 || loop >= LineCount) {
        throw std::invalid_argument("lines are A, B and C");
    }
    uint8_t event = 0;
    switch (code) {
    case lnSilent:
        event = evLoopOk;
        break;
    case lnDisconnected:
        event = evLoopOpen;
        break;
    case lnShort:
        event = evLoopShort;
        break;
    case lnFailure:
        event = evLoopFault;
        break;
    case lnOff:
        event = evLoopOff;
        break;
    default:
        throw std::invalid_argument("not a line fault: " + std::to_string(code));
    }
    if (FUnits[device].Lines[loop] == code) {
        return;
    }
    FUnits[device].Lines[loop] = code;
    FEvents.AddEvent(event, device, loop);
}

void TInstallation::LogEvent(uint8_t code, int device, int loop) {
    RequireInstalled(device);
    if (loop < 0 || loop > 15) {
        throw std::invalid_argument("a loop number is 0 to 15");
    }
    FEvents.AddEvent(code, device, loop);
}

void TInstallation::PinValue(int device, TValue value, std::optional<uint16_t> level) {
    RequireInstalled(device);
    FUnits[device].Pinned[value] = level;
    FUnits[device].Values[value] = level ? *level : TargetValue(FUnits[device], value, Outputs());
}

void TInstallation::Advance(double seconds) {
    if (seconds <= 0.0) {
        return;
    }
    RunTimers(seconds);
    FSinceMeasure += seconds;
    if (FSinceMeasure >= 1.0) {
        double whole = std::floor(FSinceMeasure);
        FSinceMeasure -= whole;
        MeasureAll(whole);
    }
}

void TInstallation::RunTimers(double seconds) {
    if (FPhase == TPhase::Delay || FPhase == TPhase::Extinguishing || FPhase == TPhase::Resetting) {
        FPhaseLeft -= seconds;
    }
    if (FPhase == TPhase::Delay && FPhaseLeft <= 0.0) {
        double over = -FPhaseLeft;
        StartExtinguishing();
        FPhaseLeft -= over;
    }
    if (FPhase == TPhase::Extinguishing && FPhaseLeft <= 0.0) {
        FPhase = TPhase::Extinguished;
        FEvents.AddEvent(evExtinguished, 0, 0);
    }
    if (FPhase == TPhase::Resetting && FPhaseLeft <= 0.0) {
        FPhase = TPhase::Quiet;
    }
}

void TInstallation::MeasureAll(double seconds) {
    for (int d = 0; d <= FSlaves; ++d) {
        RunBattery(FUnits[d], d, seconds);
        // A slave out of contact keeps the last values the master got from it.
        if (!FUnits[d].CommFault) {
            Measure(FUnits[d], d, FDrift, Outputs());
        }
    }
}

void TInstallation::RunBattery(TUnit& unit, int device, double seconds) {
    if (unit.BatteryFault) {
        return;
    }
    if (unit.MainsFault) {
        unit.BatteryMv =
            std::max(BatteryEmptyMv, unit.BatteryMv - FConfig.BatteryDrainMvPerS * seconds);
        if (!unit.BatteryFlat && unit.BatteryMv < BatteryFlatMv) {
            unit.BatteryFlat = true;
            FEvents.AddEvent(evBatteryFlat, device, 0);
        }
        return;
    }
    if (unit.BatteryMv >= BatteryFullMv) {
        return;
    }
    bool wasCharging = unit.Charging();
    unit.BatteryMv =
        std::min(BatteryFullMv, unit.BatteryMv + FConfig.BatteryChargeMvPerS * seconds);
    if (unit.BatteryFlat && unit.BatteryMv >= BatteryFlatMv + 500) {
        unit.BatteryFlat = false;
    }
    if (wasCharging && !unit.Charging()) {
        FEvents.AddEvent(evBatteryOk, device, 0);
    }
}

void TInstallation::MeasureNow() {
    for (int d = 0; d < 5; ++d) {
        Measure(FUnits[d], d, FDrift, Outputs());
    }
}

} // namespace panel_sim
