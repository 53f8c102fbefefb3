#pragma once
// The things that can happen to the installation, as a technician or a scenario names them:
//   prealarm [A|B] [DEVICE]     one line goes into alarm (default line A of the master)
//   alarm [DEVICE]              both lines: the extinguishing delay starts
//   extinguish                  the valve opens now (an alarm first, if there is none)
//   reset
//   mains-fail [DEVICE]  mains-ok [DEVICE]
//   battery-fault [DEVICE]  battery-ok [DEVICE]
//   slave-fault [SLAVE]  slave-ok [SLAVE]         the master loses / regains a slave (default 1)
//   line DEVICE A|B|C silent|disconnected|short|failure|off
//   set DEVICE VALUE LEVEL|auto   holds a measured value (VNet, VBat, TE, ... raw units)
//   slaves N
//   event CODE [DEVICE [LOOP]]  a raw event of any code 0 to 255, state unchanged
//   log-restart                 the event log is cleared and starts again at index 0
//   log-refill N                cleared, then N records written at once
//   log-capacity N              N slots: the newest records kept, numbered from 0 again
// DEVICE is 0 for the master, 1 to 4 for a slave.

#include "panel_sim/installation.h"

#include <string>
#include <vector>

namespace panel_sim {

struct TAction {
    std::string Verb;
    std::vector<int> Args; // numbers, lines as 0 to 2, levels; -1 for "auto"
    std::string Text;      // as written, for the output
};

// Parses one action; raises std::invalid_argument with a readable reason.
TAction ParseAction(const std::string& text);

// Carries it out. Raises std::invalid_argument / std::out_of_range when the installation
// cannot (a slave that is not installed).
void ApplyAction(const TAction& action, TInstallation& installation);

} // namespace panel_sim
