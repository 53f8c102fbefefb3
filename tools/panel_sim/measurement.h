#pragma once
// What a unit measures: each value centres on what the unit's state gives (a line in alarm
// draws more current, a failed mains reads near zero) and wanders around it in a bounded random
// walk, so the chart looks alive and a given seed always gives the same run.

#include "panel_sim/unit.h"

#include <array>
#include <cstdint>
#include <random>

namespace panel_sim {

// What the installation is doing, as far as a unit's outputs are concerned.
struct TOutputsActive {
    bool Valve = false;      // the extinguishing valve is driven
    bool Siren = false;      // the acoustic signaller is driven
    bool Discharged = false; // gas has been let into the room (pressure up)
};

// The value a unit in this state reads without noise.
uint16_t TargetValue(const TUnit& unit, TValue value, const TOutputsActive& outputs);

// The noise band of a value: the walk stays within plus or minus this.
int DriftAmplitude(TValue value);

// Bounded random walks, one per value of each unit, from one seeded generator.
class TDrift {
public:
    explicit TDrift(uint32_t seed) : FRandom(seed) {}

    // Moves the walk of (device, value) one step and returns its offset.
    int Step(int device, TValue value);

private:
    std::mt19937 FRandom;
    std::array<std::array<int, ValueCount>, 5> FOffsets{};
};

// One measurement of the unit: every value is its target (or pinned value) plus its walk.
void Measure(TUnit& unit, int device, TDrift& drift, const TOutputsActive& outputs);

} // namespace panel_sim
