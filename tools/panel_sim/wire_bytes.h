#pragma once
// Numbers go on the link unsigned and little-endian, byte by byte (nothing is aligned).

#include <cstdint>

namespace panel_sim {

inline void PutLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

// A 48-bit device ID, least significant byte first.
inline void PutLe48(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 6; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

inline uint16_t GetLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

} // namespace panel_sim
