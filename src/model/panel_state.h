#pragma once
// What survives from one status reply to the next: the LED masks and the event-reading state.
// The LED masks are written only by the status decoder and read by the LED tick on the same
// thread; they are zero at start and never cleared, so the LEDs keep showing the last reported
// state when replies stop.

#include "model/status_record.h"

#include <array>
#include <cstdint>

// How far the event log of the connected panel has been copied. One for the whole program (one
// panel connection at a time); zero at start, which means no device selected. Written only by
// the event bookkeeping.
struct TEventReadingState {
    uint16_t EventIndex = 0;      // index of the next record to fetch from the current device
    uint16_t EventCapacity = 0;   // records in the panel's event log, from the last status
    uint64_t CurrentDeviceId = 0; // device to which EventIndex belongs; 0: none selected
    int32_t DeviceCount = 0;      // device sections, as last read from or written to "PocetZar"
    int32_t DeviceSection = 0;    // n of the section "Zar" + n of the current device
};

struct TPanelState {
    // Led0 of the master (element 0) and of slaves 1 to 4 (elements 1 to 4).
    std::array<uint32_t, DeviceCount> LedOn{};
    // Led1, same indexing.
    std::array<uint32_t, DeviceCount> LedBlink{};
    TEventReadingState Events;
};
