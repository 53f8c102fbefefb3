#pragma once
// What the master unit sends, built byte by byte for tests: a reply as it comes over the serial
// line (AA 03, escaped body, AA 02) or as one datagram (01, body, 02). The body is the address
// byte 0x30, the command letter, the payload and the 8-bit sum of those three.
//
// These are written apart from the program's own codec on purpose, so that a fault in the codec
// does not hide itself in its tests.

#include <cstdint>
#include <string>
#include <vector>

using TBytes = std::vector<uint8_t>;

inline constexpr uint8_t PanelAddressByte = 0x30;

// The 8-bit sum of address byte, letter and payload.
uint8_t PanelChecksum(uint8_t letter, const TBytes& payload);

// A reply on the serial line: AA 03, body with every 0xAA doubled, AA 02.
TBytes PanelSerialFrame(uint8_t letter, const TBytes& payload);
std::string PanelSerialFrameText(uint8_t letter, const std::string& payload);

// A reply in one datagram: 01, body unescaped, 02.
TBytes PanelDatagram(uint8_t letter, const TBytes& payload);
std::string PanelDatagramText(uint8_t letter, const std::string& payload);

// Bytes from hexadecimal pairs separated by blanks ("AA 03 30 41"); throws std::invalid_argument
// for anything else.
TBytes HexBytes(const std::string& text);
// The bytes as upper-case hexadecimal pairs separated by single blanks, for readable failures.
std::string HexText(const TBytes& bytes);

TBytes ToBytes(const std::string& text);
std::string ToText(const TBytes& bytes);
