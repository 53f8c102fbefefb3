#pragma once
// The "Events" page's filters in words, for a report that lists what they picked: one item per
// filter in force (label, value); none when every record passes.

#include "model/event_filter.h"
#include "model/service_report.h"

#include <vector>

// Times are "hh:mm:ss dd.mm.yyyy"; the searched text stays as typed (panel bytes).
std::vector<TReportItem> DescribeEventFilter(const TEventFilter& filter);
