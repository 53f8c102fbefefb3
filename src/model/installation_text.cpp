#include "model/installation_text.h"

#include "core/errors.h"

#include <cstdint>
#include <optional>

namespace {

// The code point starting at `at`, advancing `at`; empty for bytes that are not UTF-8.
std::optional<uint32_t> NextCodePoint(const std::string& text, std::size_t& at) {
    const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(at);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || at + static_cast<std::size_t>(length) > text.size()) {
        return std::nullopt;
    }
    uint32_t point = length == 1 ? lead : lead & (0x7FU >> length);
    for (int k = 1; k < length; ++k) {
        const uint8_t next = byte(at + static_cast<std::size_t>(k));
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        point = point << 6 | (next & 0x3FU);
    }
    static constexpr uint32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < Smallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return std::nullopt; // overlong, beyond Unicode, or a surrogate
    }
    at += static_cast<std::size_t>(length);
    return point;
}

bool IsControl(uint32_t point) {
    return point < 0x20 || (point >= 0x7F && point <= 0x9F) || point == 0x2028 || point == 0x2029;
}

} // namespace

std::string CheckedInstallationText(const std::string& what, const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    const std::string trimmed = first == std::string::npos
                                    ? std::string()
                                    : text.substr(first, text.find_last_not_of(' ') - first + 1);
    std::size_t characters = 0;
    for (std::size_t at = 0; at < trimmed.size(); ++characters) {
        const std::optional<uint32_t> point = NextCodePoint(trimmed, at);
        if (!point) {
            throw EOrvant("The installation's " + what +
                          " is not readable text (not UTF-8); type it again.");
        }
        if (IsControl(*point)) {
            throw EOrvant("The installation's " + what +
                          " may not hold line breaks, tabs or other control characters.");
        }
    }
    if (characters > InstallationTextMaxLength) {
        throw EOrvant("The installation's " + what + " has " + std::to_string(characters) +
                      " characters; at most " + std::to_string(InstallationTextMaxLength) +
                      " are allowed.");
    }
    return trimmed;
}
