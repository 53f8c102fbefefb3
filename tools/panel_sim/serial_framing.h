#pragma once
// The panel's side of the serial framing. Requests arrive as 0xAA 0x01, the escaped body
// (address, letter, payload, checksum) and 0xAA 0x02; replies leave as 0xAA 0x03, the escaped
// body and 0xAA 0x02. A body byte 0xAA travels as 0xAA 0xAA.

#include "panel_sim/request.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace panel_sim {

// Builds the serial reply frame for a message, with address byte 0x30.
std::vector<uint8_t> EncodeSerialReply(const TMessage& reply);

// What one received byte did.
enum class TFeedResult {
    None,        // nothing finished
    Request,     // a request is complete and checked: see Request()
    BadChecksum, // a frame ended whose checksum did not match: dropped
    Malformed,   // a frame was dropped: too short, too long, or a bad escape
};

// Collects request frames from the byte stream, as the panel does. Bytes outside a frame are
// ignored, a new start marker inside a frame starts over, and any frame that cannot be parsed
// is dropped whole; the reader then waits for the next start marker.
class TSerialRequestReader {
public:
    // The longest body taken: address, letter, a 2049-byte payload and the checksum.
    static constexpr std::size_t MaxBody = 2052;

    TFeedResult Feed(uint8_t b);
    // The last complete request (valid after Feed returned Request).
    const TMessage& Request() const { return FRequest; }

private:
    enum class TState { Idle, Marker, Body, Escape };

    TFeedResult EndFrame();
    TFeedResult Drop();

    TState FState = TState::Idle;
    std::vector<uint8_t> FBody;
    TMessage FRequest;
};

} // namespace panel_sim
