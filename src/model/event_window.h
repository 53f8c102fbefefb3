#pragma once
// Which records the panel's event log holds, as its status reply says: a ring of `Capacity`
// slots whose oldest record is at `Start` and whose next record will go to `End`. The records
// held run from Start up to End, round the ring when End is below Start. When Start equals End
// the ring is either empty (cleared) or full (the newest record overwrote the oldest): the
// indices alone cannot tell, so every slot counts as held, and the record the panel sends for
// a slot tells (a slot it never wrote comes back empty).

#include <cstdint>
#include <string>

struct TEventWindow {
    uint16_t Start = 0;
    uint16_t End = 0;
    uint16_t Capacity = 0;
    bool operator==(const TEventWindow&) const = default;
};

enum class TIndexPlace : uint8_t {
    Unknown, // the panel names no usable ring: capacity 0, or start or end past the capacity
    Inside,  // a record the panel holds, or End itself (nothing waits)
    Outside, // not a record of this log: it was restarted, replaced, or the index was edited
};

// Where a stored index stands against the records the panel holds.
TIndexPlace PlaceOf(uint16_t index, const TEventWindow& window);

// The records from `index` up to End, round the ring; 0 unless the index is Inside.
uint32_t RecordsWaiting(uint16_t index, const TEventWindow& window);

// The index after `index` in a ring of `capacity` slots (0 after the last; always 0 in a ring
// of no slots, which no status reply has described yet).
uint16_t NextIndex(uint16_t index, uint16_t capacity);

// "records 0 to 29 of a ring of 500", or "a ring of 500" when Start equals End.
std::string WindowText(const TEventWindow& window);
