#include "store/report_days.h"

#include <dirent.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace {

// The date of a report file name, or nothing when the name is not one of this kind.
std::optional<TDateTime> DayOfName(const std::string& name, const TReportKind& kind) {
    const std::string prefix = kind.FilePrefix;
    if (name.size() != prefix.size() + 12 || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - 4, 4, ".txt") != 0) {
        return std::nullopt;
    }
    const std::string date = name.substr(prefix.size(), 8);
    if (!std::all_of(date.begin(), date.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    TDateTime day;
    day.Year = std::stoi(date.substr(0, 4));
    day.Month = std::stoi(date.substr(4, 2));
    day.Day = std::stoi(date.substr(6, 2));
    // Only names the writer makes: the date read back gives the same text.
    if (ReportDateText(day) != date || day.Month < 1 || day.Month > 12 || day.Day < 1 ||
        day.Day > 31) {
        return std::nullopt;
    }
    return day;
}

} // namespace

std::vector<TDateTime> ReportDaysIn(const std::string& directory, const TReportKind& kind) {
    std::vector<TDateTime> days;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.c_str()), ::closedir);
    if (!dir) {
        return days;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        if (const std::optional<TDateTime> day = DayOfName(entry->d_name, kind)) {
            days.push_back(*day);
        }
    }
    std::sort(days.begin(), days.end(), [](const TDateTime& a, const TDateTime& b) {
        return ReportDateText(a) < ReportDateText(b);
    });
    return days;
}

std::string ReportDayFile(const std::string& directory, const TReportKind& kind,
                          const TDateTime& day) {
    return directory + "/" + kind.FilePrefix + ReportDateText(day) + ".txt";
}
