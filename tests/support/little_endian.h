#pragma once
// Writers for test payloads: unsigned little-endian numbers at a byte position, the way the
// panel puts them on the link.

#include <cstdint>

inline void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

// A 48-bit device ID, least significant byte first.
inline void PutU48(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 6; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}
