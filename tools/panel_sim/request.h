#pragma once
// One request of the PC and one reply of the panel, without any framing: the command letter and
// its payload. The transports' framings turn these into bytes and back.

#include <cstdint>
#include <vector>

namespace panel_sim {

// The address byte of every frame on the link.
constexpr uint8_t FrameAddress = 0x30;

struct TMessage {
    uint8_t Letter = 0;
    std::vector<uint8_t> Payload;
};

// The 8-bit sum of address byte, letter and payload: the frame's checksum.
uint8_t FrameChecksum(uint8_t address, uint8_t letter, const std::vector<uint8_t>& payload);

} // namespace panel_sim
