#pragma once
// Which value and which state of each device the tool shows, and how: the measured fields with
// their divisor and display format (unit included), the state groups with their captions, and
// the design names of their controls on each device's page. The status pages are built from these
// tables, and the service report writes the same values in the same words.
//
// Names are indexed by device: 0 the master, 1 to 4 the slaves. A null name means the device has
// no such control. A control that exists on a slave but is not shown there (line C, the acoustic
// signaller voltage) is still built, hidden, and still updated.

#include "model/number_format.h"
#include "model/status_record.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

using TDeviceNames = std::array<const char*, DeviceCount>;

struct TNumericFieldRow {
    TMeasureField Field;
    double Divisor;     // shown value = raw / Divisor
    const char* Format; // the field's display format, unit included
    const char* Label;  // the visible label left of the field, or null (lines A to C)
    const char* Spoken; // what the field is, for its accessible name
    int Row;            // row of the page's value grid, see below
    bool ShownOnSlave;  // false: the slave's control exists but is hidden
    TDeviceNames Names;
};
// The fields in the order of the page's value grid: three columns of label and field pairs
// filled row by row, left to right, with the fields a page shows (a hidden field leaves no gap).
// Rows 1 and 2 hold the voltages and currents of lines A, B and C under the column headers "A",
// "B", "C" of row 0.
std::span<const TNumericFieldRow> NumericFields();
// The table row of a field, or null when no device has a control for it.
const TNumericFieldRow* FindNumericField(TMeasureField field);

// A radio group whose item index is a state code. Groups in row 0 stand across the top of the
// page, those in row 1 below them.
struct TRadioGroupRow {
    TStateField Field;
    const char* Caption;
    int Row;
    bool ShownOnSlave;
    TDeviceNames Names;
};
std::span<const TRadioGroupRow> RadioGroups();
const TRadioGroupRow* FindRadioGroup(TStateField field);

// Whether a device's page shows a row's control: it has one, and a slave page shows it.
bool ShownOnDevice(const TDeviceNames& names, bool shownOnSlave, int device);

// A raw value as its field shows it: raw / Divisor written with the row's format ("12.345 V").
std::string FieldValueText(const TNumericFieldRow& row, uint16_t raw,
                           const TFormatSymbols& symbols);
