#pragma once
// The design of the status pages as data: which control shows which field on which device, with
// its divisor, display format, label and exact control name. The master page and the four slave
// pages are built from these tables by one builder (status_page.h).
//
// Names are indexed by device: 0 the master, 1 to 4 the slaves. A null name means the device has
// no such control. A control that exists on a slave but is not shown there (line C, the acoustic
// signaller voltage, some LEDs) is still built, hidden, and still updated.

#include "model/field_tables.h"

#include <QColor>
#include <QString>

#include <array>
#include <span>

// The tab caption and object name of each device's page: "Master"/`Master`,
// "Slave 1"/`TabSheetSl1`, "Slave2"/`TabSheetSl2`, ...
const char* PageName(int device);
QString PageCaption(int device);
// The device as a screen reader says it: "Master", "Slave 1" ... "Slave 4".
QString DeviceName(int device);

// The column headers over the line fields; "C" is hidden on slave pages with its fields.
struct TColumnHeaderRow {
    const char* Caption;
    int Column;
    bool ShownOnSlave;
};
std::span<const TColumnHeaderRow> ColumnHeaders();

// The caption of the output check boxes' group.
inline constexpr const char* RelayGroupCaption = "Relay  state";

// An output check box ticked by one bit of the device's Out; slaves have only bits 4 and 7.
struct TOutputBoxRow {
    int Bit;
    TDeviceNames Names;
};
std::span<const TOutputBoxRow> OutputBoxes();

// The device ID edit of each device: `EditID`, `EditIDSl1`, `EditIDSl2`, `EditIDSL3`, ...
const char* DeviceIdEditName(int device);

// The master's event log counters, filled by the event bookkeeping.
struct TTextFieldRow {
    const char* Name;
    const char* Label;
    const char* Spoken;
};
std::span<const TTextFieldRow> EventLogFields(); // "Start", "End", "Max"

// The object name of the LED shape for an index (see IsLedIndex) on a device: the master's
// design names (`LedProvoz`, `Shape17`, ...) with "Sl" + k appended on slave k.
QString LedShapeName(int device, int index);
// The shape's integer tag: 8000 + 100 * device + index.
int LedTag(int device, int index);
// Lime for "Sys. ready", red for "Alarm" and "Prealarm A+B", yellow for every other LED.
QColor LedColour(int index);
// Whether a slave page shows this LED (it has no acoustic signaller, no line C and no slaves of
// its own, so 9, 13 and 19 to 22 are hidden there). The master shows all.
bool LedShownOnDevice(int device, int index);
