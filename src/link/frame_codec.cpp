#include "link/frame_codec.h"

#include "core/comm_log.h"
#include "core/errors.h"

#include <algorithm>
#include <numeric>

namespace {

// Bytes a body byte takes on the serial line: 0xAA goes out twice.
std::size_t EscapedSize(uint8_t b) {
    return b == 0xAA ? 2 : 1;
}

// The length of the whole serial frame, markers and escapes included, before it is built, so
// that a frame too long for TxBuffer is refused before a byte of it is written anywhere.
std::size_t SerialFrameSize(uint8_t address, uint8_t letter, const uint8_t* payload,
                            uint16_t length) {
    uint8_t sum = static_cast<uint8_t>(address + letter);
    std::size_t size = 4 + EscapedSize(address) + EscapedSize(letter);
    for (uint16_t i = 0; i < length; ++i) {
        sum = static_cast<uint8_t>(sum + payload[i]);
        size += EscapedSize(payload[i]);
    }
    return size + EscapedSize(sum);
}

// Puts a flag up for the time a decoder runs and puts it back however the decoder ends (a
// decoder may dispatch another reply itself).
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : FFlag(flag), FWas(flag) { FFlag = true; }
    ~TFlagScope() { FFlag = FWas; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
    bool FWas;
};

// Holds the receive machine in state 4 while a serial frame is handled and returns it to 0
// afterwards, also when the decoder raises.
class TRxStateScope {
public:
    explicit TRxStateScope(uint8_t& state) : FState(state) { FState = 4; }
    ~TRxStateScope() { FState = 0; }
    TRxStateScope(const TRxStateScope&) = delete;
    TRxStateScope& operator=(const TRxStateScope&) = delete;

private:
    uint8_t& FState;
};

// The payload of a frame whose body (address, letter, payload, checksum) has this length.
std::size_t PayloadOfBody(std::size_t bodyLength) {
    return bodyLength >= 3 ? bodyLength - 3 : 0;
}

std::string LetterText(uint8_t letter) {
    if (letter >= 0x21 && letter < 0x7F) {
        return std::string("'") + char(letter) + "'";
    }
    return "#" + std::to_string(letter);
}

} // namespace

// The text leaves the length out: replies of many lengths are one fault to the user, shown once,
// not a message for every length a flood of them brings.
EShortReply::EShortReply(uint8_t letter, std::size_t length, std::size_t needed)
    : EOrvant("Reply " + LetterText(letter) + " too short: under " + std::to_string(needed) +
              " bytes"),
      Length(length), Needed(needed) {}

TFrameCodec::TFrameCodec(IFrameTransport& transport, ICommLog& log)
    : FTransport(transport), FLog(log) {}

void TFrameCodec::RegisterDecoder(uint8_t letter, TDecoder decoder, std::size_t minPayload) {
    FDecoders[letter] = std::move(decoder);
    FMinPayload[letter] = minPayload;
}

void TFrameCodec::AddObserver(IFrameObserver& observer) {
    FObservers.push_back(&observer);
}

void TFrameCodec::RemoveObserver(IFrameObserver& observer) {
    std::erase(FObservers, &observer);
}

void TFrameCodec::Notify(TFrameWay way, TFrameRoute route, TFrameFate fate, uint8_t letter,
                         const uint8_t* wire, std::size_t length, std::string_view from,
                         bool stranger) {
    if (wire == nullptr) {
        return; // a reply dispatched by hand, not one that came over a transport
    }
    if (from.empty() && way == TFrameWay::Received && route == TFrameRoute::Udp) {
        from = FDatagramFrom;
    }
    const TFrameEvent event{way, route, fate, letter, wire, length, from, stranger};
    for (IFrameObserver* observer : FObservers) {
        observer->FrameSeen(event);
    }
}

std::vector<uint8_t> TFrameCodec::SerialBody(const uint8_t* wire, std::size_t length) {
    std::vector<uint8_t> body;
    // Past the two-byte start marker, up to the end marker; 0xAA 0xAA is one 0xAA.
    for (std::size_t i = 2; i < length; ++i) {
        if (wire[i] != Escape) {
            body.push_back(wire[i]);
        } else if (i + 1 < length && wire[i + 1] == Escape) {
            body.push_back(Escape);
            ++i;
        } else {
            break;
        }
    }
    return body;
}

std::size_t TFrameCodec::RebuildSerialWire() {
    std::size_t n = 0;
    FRxWire[n++] = Escape;
    FRxWire[n++] = SerialStartFromPanel;
    for (std::size_t i = 0; i < FRxCount; ++i) {
        if (FRxBody[i] == Escape) {
            FRxWire[n++] = Escape;
        }
        FRxWire[n++] = FRxBody[i];
    }
    FRxWire[n++] = Escape;
    FRxWire[n++] = SerialEnd;
    return n;
}

// ---- sending ----

