#pragma once
// What survives from one status reply to the next: the LED masks. Written only by the status
// decoder, read by the LED tick on the same thread. Zero at start and never cleared, so the
// LEDs keep showing the last reported state when replies stop.

#include "model/status_record.h"

#include <array>
#include <cstdint>

struct TPanelState {
    // Led0 of the master (element 0) and of slaves 1 to 4 (elements 1 to 4).
    std::array<uint32_t, DeviceCount> LedOn{};
    // Led1, same indexing.
    std::array<uint32_t, DeviceCount> LedBlink{};
};
