#include "model/event_filter_text.h"

#include "core/civil_time.h"
#include "model/event_record.h"
#include "model/status_record.h"

#include <cstdio>
#include <limits>

std::vector<TReportItem> DescribeEventFilter(const TEventFilter& filter) {
    std::vector<TReportItem> out;
    if (filter.Id) {
        out.push_back({"Installation ID", DeviceIdText(*filter.Id)});
    }
    if (filter.Device) {
        char device[4];
        std::snprintf(device, sizeof device, "%X", *filter.Device);
        out.push_back({"Zar", device});
    }
    if (filter.Category) {
        out.push_back({"Category", EventCategoryName(*filter.Category)});
    }
    if (filter.From != std::numeric_limits<int64_t>::min()) {
        out.push_back({"From", EventTimeText(CivilDateTime(filter.From))});
    }
    if (filter.To != std::numeric_limits<int64_t>::max()) {
        out.push_back({"Before", EventTimeText(CivilDateTime(filter.To))});
    }
    if (!filter.Text.empty()) {
        out.push_back({"Text contains", filter.Text});
    }
    return out;
}