void TFrameCodec::SendFrame(uint8_t letter, const uint8_t* payload, uint16_t length) {
    if (length > MaxPayload) {
        throw ERangeError();
    }
    const bool udp = FTransport.UdpSelected();
    if (udp) {
        BuildDatagram(letter, payload, length);
    } else {
        if (SerialFrameSize(AddressByte, letter, payload, length) > BufferSize) {
            throw ERangeError();
        }
        BuildSerialFrame(letter, payload, length);
    }
    const TFrameRoute route = udp ? TFrameRoute::Udp : TFrameRoute::Serial;
    const auto length32 = static_cast<uint32_t>(FTxLength);
    std::string to; // where the datagram goes, once known
    try {
        if (udp) {
            // Set again before every datagram so that an edited IP field counts from the next
            // frame.
            if (!FTransport.SetUdpDestination(std::to_string(UdpPort), FTransport.IpText())) {
                Notify(TFrameWay::Sent, route, TFrameFate::SendFailed, letter, FTxBuffer.data(),
                       length32);
                return;
            }
            to = FTransport.UdpDestinationText();
            if (!FTransport.SendDatagram(FTxBuffer.data(), length32)) {
                ++FCounters.DatagramsUnsent;
                Notify(TFrameWay::Sent, route, TFrameFate::SendFailed, letter, FTxBuffer.data(),
                       length32, to);
                return;
            }
        } else {
            FTransport.WriteSerial(FTxBuffer.data(), length32);
        }
    } catch (...) {
        Notify(TFrameWay::Sent, route, TFrameFate::SendFailed, letter, FTxBuffer.data(), length32,
               to);
        throw;
    }
    Notify(TFrameWay::Sent, route, TFrameFate::Sent, letter, FTxBuffer.data(), length32, to);
}

void TFrameCodec::BuildSerialFrame(uint8_t letter, const uint8_t* payload, uint16_t length) {
    FTxLength = 0;
    PutRaw(Escape);
    PutRaw(SerialStartToPanel);
    FChecksum = 0;
    PutEscaped(AddressByte);
    PutEscaped(letter);
    for (uint16_t i = 0; i < length; ++i) {
        PutEscaped(payload[i]);
    }
    PutEscaped(FChecksum); // the sum itself does not count towards the sum
    PutRaw(Escape);
    PutRaw(SerialEnd);
}

void TFrameCodec::BuildDatagram(uint8_t letter, const uint8_t* payload, uint16_t length) {
    FTxLength = 0;
    PutRaw(DatagramStart);
    FChecksum = 0;
    auto putBody = [this](uint8_t b) {
        PutRaw(b);
        FChecksum = static_cast<uint8_t>(FChecksum + b);
    };
    putBody(AddressByte);
    putBody(letter);
    for (uint16_t i = 0; i < length; ++i) {
        putBody(payload[i]);
    }
    PutRaw(FChecksum);
    PutRaw(DatagramEnd);
}

// Sizes are checked before building; these only append.
void TFrameCodec::PutRaw(uint8_t b) {
    FTxBuffer[static_cast<std::size_t>(FTxLength)] = b;
    ++FTxLength;
}

void TFrameCodec::PutEscaped(uint8_t b) {
    if (b == Escape) {
        PutRaw(Escape);
    }
    PutRaw(b);
    FChecksum = static_cast<uint8_t>(FChecksum + b);
}

// ---- serial receiving ----

void TFrameCodec::ReceiveByte(uint8_t b) {
    switch (FRxState) {
    case 0: // idle: only 0xAA may begin a marker
        if (b == Escape) {
            FRxState = 1;
        }
        return;
    case 1: // after 0xAA outside a frame: only the panel's start marker opens one
        if (b == SerialStartFromPanel) {
            FRxCount = 0;
            FRxState = 2;
        } else if (b != Escape) {
            FRxState = 0; // 0x01 too: our own frame echoed back is not a reply
        }
        return;
    case 2: // in a frame
        if (b == Escape) {
            FRxState = 3;
        } else {
            StoreByte(b);
        }
        return;
    case 3:
        AfterEscape(b);
        return;
    case 4: // a decoder let events run and a byte came in meanwhile
        FLog.AddLine("4 " + std::to_string(b));
        return;
    default:
        FRxState = 0;
        return;
    }
}

void TFrameCodec::AfterEscape(uint8_t b) {
    if (b == Escape) {
        StoreByte(Escape);
    } else if (b == SerialStartFromPanel) {
        FRxCount = 0; // a new frame begins; what came before is lost
        FRxState = 2;
    } else if (b == SerialEnd) {
        EndOfFrame();
    }
    // Any other byte leaves the escape open and is dropped.
}

