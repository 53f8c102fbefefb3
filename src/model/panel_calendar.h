#pragma once
// The panel calendar, in which the panel stores its event times: seconds since 2000-01-01
// 00:00:00 counted in years of twelve months of 31 days (372 days a year). Every 32-bit value
// decodes, to a year from 2000 to 2133, a month from 1 to 12 and a day from 1 to 31; whether the
// month has that day is not checked here (a panel whose clock was set wrongly can log
// 31 February, and its line is still written).

#include "core/clock.h"

#include <cstdint>

constexpr uint32_t PanelSecondsPerDay = 86400;
constexpr uint32_t PanelSecondsPerMonth = 31 * PanelSecondsPerDay;  // 2678400
constexpr uint32_t PanelSecondsPerYear = 12 * PanelSecondsPerMonth; // 32140800
constexpr int PanelCalendarFirstYear = 2000;

// The fields of a panel time, by integer division; milliseconds are 0.
TDateTime DecodePanelTime(uint32_t seconds);
