#include "model/event_record.h"

#include "core/bytes.h"
#include "model/event_texts.h"
#include "model/panel_calendar.h"
#include "model/status_record.h"

#include <cstdio>

TEventRecord ReadEventRecord(const uint8_t* p) {
    TEventRecord r;
    r.Index = ReadU16(p);
    r.Id = ReadU48(p + 2);
    r.Code = p[8];
    r.Source = p[9];
    r.Time = ReadU32(p + 10);
    return r;
}

std::string EventTimeText(const TDateTime& t) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %02d.%02d.%04d", t.Hour, t.Minute, t.Second,
                  t.Day, t.Month, t.Year);
    return text;
}

std::string EventLine(const TEventRecord& record, const TDateTime& pcTime) {
    const uint8_t code = ShownEventCode(record.Code);
    char tail[32];
    std::snprintf(tail, sizeof tail, ";Zar=%X;Sm=%X;Ud=%02X;", record.Source >> 4,
                  record.Source & 0x0F, code);
    char index[8];
    std::snprintf(index, sizeof index, "%3u", static_cast<unsigned>(record.Index));
    return std::string("ind=") + index + ";tPC=" + EventTimeText(pcTime) +
           ";t=" + EventTimeText(DecodePanelTime(record.Time)) + ";ID=" + DeviceIdText(record.Id) +
           tail + EventTexts[code];
}
