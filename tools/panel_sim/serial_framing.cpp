#include "panel_sim/serial_framing.h"

namespace panel_sim {

namespace {

constexpr uint8_t Escape = 0xAA;
constexpr uint8_t StartFromPc = 0x01;
constexpr uint8_t StartFromPanel = 0x03;
constexpr uint8_t End = 0x02;

void PutEscaped(std::vector<uint8_t>& out, uint8_t b) {
    if (b == Escape) {
        out.push_back(Escape);
    }
    out.push_back(b);
}

} // namespace

std::vector<uint8_t> EncodeSerialReply(const TMessage& reply) {
    std::vector<uint8_t> out{Escape, StartFromPanel};
    out.reserve(reply.Payload.size() * 2 + 8);
    PutEscaped(out, FrameAddress);
    PutEscaped(out, reply.Letter);
    for (uint8_t b : reply.Payload) {
        PutEscaped(out, b);
    }
    PutEscaped(out, FrameChecksum(FrameAddress, reply.Letter, reply.Payload));
    out.push_back(Escape);
    out.push_back(End);
    return out;
}

TFeedResult TSerialRequestReader::Feed(uint8_t b) {
    switch (FState) {
    case TState::Idle:
        if (b == Escape) {
            FState = TState::Marker;
        }
        return TFeedResult::None;
    case TState::Marker:
        if (b == StartFromPc) {
            FBody.clear();
            FState = TState::Body;
        } else if (b != Escape) {
            // Our own replies echoed back (0xAA 0x03) and noise are not requests.
            FState = TState::Idle;
        }
        return TFeedResult::None;
    case TState::Body:
        if (b == Escape) {
            FState = TState::Escape;
            return TFeedResult::None;
        }
        break;
    case TState::Escape:
        if (b == StartFromPc) {
            FBody.clear();
            FState = TState::Body;
            return TFeedResult::None;
        }
        if (b == End) {
            return EndFrame();
        }
        if (b != Escape) {
            return Drop();
        }
        FState = TState::Body;
        break;
    }
    if (FBody.size() >= MaxBody) {
        return Drop();
    }
    FBody.push_back(b);
    return TFeedResult::None;
}

TFeedResult TSerialRequestReader::EndFrame() {
    FState = TState::Idle;
    if (FBody.size() < 3) {
        return TFeedResult::Malformed; // no room for address, letter and checksum
    }
    TMessage request;
    request.Letter = FBody[1];
    request.Payload.assign(FBody.begin() + 2, FBody.end() - 1);
    if (FrameChecksum(FBody[0], request.Letter, request.Payload) != FBody.back()) {
        return TFeedResult::BadChecksum;
    }
    FRequest = std::move(request);
    return TFeedResult::Request;
}

TFeedResult TSerialRequestReader::Drop() {
    FState = TState::Idle;
    FBody.clear();
    return TFeedResult::Malformed;
}

} // namespace panel_sim
