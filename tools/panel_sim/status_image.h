#pragma once
// The status record the master sends in reply to 'A': a 63-byte master block and four 55-byte
// slave blocks, little-endian and unaligned. Slaves not in the installation send zeros; a slave
// the master has lost contact with keeps the block it last sent.

#include "panel_sim/event_ring.h"
#include "panel_sim/installation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace panel_sim {

constexpr std::size_t StatusRecordSize = 283;
constexpr std::size_t MasterBlockSize = 63;
constexpr std::size_t SlaveBlockSize = 55;

// Offset of slave k's block (k = 1 to 4) in the record.
constexpr std::size_t SlaveBlockOffset(int k) {
    return MasterBlockSize + SlaveBlockSize * static_cast<std::size_t>(k - 1);
}

using TStatusRecordBytes = std::array<uint8_t, StatusRecordSize>;

class TStatusImage {
public:
    // The record as of now; the event indices come from the ring.
    TStatusRecordBytes Build(const TInstallation& installation, const TEventRing& ring);

private:
    std::array<std::optional<std::array<uint8_t, SlaveBlockSize>>, 4> FLastSlaveBlock;
};

} // namespace panel_sim
