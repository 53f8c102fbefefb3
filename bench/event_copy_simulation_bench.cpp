// The long run of the event copy's simulation (see tests/support/event_copy_sim.h): many more
// histories than the test runs, each longer, reported as histories per second with how many kept
// the rule. ORVANT_SIM_FIRST sets the first seed.

#include "event_copy_sim.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

void BM_EventCopyHistories(benchmark::State& state) {
    const char* first = std::getenv("ORVANT_SIM_FIRST");
    uint32_t seed = first != nullptr ? uint32_t(std::strtoul(first, nullptr, 10)) : 100000;
    uint64_t kept = 0;
    uint64_t histories = 0;
    uint64_t records = 0;
    for (auto _ : state) {
        const TSimOutcome outcome = RunEventCopyHistory(seed++, uint32_t(state.range(0)));
        kept += outcome.Kept ? 1 : 0;
        ++histories;
        records += outcome.Records;
    }
    state.counters["histories"] =
        benchmark::Counter(double(histories), benchmark::Counter::kIsRate);
    state.counters["kept %"] = histories > 0 ? 100.0 * double(kept) / double(histories) : 0.0;
    state.counters["records"] =
        benchmark::Counter(double(records), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_EventCopyHistories)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond)->MinTime(5.0);

} // namespace
