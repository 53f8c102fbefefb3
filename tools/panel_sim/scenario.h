#pragma once
// Scenarios: what happens to the installation, and when. A scenario file has one step a line,
//   SECONDS ACTION     at that many seconds after the start (or after the last loop)
//   +SECONDS ACTION    that many seconds after the step before
//   loop SECONDS       start over that many seconds after the start
// with actions as in actions.h; '#' starts a comment. Built-in scenarios have names.

#include "panel_sim/actions.h"

#include <string>
#include <vector>

namespace panel_sim {

struct TScenarioStep {
    double At = 0.0; // seconds from the start of a round
    TAction Action;
};

struct TScenario {
    std::string Name;
    std::vector<TScenarioStep> Steps; // in time order
    double LoopSeconds = 0.0;         // 0: played once
};

// Parses scenario text; raises std::invalid_argument naming the line at fault.
TScenario ParseScenario(const std::string& name, const std::string& text);

// The names of the built-in scenarios.
std::vector<std::string> BuiltinScenarioNames();

// A built-in scenario by name, or else the file of that name. Raises std::invalid_argument when
// it is neither, or the file does not parse.
TScenario LoadScenario(const std::string& nameOrFile);

// Plays a scenario against the passing time.
class TScenarioPlayer {
public:
    explicit TScenarioPlayer(TScenario scenario) : FScenario(std::move(scenario)) {}

    // The steps that fall due when this much more time has passed, in order.
    std::vector<TAction> Advance(double seconds);

private:
    TScenario FScenario;
    double FTime = 0.0; // seconds into the current round
    std::size_t FNext = 0;
};

} // namespace panel_sim
