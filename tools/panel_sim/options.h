#pragma once
// The simulator's command line.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace panel_sim {

struct TSimOptions {
    std::string Link; // path of the symlink to the pseudo-terminal; empty: none made
    std::string Udp;  // "ADDRESS[:PORT]" to answer over UDP as well; empty: serial only
    int Slaves = 2;
    uint32_t Backlog = 20;
    std::optional<uint32_t> ImpossibleDate; // backlog record stamped 31 February
    uint16_t Capacity = 500;
    uint32_t Seed = 1;
    std::string Scenario = "quiet";
    std::array<uint64_t, 5> Ids{}; // master, slaves 1 to 4
    std::string Version = "V2.10 SIM";
    uint32_t ReplyDelayMs = 0;          // every reply goes out this much later
    std::optional<uint16_t> LostRecord; // a slot whose 'G' is never answered
    std::optional<uint16_t> EmptySlot;  // a slot always answered as empty
    uint32_t AnswerGEvery = 1;          // 'G' answered only every n-th time
    uint32_t DuplicateEvery = 0;        // every n-th reply sent twice; 0: none
    uint32_t HoldBackEvery = 0;         // every n-th reply sent after the next one; 0: none
    bool Verbose = false;
    bool Keys = true; // read keys from stdin when it is a terminal
    bool Help = false;
};

// The IDs when --id is not given: one per unit, from the master's.
constexpr uint64_t DefaultMasterId = 0x00A1B2C3D400;

// Parses the arguments after the program name. Raises std::invalid_argument with a reason the
// user can act on.
TSimOptions ParseOptions(const std::vector<std::string>& args);

// What --help prints.
std::string HelpText();

} // namespace panel_sim
