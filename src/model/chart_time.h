#pragma once
// The chart's time axis: a local date and time as one number, milliseconds counted from
// 1970-01-01 00:00 of the local calendar (no time zone involved), so one reading of the PC clock
// gives one X value and the labels read back exactly the local time that was charted. A clock
// set back, or the hour that repeats when summer time ends, gives earlier numbers again.

#include "core/clock.h"

#include <cstdint>
#include <string>
#include <vector>

using TChartTime = int64_t; // milliseconds of local date and time

constexpr TChartTime ChartSecond = 1000;
constexpr TChartTime ChartDay = 86400 * ChartSecond;

TChartTime ChartTimeOf(const TDateTime& time);
TDateTime DateTimeOfChartTime(TChartTime time);

// "hh:mm:ss dd.mm.yy", the bottom axis label.
std::string ChartAxisTimeText(TChartTime time);
// "dd.mm.yyyy hh:mm:ss.zzz", the time column of an exported range.
std::string ChartExportTimeText(TChartTime time);

// Label positions for the range [from, to]: multiples of a round step (1 s, 2 s, 5 s, ... 1 h,
// ... 1 day, ...), the smallest such step that gives at most maxLabels labels (at least one
// label place is always allowed). Empty when the range is empty.
std::vector<TChartTime> ChartTimeTicks(TChartTime from, TChartTime to, int maxLabels);
