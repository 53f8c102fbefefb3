#pragma once
// Numbers on the link are unsigned little-endian and unaligned: read byte by byte.

#include <cstdint>

inline uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A 48-bit device ID, least significant byte first.
inline uint64_t ReadU48(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 5; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}
