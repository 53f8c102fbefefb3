#pragma once
// The event record: the payload of the reply to 'G', one record of the panel's event log, and
// the line that the event report file and the communication log receive for it.

#include "core/clock.h"

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t EventRecordSize = 14;

struct TEventRecord {
    uint16_t Index = 0; // position of the record in the panel's event log
    uint64_t Id = 0;    // 48-bit ID of the unit where it happened
    uint8_t Code = 0;   // event code, valid 0 to 45
    uint8_t Source = 0; // high nibble device number ("Zar"), low nibble loop number ("Sm")
    uint32_t Time = 0;  // panel calendar
};

// Reads the 14 bytes at p: index, ID, code, source, time, little-endian.
TEventRecord ReadEventRecord(const uint8_t* p);

// "hh:mm:ss dd.mm.yyyy", the time format of event lines.
std::string EventTimeText(const TDateTime& time);

// The line of one record, decoded at the PC's local time `pcTime`:
//   ind=  5;tPC=14:03:22 05.12.2010;t=13:58:01 05.12.2010;ID=060504030201;Zar=1;Sm=2;Ud=08;text
// The index is right-aligned in three characters (wider numbers in full), the event time is
// the panel-calendar fields as they stand, a code past the text table shows as 00 and "????".
std::string EventLine(const TEventRecord& record, const TDateTime& pcTime);
