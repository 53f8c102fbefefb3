#pragma once
// The LED indicators of the status pages, without any window: which LEDs each device has, how
// they are grouped on a page, in which order the LED tick refreshes them, and whether an LED is
// lit or dark at a given tick.
//
// Every device (0 master, 1 to 4 slaves) has LEDs at indices 0 to 6, 8 to 14 and 16 to 22; bit n
// of the device's Led0 (on) and Led1 (blink) masks belongs to LED n. The window's LED timer fires
// every 200 ms and counts its ticks in one 16-bit counter shared by all devices, so every LED
// on every page blinks in phase.

#include "model/panel_state.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>

// The three LED columns of a status page, top to bottom, each a list of LED indices from top to
// bottom: 0, 6, 5, 4, 3, 2, 1 / 8, 14, 13, 12, 11, 10, 9 / 16, 22, 21, 20, 19, 18, 17.
constexpr int LedGroupCount = 3;
constexpr int LedsPerGroup = 7;
using TLedGroup = std::array<int, LedsPerGroup>;
std::span<const TLedGroup> LedGroups();

// The order in which one tick refreshes the LEDs of a device: the groups one after another, each
// top to bottom (21 indices, every LED of a device exactly once, 8 "Fault processor" included).
std::span<const int> LedRefreshOrder();

// True when a device has an LED at this index (0 to 6, 8 to 14, 16 to 22).
bool IsLedIndex(int index);

// The look of one LED for its pair of mask bits at blink counter value counter:
// on only: lit; on and blink: slow blink, lit while bit 2 of the counter is set (4 ticks lit,
// 4 dark); blink only: fast blink, lit while bit 0 is set (1 tick lit, 1 dark); neither: dark.
// Both periods divide 65536, so the rhythms run on unbroken when the counter wraps.
bool LedLit(bool on, bool blink, uint16_t counter);

// The look of LED index (0 to 31) of one device's masks at counter value counter.
bool LedLit(uint32_t onMask, uint32_t blinkMask, int index, uint16_t counter);

// One LED to redraw: device 0 to 4, LED index, and its look at this tick.
struct TLedRefresh {
    int Device;
    int Index;
    bool Lit;
};

// The LED tick. Holds the blink counter (0 at start, 16-bit wrap).
class TLedBlinker {
public:
    // Advances the counter by one, then hands every LED of every device to apply with its look
    // from the masks: first the master's LEDs in refresh order, then for each index in the same
    // order that index on slaves 1, 2, 3 and 4. Every LED is handed over on every tick, whether
    // or not its look changed.
    void Tick(const TPanelState& state, const std::function<void(const TLedRefresh&)>& apply);

    uint16_t Counter() const { return FCounter; }
    // Sets the counter, so a test can start next to the wrap.
    void SetCounter(uint16_t counter) { FCounter = counter; }

private:
    uint16_t FCounter = 0;
};
