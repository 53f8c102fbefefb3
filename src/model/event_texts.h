#pragma once
// The texts of the panel's event codes, as the event lines show them.

#include <array>
#include <cstdint>

constexpr int EventTextCount = 46;

// Indexed by the event code 0 to 45. Texts 39 and 40 begin with a space.
extern const std::array<const char*, EventTextCount> EventTexts;

// The code an event line shows: codes past the table (46 to 255) show as 0, "????".
constexpr uint8_t ShownEventCode(uint8_t code) {
    return code < EventTextCount ? code : 0;
}
