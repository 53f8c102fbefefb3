#include "panel_sim/event_ring.h"

#include "panel_sim/wire_bytes.h"

#include <algorithm>
#include <stdexcept>

namespace panel_sim {

std::array<uint8_t, EventRecordSize> EncodeEventRecord(const TEventRecord& record) {
    std::array<uint8_t, EventRecordSize> out{};
    PutLe16(&out[0], record.Index);
    PutLe48(&out[2], record.Id);
    out[8] = record.Code;
    out[9] = record.Source;
    PutLe32(&out[10], record.Time);
    return out;
}

TEventRing::TEventRing(uint16_t capacity) {
    if (capacity == 0) {
        throw std::out_of_range("event ring capacity must be at least 1");
    }
    FSlots.resize(capacity);
    for (uint16_t i = 0; i < capacity; ++i) {
        FSlots[i].Index = i;
    }
}

void TEventRing::Clear() {
    for (uint16_t i = 0; i < FSlots.size(); ++i) {
        FSlots[i] = TEventRecord{};
        FSlots[i].Index = i;
    }
    FStart = 0;
    FEnd = 0;
    FCount = 0;
}

void TEventRing::Resize(uint16_t capacity) {
    if (capacity == 0) {
        throw std::out_of_range("event ring capacity must be at least 1");
    }
    const uint32_t kept = std::min<uint32_t>(FCount, capacity);
    std::vector<TEventRecord> held;
    for (uint32_t k = FCount - kept; k < FCount; ++k) {
        held.push_back(FSlots[(FStart + k) % FSlots.size()]);
    }
    FSlots.assign(capacity, TEventRecord{});
    for (uint16_t i = 0; i < capacity; ++i) {
        FSlots[i].Index = i;
    }
    for (uint16_t i = 0; i < held.size(); ++i) {
        FSlots[i] = held[i];
        FSlots[i].Index = i;
    }
    FStart = 0;
    FCount = kept;
    FEnd = static_cast<uint16_t>(kept % capacity);
}

uint16_t TEventRing::Append(uint64_t id, uint8_t code, uint8_t source, uint32_t time) {
    uint16_t index = FEnd;
    FSlots[index] = TEventRecord{index, id, code, source, time};
    FEnd = static_cast<uint16_t>((index + 1u) % FSlots.size());
    if (FCount < FSlots.size()) {
        ++FCount;
    } else {
        FStart = FEnd; // the oldest record was just overwritten
    }
    return index;
}

TEventRecord TEventRing::At(uint16_t index) const {
    if (index >= FSlots.size()) {
        throw std::out_of_range("event index past the ring");
    }
    return FSlots[index];
}

} // namespace panel_sim
