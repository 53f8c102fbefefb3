#pragma once
// A deterministic simulation of the event copy in the field: the real bookkeeping, copy, settings
// file and report files (in a temporary directory) against model panels with a ring, through a
// model link, on a fake clock. One seed makes one history of field conditions: requests and
// replies lost, repeated, reordered and late; status replies late; a log cleared (and refilled
// at once); the capacity changed; empty slots; a second installation answering for a while; a
// full disk and a settings file that cannot be replaced, for a while; the program killed at any
// step or disk call and started again over the same files. The disk work of the report and
// the settings file (done off the main thread in the program) is done at random steps, its
// outcomes handed over at others, and dropped when the program is killed. A quiet end lets the copy
// catch up, then the rule is checked against what the panels held.

#include <cstdint>
#include <string>

struct TSimOutcome {
    bool Kept = true;     // the rule held
    std::string Failure;  // what broke it, when it did
    uint32_t Records = 0; // records the panels made
    uint32_t Written = 0; // event lines in the report
    uint32_t Lost = 0;    // records overwritten or cleared before they could be read
    uint32_t Kills = 0;
    uint32_t Notes = 0;
};

// Histories the test runs: fewer under a sanitizer, which makes each one slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr uint32_t SimHistoriesInCi = 1000;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr uint32_t SimHistoriesInCi = 1000;
#else
constexpr uint32_t SimHistoriesInCi = 3000;
#endif
#else
constexpr uint32_t SimHistoriesInCi = 3000;
#endif

// Runs the history of `seed` with `steps` status replies of field conditions (then a quiet end).
TSimOutcome RunEventCopyHistory(uint32_t seed, uint32_t steps);
