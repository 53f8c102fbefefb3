#pragma once
// The panel's event log: a ring of fixed capacity. New records go in at the end index, which
// then moves on and wraps to 0 at the capacity; once the ring is full each new record overwrites
// the oldest, and the start index (the oldest record still held) moves along with it.

#include <array>
#include <cstdint>
#include <vector>

namespace panel_sim {

struct TEventRecord {
    uint16_t Index = 0; // the record's slot in the ring
    uint64_t Id = 0;    // 48-bit ID of the unit where it happened
    uint8_t Code = 0;   // event code
    uint8_t Source = 0; // high nibble device number, low nibble loop number
    uint32_t Time = 0;  // panel calendar
};

constexpr std::size_t EventRecordSize = 14;

// The 14-byte payload of the reply to 'G': index, ID, code, source, time, little-endian.
std::array<uint8_t, EventRecordSize> EncodeEventRecord(const TEventRecord& record);

class TEventRing {
public:
    // capacity: 1 to 65535 record slots; 0 raises std::out_of_range.
    explicit TEventRing(uint16_t capacity);

    // Empties every slot; the next record goes to index 0.
    void Clear();

    // Gives the ring `capacity` slots (1 to 65535; 0 raises std::out_of_range). The newest
    // records that fit are kept in their order and numbered again from 0; the rest is lost.
    void Resize(uint16_t capacity);

    // Writes a record at the end index and returns that index.
    uint16_t Append(uint64_t id, uint8_t code, uint8_t source, uint32_t time);

    uint16_t Start() const { return FStart; }
    uint16_t End() const { return FEnd; }
    uint16_t Capacity() const { return static_cast<uint16_t>(FSlots.size()); }
    // Records held, at most the capacity.
    uint32_t Count() const { return FCount; }

    // The record in slot `index`. A slot never written holds an empty record (code 0, time 0)
    // carrying its own index. Raises std::out_of_range past the capacity.
    TEventRecord At(uint16_t index) const;

private:
    std::vector<TEventRecord> FSlots;
    uint16_t FStart = 0;
    uint16_t FEnd = 0;
    uint32_t FCount = 0;
};

} // namespace panel_sim
