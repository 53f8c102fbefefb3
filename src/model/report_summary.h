#pragma once
// The first thing a service report says, in words a customer understands: whether the
// installation has a fault now (and which), how many alarms, faults and extinguishings its
// events in the report's range tell of, and whether the panel clock was set.

#include "model/service_report.h"

#include <cstdint>

// Which events count, by their code: an alarm on a loop; a fault that began (a loop, valve or
// signaller fault, a failed or discharged battery, no mains, a slave that does not answer, a
// pressure fault; their ends do not count); the extinguishing itself (not its delay or end).
bool IsAlarmEvent(uint8_t code);
bool IsFaultEvent(uint8_t code);
bool IsExtinguishingEvent(uint8_t code);

// From the devices' faults and the events' rows of `report`.
TReportSummary SummarizeReport(const TServiceReport& report, bool clockSet);
