#include "model/event_window.h"

namespace {

bool Usable(const TEventWindow& w) {
    return w.Capacity > 0 && w.Start < w.Capacity && w.End < w.Capacity;
}

// Steps from `from` forward to `to` round the ring (both below the capacity).
uint32_t Distance(uint16_t from, uint16_t to, uint16_t capacity) {
    return (uint32_t(to) + capacity - from) % capacity;
}

} // namespace

TIndexPlace PlaceOf(uint16_t index, const TEventWindow& w) {
    if (!Usable(w)) {
        return TIndexPlace::Unknown;
    }
    if (index >= w.Capacity) {
        return TIndexPlace::Outside;
    }
    if (w.Start == w.End) {
        return TIndexPlace::Inside; // empty or full: the record itself will tell
    }
    const uint32_t held = Distance(w.Start, w.End, w.Capacity);
    return Distance(w.Start, index, w.Capacity) <= held ? TIndexPlace::Inside
                                                        : TIndexPlace::Outside;
}

uint32_t RecordsWaiting(uint16_t index, const TEventWindow& w) {
    if (PlaceOf(index, w) != TIndexPlace::Inside) {
        return 0;
    }
    return Distance(index, w.End, w.Capacity);
}

uint16_t NextIndex(uint16_t index, uint16_t capacity) {
    const uint32_t next = index + 1u;
    return next < capacity ? static_cast<uint16_t>(next) : 0;
}

std::string WindowText(const TEventWindow& w) {
    const std::string ring = "a ring of " + std::to_string(w.Capacity);
    if (!Usable(w) || w.Start == w.End) {
        return ring;
    }
    const uint16_t last = w.End == 0 ? uint16_t(w.Capacity - 1) : uint16_t(w.End - 1);
    return "records " + std::to_string(w.Start) + " to " + std::to_string(last) + " of " + ring;
}
