#include "model/chart_time.h"

#include "core/civil_time.h"

#include <array>
#include <cstdio>

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

TChartTime ChartTimeOf(const TDateTime& t) {
    return CivilSeconds(t) * ChartSecond + t.Millisecond;
}

TDateTime DateTimeOfChartTime(TChartTime time) {
    const int64_t days = FloorDiv(time, ChartDay);
    const int64_t ms = time - days * ChartDay;
    TDateTime t = CivilDateTime(days * 86400);
    t.Hour = static_cast<int>(ms / 3600000);
    t.Minute = static_cast<int>(ms / 60000 % 60);
    t.Second = static_cast<int>(ms / 1000 % 60);
    t.Millisecond = static_cast<int>(ms % 1000);
    return t;
}

std::string ChartAxisTimeText(TChartTime time) {
    const TDateTime t = DateTimeOfChartTime(time);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %02d.%02d.%02d", t.Hour, t.Minute, t.Second,
                  t.Day, t.Month, ((t.Year % 100) + 100) % 100);
    return text;
}

std::string ChartExportTimeText(TChartTime time) {
    const TDateTime t = DateTimeOfChartTime(time);
    char text[40];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d.%03d", t.Day, t.Month, t.Year,
                  t.Hour, t.Minute, t.Second, t.Millisecond);
    return text;
}

std::vector<TChartTime> ChartTimeTicks(TChartTime from, TChartTime to, int maxLabels) {
    std::vector<TChartTime> ticks;
    if (to < from) {
        return ticks;
    }
    static constexpr std::array<TChartTime, 22> Steps = {
        1,    2,     5,     10,    20,    50,     100,    200,    500,    1000,    2000,
        5000, 10000, 15000, 30000, 60000, 120000, 300000, 600000, 900000, 1800000, 3600000};
    const int64_t limit = maxLabels < 1 ? 1 : maxLabels;
    auto count = [&](TChartTime step) { return FloorDiv(to, step) - FloorDiv(from - 1, step); };
    TChartTime step = 0;
    for (TChartTime s : Steps) {
        if (count(s) <= limit) {
            step = s;
            break;
        }
    }
    // Beyond an hour: 2, 3, 6 and 12 hours, then whole days doubling.
    for (TChartTime s : {2 * 3600000LL, 3 * 3600000LL, 6 * 3600000LL, 12 * 3600000LL}) {
        if (step == 0 && count(s) <= limit) {
            step = s;
        }
    }
    for (TChartTime s = ChartDay; step == 0; s *= 2) {
        if (count(s) <= limit) {
            step = s;
        }
    }
    for (TChartTime t = (FloorDiv(from - 1, step) + 1) * step; t <= to; t += step) {
        ticks.push_back(t);
    }
    return ticks;
}
