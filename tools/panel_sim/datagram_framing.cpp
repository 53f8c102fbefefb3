#include "panel_sim/datagram_framing.h"

namespace panel_sim {

namespace {
constexpr uint8_t Start = 0x01;
constexpr uint8_t End = 0x02;
constexpr std::size_t MaxDatagram = 2056; // markers, address, letter, 2049 bytes, checksum
} // namespace

std::vector<uint8_t> EncodeReplyDatagram(const TMessage& reply) {
    std::vector<uint8_t> out;
    out.reserve(reply.Payload.size() + 5);
    out.push_back(Start);
    out.push_back(FrameAddress);
    out.push_back(reply.Letter);
    for (uint8_t b : reply.Payload) {
        out.push_back(b);
    }
    out.push_back(FrameChecksum(FrameAddress, reply.Letter, reply.Payload));
    out.push_back(End);
    return out;
}

std::optional<TMessage> ParseRequestDatagram(const uint8_t* data, std::size_t length) {
    if (length < 5 || length > MaxDatagram || data[0] != Start || data[length - 1] != End) {
        return std::nullopt;
    }
    TMessage request;
    request.Letter = data[2];
    request.Payload.assign(data + 3, data + length - 2);
    if (FrameChecksum(data[1], request.Letter, request.Payload) != data[length - 2]) {
        return std::nullopt;
    }
    return request;
}

} // namespace panel_sim
