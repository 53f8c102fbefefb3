#pragma once
// Status replies told apart by their master's device ID, and the data report lines they leave:
// a test sends replies tagged 0x00 to 0xFF and reads back which of them were decoded, in order.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A status record of `size` bytes (283 is the record) whose master ID is C5C4C3C2C1 followed by
// `tag` (the ID is the record's first six bytes, least significant first). The other bytes
// follow a pattern that holds 0xAA, so the reply is escaped on the serial line.
std::string TaggedStatusRecord(uint8_t tag, std::size_t size = 283);

// The ID as the data line shows it: "C5C4C3C2C1" and the tag in two hexadecimal digits.
std::string TaggedId(uint8_t tag);

// The IDs of the data lines in the data report files under `toolDir` ("ReportData"), in order.
std::vector<std::string> DataLineIds(const std::filesystem::path& toolDir);

// Event record `index` (the 14-byte reply to 'G') with the ID TaggedId(tag): event code 8 on
// device 1, loop 2, at 00:00:10 on 01.01.2000.
std::string TaggedEventRecord(uint16_t index, uint8_t tag);
