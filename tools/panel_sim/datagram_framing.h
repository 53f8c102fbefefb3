#pragma once
// The panel's side of the UDP framing: one frame per datagram, 0x01, the body unescaped
// (address, letter, payload, checksum), 0x02.

#include "panel_sim/request.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace panel_sim {

// The datagram carrying a reply, with address byte 0x30.
std::vector<uint8_t> EncodeReplyDatagram(const TMessage& reply);

// The request in a datagram, or nothing when the datagram is not a whole frame with a matching
// checksum (such a datagram is dropped, as the panel does).
std::optional<TMessage> ParseRequestDatagram(const uint8_t* data, std::size_t length);

} // namespace panel_sim
