#include "panel_sim/panel_calendar.h"

#include <ctime>
#include <stdexcept>

namespace panel_sim {

namespace {

using namespace std::chrono;

sys_seconds ToSys(const TPanelDateTime& t) {
    year_month_day date{year{t.Year}, month{static_cast<unsigned>(t.Month)},
                        day{static_cast<unsigned>(t.Day)}};
    return sys_days{date} + hours{t.Hour} + minutes{t.Minute} + seconds{t.Second};
}

TPanelDateTime FromSys(sys_seconds s) {
    sys_days days = floor<std::chrono::days>(s);
    year_month_day date{days};
    hh_mm_ss clock{s - days};
    return {static_cast<int>(date.year()),
            static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())),
            static_cast<int>(clock.hours().count()),
            static_cast<int>(clock.minutes().count()),
            static_cast<int>(clock.seconds().count())};
}

void RequireInPanelCalendar(const TPanelDateTime& t) {
    if (!IsRealDate(t)) {
        throw std::out_of_range("not a real date and time");
    }
    EncodePanelTime(t); // raises past the end of the calendar
}

} // namespace

uint32_t EncodePanelTime(const TPanelDateTime& t) {
    if (t.Year < 2000 || t.Month < 1 || t.Month > 12 || t.Day < 1 || t.Day > 31 || t.Hour < 0 ||
        t.Hour > 23 || t.Minute < 0 || t.Minute > 59 || t.Second < 0 || t.Second > 59) {
        throw std::out_of_range("date or time field out of range");
    }
    uint64_t v = static_cast<uint64_t>(t.Year - 2000) * 12 + static_cast<uint64_t>(t.Month - 1);
    v = v * 31 + static_cast<uint64_t>(t.Day - 1);
    v = v * 24 + static_cast<uint64_t>(t.Hour);
    v = v * 3600 + static_cast<uint64_t>(t.Minute) * 60 + static_cast<uint64_t>(t.Second);
    if (v > UINT32_MAX) {
        throw std::out_of_range("date past the end of the panel calendar");
    }
    return static_cast<uint32_t>(v);
}

TPanelDateTime DecodePanelTime(uint32_t seconds) {
    TPanelDateTime t;
    t.Year = 2000 + static_cast<int>(seconds / PanelSecondsPerYear);
    uint32_t r = seconds % PanelSecondsPerYear;
    t.Month = 1 + static_cast<int>(r / PanelSecondsPerMonth);
    r %= PanelSecondsPerMonth;
    t.Day = 1 + static_cast<int>(r / PanelSecondsPerDay);
    r %= PanelSecondsPerDay;
    t.Hour = static_cast<int>(r / 3600);
    r %= 3600;
    t.Minute = static_cast<int>(r / 60);
    t.Second = static_cast<int>(r % 60);
    return t;
}

bool IsRealDate(const TPanelDateTime& t) {
    if (t.Month < 1 || t.Month > 12 || t.Day < 1 || t.Day > 31) {
        return false;
    }
    year_month_day date{year{t.Year}, month{static_cast<unsigned>(t.Month)},
                        day{static_cast<unsigned>(t.Day)}};
    return date.ok() && t.Hour >= 0 && t.Hour < 24 && t.Minute >= 0 && t.Minute < 60 &&
           t.Second >= 0 && t.Second < 60;
}

TPanelClock::TPanelClock(const TPanelDateTime& start) {
    Set(start);
}

void TPanelClock::Set(const TPanelDateTime& t) {
    RequireInPanelCalendar(t);
    FNow = ToSys(t);
    FFraction = 0.0;
}

void TPanelClock::Advance(double seconds) {
    if (seconds <= 0.0) {
        return;
    }
    FFraction += seconds;
    auto whole = static_cast<int64_t>(FFraction);
    FFraction -= static_cast<double>(whole);
    sys_seconds next = FNow + std::chrono::seconds{whole};
    // The panel calendar ends in August 2133; the clock stops there rather than wrap into 2000.
    TPanelDateTime fields = FromSys(next);
    if (fields.Year > 2133) {
        return;
    }
    try {
        EncodePanelTime(fields);
    } catch (const std::out_of_range&) {
        return;
    }
    FNow = next;
}

TPanelDateTime TPanelClock::Now() const {
    return FromSys(FNow);
}

TPanelDateTime TPanelClock::Before(uint32_t seconds) const {
    sys_seconds earlier = FNow - std::chrono::seconds{seconds};
    sys_seconds epoch = sys_days{year{2000} / January / 1};
    return FromSys(earlier < epoch ? epoch : earlier);
}

TPanelDateTime LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    TPanelDateTime t{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                     local.tm_hour,        local.tm_min,     local.tm_sec > 59 ? 59 : local.tm_sec};
    return t;
}

} // namespace panel_sim
