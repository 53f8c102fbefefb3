#include "model/alarm_list.h"

#include "core/error_list.h"
#include "model/event_texts.h"
#include "model/report_note.h"

#include <exception>

namespace {

// "Master: Line A: Short", as the notes name the change; the link's is "Link lost" alone.
std::string UnitAndWhat(const TAnnouncement& a) {
    if (a.Device == LinkUnit) {
        return AnnouncementWhat(a);
    }
    return UnitText(a.Device) + ": " + AnnouncementWhat(a);
}

} // namespace

std::size_t TAlarmList::Add(const TAnnouncement& announcement) {
    FEntries.push_back({announcement, false, {}, {}, {}});
    ++FUnacknowledged;
    std::string text = UnitAndWhat(announcement);
    if (announcement.EventCode != 0) {
        // The panel's own word for it, as its event log will show it.
        text += " (" + std::string(EventTexts[ShownEventCode(announcement.EventCode)]) + ")";
    }
    Note(announcement, text);
    return FEntries.size() - 1;
}

int TAlarmList::Acknowledge(const std::function<bool(const TAlarmEntry&)>& which,
                            const std::string& by, const std::string& how) {
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < FEntries.size(); ++row) {
        if (!FEntries[row].Acknowledged && which(FEntries[row])) {
            rows.push_back(row);
        }
    }
    return AcknowledgeRows(rows, by, how);
}

int TAlarmList::AcknowledgeRows(const std::vector<std::size_t>& rows, const std::string& by,
                                const std::string& how) {
    const TDateTime now = FClock.Now();
    std::vector<std::size_t> taken;
    for (std::size_t row : rows) {
        if (row < FEntries.size() && !FEntries[row].Acknowledged) {
            TAlarmEntry& entry = FEntries[row];
            entry.Acknowledged = true;
            entry.By = by;
            entry.How = how;
            entry.At = now;
            --FUnacknowledged;
            taken.push_back(row);
        }
    }
    // Every row is acknowledged before the first note, so a failing disk loses only notes.
    std::exception_ptr failure;
    for (std::size_t row : taken) {
        const TAnnouncement& a = FEntries[row].Announcement;
        try {
            Note(a, UnitAndWhat(a) + " of " + ClockText(a.Time) + " acknowledged by " + by + " (" +
                        how + ")");
        } catch (...) {
            if (!failure) {
                failure = std::current_exception();
            }
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    return static_cast<int>(taken.size());
}

void TAlarmList::Note(const TAnnouncement& about, const std::string& text) {
    FLog.AddLine(NoteText(AlarmNoteSource, about.Installation, text));
    FReport.WriteReportLine(NoteLine(FClock.Now(), AlarmNoteSource, about.Installation, text));
}
