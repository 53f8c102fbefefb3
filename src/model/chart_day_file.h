#pragma once
// A day's data report file read back into chart records: every stamped data line gives one
// record of the master's mains, battery and lines supply voltages (volts, as the chart takes
// them from a status reply). The stamps have whole seconds, so the lines of one second (a poll
// faster than a second) are spread evenly over it, in their order. Markers and empty lines are
// passed over; every other line that is not a stamped data line is counted, never fatal. The
// records' gaps, where the lines are not joined: at every marker (the program started or
// ended), and where the stamps jump by more than three steps of the poll seen before.

#include "model/chart_store.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct TChartDayLoad {
    std::unique_ptr<TChartStore> Points;
    std::size_t DataLines = 0;    // lines read into Points
    std::size_t BadLines = 0;     // lines neither data lines nor markers
    std::size_t FirstBadLine = 0; // number (from 1) of the first of them; 0 when none
    bool Stopped = false;         // the stop came before the end; Points holds what was read
};

// Reads the file at `path` (a regular file only, as far as it was when opened). `progress` (may
// be empty) is told the share read, 0 to 1, now and then; `stop` is looked at as often. Runs on
// any thread: it touches nothing but its own data. Raises EInOutError when the file cannot be
// opened or read, or is not a regular file.
TChartDayLoad LoadChartDay(const std::string& path, const std::function<void(double)>& progress,
                           const std::atomic<bool>& stop);
// The same from a day's file already in memory.
TChartDayLoad ReadChartDay(std::string_view bytes);
