// The event copy in field conditions, as a deterministic simulation (see event_copy_sim.h): many
// seeded histories, each checked against the rule that every record the panel holds is written
// exactly once. Failing seeds are printed; ORVANT_SIM_SEED replays one history,
// ORVANT_SIM_HISTORIES sets how many run.

#include "event_copy_sim.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

uint32_t FromEnvironment(const char* name, uint32_t otherwise) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != 0 ? uint32_t(std::strtoul(text, nullptr, 10)) : otherwise;
}

} // namespace

TEST(EventCopySimulation, EveryRecordThePanelHoldsIsWrittenExactlyOnce) {
    const uint32_t first = FromEnvironment("ORVANT_SIM_SEED", 1);
    const uint32_t histories = std::getenv("ORVANT_SIM_SEED") != nullptr
                                   ? 1
                                   : FromEnvironment("ORVANT_SIM_HISTORIES", SimHistoriesInCi);
    uint64_t records = 0, written = 0, lost = 0, kills = 0, notes = 0;
    uint32_t failed = 0;
    for (uint32_t seed = first; seed < first + histories; ++seed) {
        const TSimOutcome outcome = RunEventCopyHistory(seed, 300);
        EXPECT_TRUE(outcome.Kept) << "seed " << seed << " (ORVANT_SIM_SEED=" << seed
                                  << " replays it): " << outcome.Failure;
        failed += outcome.Kept ? 0 : 1;
        if (failed >= 100) {
            FAIL() << "more failing seeds not tried";
        }
        records += outcome.Records;
        written += outcome.Written;
        lost += outcome.Lost;
        kills += outcome.Kills;
        notes += outcome.Notes;
    }
    RecordProperty("histories", std::to_string(histories));
    std::printf("%u histories: %llu records, %llu lines, %llu overwritten before read, %llu notes, "
                "%llu restarts\n",
                histories, (unsigned long long)records, (unsigned long long)written,
                (unsigned long long)lost, (unsigned long long)notes, (unsigned long long)kills);
}
