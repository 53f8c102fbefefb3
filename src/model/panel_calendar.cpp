#include "model/panel_calendar.h"

TDateTime DecodePanelTime(uint32_t seconds) {
    const uint32_t inYear = seconds % PanelSecondsPerYear;
    const uint32_t inMonth = inYear % PanelSecondsPerMonth;
    const uint32_t inDay = inMonth % PanelSecondsPerDay;
    const uint32_t inHour = inDay % 3600;
    TDateTime t;
    t.Year = PanelCalendarFirstYear + static_cast<int>(seconds / PanelSecondsPerYear);
    t.Month = 1 + static_cast<int>(inYear / PanelSecondsPerMonth);
    t.Day = 1 + static_cast<int>(inMonth / PanelSecondsPerDay);
    t.Hour = static_cast<int>(inDay / 3600);
    t.Minute = static_cast<int>(inHour / 60);
    t.Second = static_cast<int>(inHour % 60);
    t.Millisecond = 0;
    return t;
}