void TFrameCodec::StoreByte(uint8_t b) {
    if (FRxCount >= BufferSize) {
        // Longer than any frame can be: drop it whole and wait for the next start marker.
        FRxCount = 0;
        FRxState = 0;
        return;
    }
    FRxBody[FRxCount] = b;
    ++FRxCount;
    FRxState = 2;
}

void TFrameCodec::EndOfFrame() {
    // Fewer than 2 bytes carry no letter; a frame that ends while a datagram's decoder runs
    // would overwrite the buffer under it.
    if (FRxCount < 2 || FHandling) {
        FRxState = 0;
        return;
    }
    TRxStateScope handling(FRxState);
    const std::size_t last = FRxCount - 1u;
    FChecksum = 0;
    for (std::size_t i = 0; i < last; ++i) {
        FChecksum = static_cast<uint8_t>(FChecksum + FRxBody[i]);
    }
    std::copy_n(FRxBody.begin(), FRxCount, FRxBuffer.begin());
    FRxPayloadLength = PayloadOfBody(FRxCount);
    const std::size_t wireLength = FObservers.empty() ? 0 : RebuildSerialWire();
    if (FChecksum != FRxBody[last]) {
        ++FCounters.SerialChecksumErrors; // dropped without a message, but counted
        Notify(TFrameWay::Received, TFrameRoute::Serial, TFrameFate::BadChecksum, FRxBody[1],
               FRxWire.data(), wireLength);
        return;
    }
    Dispatch(FRxBuffer[1], TFrameRoute::Serial, FRxWire.data(), wireLength);
}

// ---- datagrams and dispatch ----

void TFrameCodec::ReceiveDatagram(const uint8_t* data, int length, std::string_view from) {
    FDatagramFrom = from;
    // Forgotten however the datagram ends, decoder failures included.
    struct TForget {
        std::string_view& From;
        ~TForget() { From = {}; }
    } forget{FDatagramFrom};
    if (data == nullptr || length < 3 || length > MaxDatagram || FHandling) {
        ++FCounters.DatagramsIgnored;
        if (data != nullptr && length > 0) {
            Notify(TFrameWay::Received, TFrameRoute::Udp, TFrameFate::Ignored,
                   length >= 3 ? data[2] : 0, data, std::size_t(length));
        }
        return;
    }
    std::copy_n(data + 1, length - 1, FRxBuffer.begin());
    // The body runs from offset 1 to the checksum, which sits before the closing byte.
    const std::size_t body = std::size_t(length) - 2;
    FRxPayloadLength = PayloadOfBody(body);
    if (length < 5 ||
        std::accumulate(data + 1, data + body, uint8_t(0),
                        [](uint8_t sum, uint8_t b) { return uint8_t(sum + b); }) != data[body]) {
        ++FCounters.DatagramChecksumErrors;
    }
    const uint8_t letter = FRxBuffer[1];
    const bool longEnough = length > 6;
    if (letter == 'A' || ((letter == 'G' || letter == 'U' || letter == 'V') && longEnough)) {
        Dispatch(letter, TFrameRoute::Udp, data, std::size_t(length));
    } else {
        ++FCounters.DatagramsIgnored;
        Notify(TFrameWay::Received, TFrameRoute::Udp, TFrameFate::Ignored, letter, data,
               std::size_t(length));
    }
}

void TFrameCodec::DropReply() {
    ++FCounters.UnawaitedReplies;
    for (IFrameObserver* observer : FObservers) {
        observer->ReplyDropped();
    }
}

void TFrameCodec::IgnoreDatagram(const uint8_t* data, int length, std::string_view from) {
    ++FCounters.DatagramsIgnored;
    if (data != nullptr && length > 0) {
        Notify(TFrameWay::Received, TFrameRoute::Udp, TFrameFate::Ignored,
               length >= 3 ? data[2] : 0, data, std::size_t(length), from, true);
    }
}

void TFrameCodec::DispatchReply(uint8_t letter) {
    Dispatch(letter, TFrameRoute::Serial, nullptr, 0);
}

void TFrameCodec::Dispatch(uint8_t letter, TFrameRoute route, const uint8_t* wire,
                           std::size_t length) {
    // A copy, so that a decoder may register another decoder for its own letter while it runs.
    const TDecoder decoder = FDecoders[letter];
    if (!decoder) {
        if (route == TFrameRoute::Udp) {
            ++FCounters.DatagramsIgnored;
        }
        Notify(TFrameWay::Received, route, TFrameFate::Ignored, letter, wire, length);
        return;
    }
    if (FRxPayloadLength < FMinPayload[letter]) {
        ++FCounters.ShortReplies;
        Notify(TFrameWay::Received, route, TFrameFate::Short, letter, wire, length);
        throw EShortReply(letter, FRxPayloadLength, FMinPayload[letter]);
    }
    ++FCounters.Dispatched;
    Notify(TFrameWay::Received, route, TFrameFate::Decoded, letter, wire, length);
    TFlagScope handling(FHandling);
    decoder();
}
