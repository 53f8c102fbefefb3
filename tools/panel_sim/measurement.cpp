#include "panel_sim/measurement.h"

#include <algorithm>

namespace panel_sim {

namespace {

struct TLineReading {
    uint16_t Millivolts;
    uint16_t Microamperes;
};

// A detection line with its end-of-line resistor draws a small quiescent current; a detector in
// alarm pulls the voltage down and the current up; an open line reads the full supply.
TLineReading LineReading(uint8_t code) {
    switch (code) {
    case lnAlarm:
        return {11000, 18000};
    case lnDisconnected:
        return {24000, 0};
    case lnShort:
        return {300, 32000};
    case lnFailure:
        return {5000, 25000};
    case lnOff:
        return {0, 0};
    default:
        return {19500, 3500};
    }
}

uint16_t Clamp(int v) {
    return static_cast<uint16_t>(std::clamp(v, 0, 65535));
}

} // namespace

uint16_t TargetValue(const TUnit& unit, TValue value, const TOutputsActive& outputs) {
    switch (value) {
    case vVA:
    case vVB:
    case vVC:
        return LineReading(unit.Lines[(value - vVA) / 2]).Millivolts;
    case vIA:
    case vIB:
    case vIC:
        return LineReading(unit.Lines[(value - vIA) / 2]).Microamperes;
    case vVNet:
        return unit.MainsFault ? 0 : 27000;
    case vVDet:
        // On battery the regulator drops out once the battery sinks near the lines' supply.
        return unit.MainsFault ? Clamp(std::min(24000, static_cast<int>(unit.BatteryMv) - 800))
                               : 24000;
    case vVBat:
        return unit.BatteryFault ? 1500 : Clamp(static_cast<int>(unit.BatteryMv));
    case vVHas1:
        return outputs.Valve ? 24000 : 1200; // idle: the monitoring voltage of the coil
    case vVSir:
        return outputs.Siren ? 24000 : 1500;
    case vTE:
        return 210;
    case vTI:
        return 245;
    case vTB:
        return unit.Charging() ? 240 : 225;
    case vP:
        return outputs.Discharged ? 1040 : 1013;
    default:
        return 0;
    }
}

int DriftAmplitude(TValue value) {
    static constexpr std::array<int, ValueCount> amplitudes = {
        80,  60, 80, 60, 80, 60, // lines
        150,                     // VNet
        40,                      // VDet
        30,                      // VBat
        40,  40,                 // outputs
        6,   4,  4,              // temperatures
        2,                       // pressure
    };
    return amplitudes[value];
}

int TDrift::Step(int device, TValue value) {
    int amplitude = DriftAmplitude(value);
    int step = std::max(1, amplitude / 4);
    int move = static_cast<int>(FRandom() % static_cast<uint32_t>(2 * step + 1)) - step;
    int& offset = FOffsets[static_cast<std::size_t>(device)][value];
    offset = std::clamp(offset + move, -amplitude, amplitude);
    return offset;
}

void Measure(TUnit& unit, int device, TDrift& drift, const TOutputsActive& outputs) {
    for (int i = 0; i < ValueCount; ++i) {
        auto value = static_cast<TValue>(i);
        int offset = drift.Step(device, value);
        int centre = unit.Pinned[i] ? *unit.Pinned[i] : TargetValue(unit, value, outputs);
        // A dead input reads zero rather than noise around zero.
        unit.Values[i] = centre == 0 ? 0 : Clamp(centre + offset);
    }
    ++unit.CMer;
}

} // namespace panel_sim
