#pragma once
// The changes announced in this run, each until the technician has seen it. Every announcement
// and every acknowledgement is also a note line of the event report (so the "Events" history and
// the service report find them) and a line of the communication log:
//
//   07.12.26 18:40:01  alarm ID=00A1B2C3D400: Master: Line A: Short (Zkrat smycky)
//   07.12.26 18:41:12  alarm ID=00A1B2C3D400: Master: Line A: Short of 18:40:01 acknowledged by jan
//   (window)
//
// The list is kept even when the report cannot be written: a failed line raises the report's
// error after the entry is in the list.

#include "core/clock.h"
#include "core/comm_log.h"
#include "model/alarm_watch.h"
#include "store/report_writer.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct TAlarmEntry {
    TAnnouncement Announcement;
    bool Acknowledged = false;
    std::string By;  // the user who saw it
    std::string How; // "window", "notification", "alarm list"
    TDateTime At;    // when
};

class TAlarmList {
public:
    TAlarmList(IReportLines& report, ICommLog& log, const IClock& clock)
        : FReport(report), FLog(log), FClock(clock) {}

    // Adds the announcement, unacknowledged, and returns its row.
    std::size_t Add(const TAnnouncement& announcement);

    // Acknowledges the rows not yet acknowledged that `which` accepts, by `by` in the way `how`;
    // returns how many. Raises as Add when a note cannot be written (every row is taken first).
    int Acknowledge(const std::function<bool(const TAlarmEntry&)>& which, const std::string& by,
                    const std::string& how);
    int AcknowledgeRows(const std::vector<std::size_t>& rows, const std::string& by,
                        const std::string& how);

    const std::vector<TAlarmEntry>& Entries() const { return FEntries; }
    int Unacknowledged() const { return FUnacknowledged; }

private:
    void Note(const TAnnouncement& about, const std::string& text);

    IReportLines& FReport;
    ICommLog& FLog;
    const IClock& FClock;
    std::vector<TAlarmEntry> FEntries;
    int FUnacknowledged = 0;
};
