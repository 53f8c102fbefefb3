#pragma once
// How long a test waits for a condition before it takes the run for hung. Tests wait for what
// they need, never for an amount of time; this limit only ends a run that would never get there,
// and is far beyond what a machine busy with other work needs.

#include <chrono>

inline constexpr int HungRunMs = 60000;
inline constexpr std::chrono::milliseconds HungRun{HungRunMs};
