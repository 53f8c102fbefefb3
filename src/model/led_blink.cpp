#include "model/led_blink.h"

#include "model/status_record.h"

namespace {

constexpr std::array<TLedGroup, LedGroupCount> Groups = {{
    {0, 6, 5, 4, 3, 2, 1},
    {8, 14, 13, 12, 11, 10, 9},
    {16, 22, 21, 20, 19, 18, 17},
}};

constexpr std::array<int, LedGroupCount* LedsPerGroup> RefreshOrder = [] {
    std::array<int, LedGroupCount * LedsPerGroup> order{};
    std::size_t n = 0;
    for (const TLedGroup& group : Groups) {
        for (int index : group) {
            order[n++] = index;
        }
    }
    return order;
}();

// Bit 2 of the counter: four ticks lit, four dark (1.6 s at 200 ms a tick).
constexpr uint16_t SlowBlinkBit = 1u << 2;
// Bit 0 of the counter: one tick lit, one dark (0.4 s).
constexpr uint16_t FastBlinkBit = 1u << 0;

bool Bit(uint32_t mask, int index) {
    return index >= 0 && index < 32 && ((mask >> index) & 1u) != 0;
}

} // namespace

std::span<const TLedGroup> LedGroups() {
    return Groups;
}

std::span<const int> LedRefreshOrder() {
    return RefreshOrder;
}

bool IsLedIndex(int index) {
    return (index >= 0 && index <= 6) || (index >= 8 && index <= 14) ||
           (index >= 16 && index <= 22);
}

bool LedLit(bool on, bool blink, uint16_t counter) {
    if (on && blink) {
        return (counter & SlowBlinkBit) != 0;
    }
    if (blink) {
        return (counter & FastBlinkBit) != 0;
    }
    return on;
}

bool LedLit(uint32_t onMask, uint32_t blinkMask, int index, uint16_t counter) {
    return LedLit(Bit(onMask, index), Bit(blinkMask, index), counter);
}

void TLedBlinker::Tick(const TPanelState& state,
                       const std::function<void(const TLedRefresh&)>& apply) {
    ++FCounter; // unsigned 16-bit: 65535 wraps to 0
    auto refresh = [&](int device, int index) {
        const auto d = static_cast<std::size_t>(device);
        apply({device, index, LedLit(state.LedOn[d], state.LedBlink[d], index, FCounter)});
    };
    for (int index : RefreshOrder) {
        refresh(0, index);
    }
    for (int index : RefreshOrder) {
        for (int slave = 1; slave <= SlaveCount; ++slave) {
            refresh(slave, index);
        }
    }
}
