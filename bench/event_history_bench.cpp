// The "Events" page's work at years of records: reading every daily event report into the
// history (off the window's thread), filtering and sorting it (on the window's thread), and the
// memory a record takes. Real files in a temporary directory: 365 daily files holding 10^5 or
// 10^6 event lines written as the tool writes them, with markers, a version line and notes.
//
// Goals: 10^5 records load in at most 1 s and filter in at most 50 ms; 10^6 records load in at
// most 5 s with at most 100 bytes a record in memory (counter "bytes_per_record").

#include "core/civil_time.h"
#include "model/event_filter.h"
#include "model/event_history.h"
#include "model/event_record.h"
#include "model/version_decoder.h"
#include "store/report_file.h"

#include "report_year.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

TReportYear& Year(int records) {
    static std::map<int, std::unique_ptr<TReportYear>> years;
    auto& year = years[records];
    if (!year) {
        year = std::make_unique<TReportYear>(records);
    }
    return *year;
}

// Resident memory of the process, in bytes.
double ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    double pages = 0;
    double resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

TEventHistory Load(int records) {
    std::atomic<bool> stop{false};
    return LoadEventHistory(Year(records).Path(), nullptr, stop);
}

void BM_LoadHistory(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    Year(records);
    std::size_t entries = 0;
    std::size_t bytes = 0;
    double resident = 0; // growth of the process while the first history read is held
    for (auto _ : state) {
        const double before = ResidentBytes();
        TEventHistory history = Load(records);
        entries = history.Entries().size();
        bytes = history.MemoryBytes();
        if (resident == 0) {
            resident = ResidentBytes() - before;
        }
        benchmark::DoNotOptimize(entries);
    }
    const auto perRecord = [&](double value) { return value / static_cast<double>(entries); };
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["bytes_per_record"] = perRecord(static_cast<double>(bytes));
    state.counters["resident_per_record"] = perRecord(resident);
}
BENCHMARK(BM_LoadHistory)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A technician's question: one installation's alarms of the last 30 days, with a word of text;
// then the whole set sorted newest first as the page shows it.
void BM_FilterHistory(benchmark::State& state) {
    static const TEventHistory history = Load(100000);
    TEventFilter filter;
    filter.Id = 0x00A1B2C3D400u;
    filter.Category = TEventCategory::Alarm;
    filter.Text = "poplach";
    SetTimeRange(filter, TTimeRange::Days30, CivilDateTime(CivilDays(2025, 12, 31) * 86400));
    std::size_t shown = 0;
    for (auto _ : state) {
        TFilteredEvents result = FilterEvents(history, filter);
        shown = result.Rows.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["shown"] = static_cast<double>(shown);
}
BENCHMARK(BM_FilterHistory)->Unit(benchmark::kMillisecond);

// No filter at all: every record passes and is sorted as the page shows it (newest first), or
// by the column of the event time.
void BM_FilterAndSortAll(benchmark::State& state) {
    static const TEventHistory history = Load(100000);
    const auto column = static_cast<TEventColumn>(state.range(0));
    for (auto _ : state) {
        TFilteredEvents result = FilterEvents(history, {});
        SortEventRows(history, result.Rows, column, false);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_FilterAndSortAll)
    ->Arg(static_cast<int>(TEventColumn::PcTime))
    ->Arg(static_cast<int>(TEventColumn::PanelTime))
    ->Arg(static_cast<int>(TEventColumn::Text))
    ->Unit(benchmark::kMillisecond);

} // namespace
