#include "panel_sim/indicators.h"

namespace panel_sim {

namespace {

void Steady(TIndicators& i, int led) {
    i.Led0 |= 1u << led;
}

void BlinkSlow(TIndicators& i, int led) {
    i.Led0 |= 1u << led;
    i.Led1 |= 1u << led;
}

void BlinkFast(TIndicators& i, int led) {
    i.Led1 |= 1u << led;
}

void SetOut(TIndicators& i, int bit) {
    i.Out = static_cast<uint16_t>(i.Out | (1u << bit));
}

bool LineFault(const TUnit& unit, int loop) {
    uint8_t l = unit.Lines[loop];
    return l != lnSilent && l != lnAlarm;
}

// The LEDs every unit has for its own supply and lines.
void UnitFaultLeds(TIndicators& i, const TUnit& unit) {
    if (unit.BatteryFault || unit.BatteryFlat) {
        Steady(i, ledBattery);
    }
    if (unit.MainsFault) {
        Steady(i, ledMains);
    }
    if (LineFault(unit, 0) || LineFault(unit, 1)) {
        Steady(i, ledLoopAB);
    }
    if (LineFault(unit, 2)) {
        Steady(i, ledLoopC);
    }
}

// Alarm LED: blinking while the sequence runs, steady once extinguished.
void AlarmLed(TIndicators& i, TPhase phase) {
    if (phase == TPhase::Delay || phase == TPhase::Extinguishing) {
        BlinkSlow(i, ledAlarm);
    } else if (phase == TPhase::Extinguished) {
        Steady(i, ledAlarm);
    }
}

} // namespace

uint8_t BatteryState(const TUnit& unit) {
    if (unit.BatteryFault) {
        return 1; // "Failure"
    }
    if (unit.BatteryFlat) {
        return 3; // "Discharged"
    }
    return unit.Charging() ? 2 : 0; // "Charging " / "OK"
}

TIndicators MasterIndicators(const TInstallation& inst) {
    TIndicators i;
    const TUnit& master = inst.Unit(0);
    TPhase phase = inst.Phase();
    bool fault = master.HasFault();
    for (int k = 1; k <= inst.Slaves(); ++k) {
        const TUnit& slave = inst.Unit(k);
        if (slave.CommFault) {
            BlinkSlow(i, SlaveFaultLed(k));
            Steady(i, ledComm);
            fault = true;
        } else if (slave.HasFault()) {
            Steady(i, SlaveFaultLed(k));
            fault = true;
        }
    }
    bool alarm = phase != TPhase::Quiet && phase != TPhase::Resetting;
    if (!alarm && !fault && phase == TPhase::Quiet) {
        Steady(i, ledReady);
    }
    if (fault) {
        Steady(i, ledFailure);
        SetOut(i, outFailure);
    }
    UnitFaultLeds(i, master);
    AlarmLed(i, phase);
    if (phase == TPhase::Prealarm) {
        BlinkFast(i, ledPrealarm);
    } else if (alarm) {
        Steady(i, ledPrealarm);
    }
    if (alarm) {
        SetOut(i, outPrealarm);
    }
    if (alarm && phase != TPhase::Prealarm) {
        SetOut(i, outAlarm);
        SetOut(i, outTechnological); // ventilation and doors shut before the gas
    }
    TOutputsActive outputs = inst.Outputs();
    if (outputs.Siren) {
        SetOut(i, outAcoustic);
    }
    if (outputs.Valve) {
        SetOut(i, outValve1);
    }
    i.stHas = inst.SystemState();
    i.stBat = BatteryState(master);
    return i;
}

TIndicators SlaveIndicators(const TInstallation& inst, int slave) {
    TIndicators i;
    const TUnit& unit = inst.Unit(slave);
    TPhase phase = inst.Phase();
    if (phase == TPhase::Quiet && !unit.HasFault()) {
        Steady(i, ledReady);
    }
    if (unit.HasFault()) {
        Steady(i, ledFailure);
        SetOut(i, outFailure);
    }
    UnitFaultLeds(i, unit);
    AlarmLed(i, phase);
    if (unit.LineInAlarm()) {
        Steady(i, ledPrealarm);
    }
    if (inst.Outputs().Valve) {
        SetOut(i, outValve1);
    }
    i.stBat = BatteryState(unit);
    return i;
}

} // namespace panel_sim
