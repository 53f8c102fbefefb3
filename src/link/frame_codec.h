#pragma once
// Frames on the panel link, both ways and on both transports.
//
// A frame body is: address byte (0x30 when sent), command letter, payload (0 to 2049 bytes) and an
// 8-bit checksum, the plain sum of address, letter and payload. On the serial line the body is
// escaped (0xAA is sent as 0xAA 0xAA) and wrapped in 0xAA 0x01 ... 0xAA 0x02 towards the panel and
// 0xAA 0x03 ... 0xAA 0x02 from it. Over UDP one datagram carries 0x01, the body unescaped, 0x02.
//
// Both receive paths put the frame into the one RxBuffer (address byte at 0, letter at 1, payload
// from 2) and hand it to the decoder registered for its letter; decoders read their fields there.

#include "core/errors.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class ICommLog;

// How the link has fared since the program started, for a link-health display.
struct TLinkCounters {
    uint64_t Dispatched = 0;             // frames handed to a decoder
    uint64_t SerialChecksumErrors = 0;   // serial frames dropped for a wrong checksum
    uint64_t DatagramChecksumErrors = 0; // datagrams with a wrong or missing checksum (decoded)
    uint64_t ShortReplies = 0;           // replies shorter than their record, passed over
    uint64_t DatagramsIgnored = 0;       // datagrams never dispatched (size, letter, busy)
    uint64_t UnawaitedReplies = 0;       // decoded replies nobody waited for (late, repeated)
    uint64_t DatagramsUnsent = 0;        // datagrams dropped because the send queue was full
};

// One frame that went out or came in, as a link monitor sees it.
enum class TFrameWay : uint8_t { Sent, Received };
enum class TFrameRoute : uint8_t { Serial, Udp };
enum class TFrameFate : uint8_t {
    Sent,        // handed to the transport
    SendFailed,  // the transport refused it (the failure goes on to the sender)
    Decoded,     // handed to its decoder
    BadChecksum, // a serial frame dropped for its checksum
    Short,       // a reply shorter than its record, passed over
    Ignored,     // no decoder for its letter, or a datagram that is never dispatched
    Unawaited,   // decoded, but no request waited for it (late or repeated): dropped
};

struct TFrameEvent {
    TFrameWay Way;
    TFrameRoute Route;
    TFrameFate Fate;
    uint8_t Letter; // the command letter (0 for a datagram too short to carry one)
    // The frame's bytes as they were on the wire, markers and escapes included. A received
    // serial frame is rebuilt from its body (escaping has one form, so the bytes are the same).
    const uint8_t* Wire;
    std::size_t WireLength;
    // The other end of a datagram ("10.0.0.7:1501"): the sender of a received one, the
    // destination of a sent one, when the transport told it; else empty.
    std::string_view From{};
    // A datagram that was not taken from the panel (IgnoreDatagram).
    bool Stranger = false;
};

// Told of every frame the codec sends or receives, on the main thread, before a received frame
// reaches its decoder (so a request the decoder sends comes after the reply that caused it).
class IFrameObserver {
public:
    virtual ~IFrameObserver() = default;
    virtual void FrameSeen(const TFrameEvent& frame) = 0;
    // The reply just seen turned out to be one nobody waited for; its decoder dropped it.
    virtual void ReplyDropped() {}
};

// A reply too short for the record its decoder reads at fixed offsets.
class EShortReply : public EOrvant {
public:
    EShortReply(uint8_t letter, std::size_t length, std::size_t needed);
    std::size_t Length; // payload bytes the reply had
    std::size_t Needed; // payload bytes its decoder reads
};

// What SendFrame needs of the transports and of the window's link controls.
class IFrameTransport {
public:
    virtual ~IFrameTransport() = default;
    // True when frames go over UDP (the "UDP" box is ticked at this moment), false for serial.
    virtual bool UdpSelected() const = 0;
    // The current text of the IP field.
    virtual std::string IpText() const = 0;
    // One write of a whole serial frame; raises the serial port's error when the port fails.
    virtual void WriteSerial(const uint8_t* data, uint32_t count) = 0;
    // Sets the UDP destination before a datagram; raises "Invalid address: ..." for a bad text.
    // False while the destination is not known yet (a host name being looked up): the datagram
    // must then not go, and nothing is raised.
    virtual bool SetUdpDestination(const std::string& port, const std::string& address) = 0;
    // Sends one datagram to the destination last set, without waiting: false when the system's
    // send queue is full and the datagram was dropped (a later poll asks again).
    virtual bool SendDatagram(const uint8_t* data, uint32_t count) = 0;
    // Where the datagrams go once SetUdpDestination took the address ("10.0.0.7:1501"), for the
    // traffic monitor; empty when the transport cannot tell.
    virtual std::string UdpDestinationText() const { return {}; }
};

class TFrameCodec {
public:
    static constexpr std::size_t BufferSize = 4097; // indices 0 to 4096
    static constexpr std::size_t MaxPayload = 2049; // indices 0 to 2048
    static constexpr uint8_t AddressByte = 0x30;
    static constexpr uint16_t UdpPort = 1501;

    using TDecoder = std::function<void()>;

    TFrameCodec(IFrameTransport& transport, ICommLog& log);

    // The decoder called for a received frame with this command letter. Letters without a
    // decoder are dropped silently. A decoder that reads its record at fixed offsets names the
    // record's size as minPayload: a reply with a shorter payload is never decoded (the buffer
    // past it still holds an earlier frame); it is counted and raises EShortReply instead.
    void RegisterDecoder(uint8_t letter, TDecoder decoder, std::size_t minPayload = 0);

    // Adds a watcher of the traffic; it must outlive the codec or be removed first. Without
    // observers a frame costs nothing extra.
    void AddObserver(IFrameObserver& observer);
    void RemoveObserver(IFrameObserver& observer);

    // The body of a serial frame's bytes (start marker, escaped body, end marker): unescaped,
    // without markers. Bytes that are not a well-formed frame give what could be unescaped.
    static std::vector<uint8_t> SerialBody(const uint8_t* wire, std::size_t length);

    // Builds the frame for the transport selected now and hands it over. `payload` points at
    // `length` bytes (it may be null when `length` is 0). A payload over 2049 bytes, or a serial
    // frame that its escapes would make longer than TxBuffer, raises ERangeError before anything
    // is sent; transport failures ("Invalid address: ...", the serial port's error) propagate.
    // A datagram whose destination is not known yet, or that the full send queue dropped, is
    // not sent; observers see it as not sent (the dropped ones are counted), nothing is raised.
    void SendFrame(uint8_t letter, const uint8_t* payload, uint16_t length);

    // One step of the serial receive state machine. The body is collected apart from RxBuffer and
    // copied there whole at the end marker, so a datagram arriving meanwhile cannot mix with it.
    // A body of fewer than 2 bytes is discarded, and so is one that would pass the end of the
    // buffer (the machine then waits for the next start marker). A byte that arrives while a
    // frame is handled adds "4 <value>" to the log and is dropped. A failure raised by a decoder
    // propagates to the caller after RxState is back at 0.
    void ReceiveByte(uint8_t b);

    // One received datagram (the sender is not used): bytes from offset 1 on go to RxBuffer from
    // index 0. 'A' is dispatched at any length, 'G', 'U' and 'V' only when the datagram has more
    // than 6 bytes, other letters never. Datagrams shorter than 3 or longer than 4098 bytes, and
    // datagrams that arrive while a frame is being handled, are dropped. The checksum is not
    // required, but a wrong or missing one is counted. Decoder failures propagate.
    // `from` is the sender, for the observers only.
    void ReceiveDatagram(const uint8_t* data, int length, std::string_view from = {});

    // A datagram that did not come from the panel (see tPult): counted with the ignored ones and
    // shown to the observers with its sender (`from`), never decoded.
    void IgnoreDatagram(const uint8_t* data, int length, std::string_view from);

    // Calls the decoder for a received frame's command letter; letters without one are dropped.
    // Raises EShortReply, without calling the decoder, when PayloadLength() is below the
    // decoder's minimum.
    void DispatchReply(uint8_t letter);

    // Called by a decoder whose reply no request waited for (late, repeated, never asked): the
    // reply is counted and its observers are told, nothing else.
    void DropReply();

    // True while a decoder runs.
    bool Handling() const { return FHandling; }

    // The receive buffer: address byte at 0, letter at 1, payload from 2. Never cleared.
    const std::array<uint8_t, BufferSize>& RxBuffer() const { return FRxBuffer; }
    // The first payload byte of the last received frame.
    const uint8_t* Payload() const { return FRxBuffer.data() + 2; }
    // The payload length of the last received frame (0 before the first).
    std::size_t PayloadLength() const { return FRxPayloadLength; }
    const TLinkCounters& Counters() const { return FCounters; }
    uint8_t RxState() const { return FRxState; }
    uint16_t RxCount() const { return FRxCount; }

    // The last frame built by SendFrame, markers and escapes included.
    const uint8_t* TxBuffer() const { return FTxBuffer.data(); }
    int32_t TxLength() const { return FTxLength; }

private:
    static constexpr uint8_t Escape = 0xAA;
    static constexpr uint8_t SerialStartToPanel = 0x01;
    static constexpr uint8_t SerialStartFromPanel = 0x03;
    static constexpr uint8_t SerialEnd = 0x02;
    static constexpr uint8_t DatagramStart = 0x01;
    static constexpr uint8_t DatagramEnd = 0x02;
    static constexpr int MaxDatagram = BufferSize + 1; // its first byte is not stored

    void BuildSerialFrame(uint8_t letter, const uint8_t* payload, uint16_t length);
    void BuildDatagram(uint8_t letter, const uint8_t* payload, uint16_t length);
    void PutEscaped(uint8_t b);
    void PutRaw(uint8_t b);
    void AfterEscape(uint8_t b);
    void StoreByte(uint8_t b);
    void EndOfFrame();
    // Dispatch that tells the observers first; `wire` is the frame as it came.
    void Dispatch(uint8_t letter, TFrameRoute route, const uint8_t* wire, std::size_t length);
    void Notify(TFrameWay way, TFrameRoute route, TFrameFate fate, uint8_t letter,
                const uint8_t* wire, std::size_t length, std::string_view from = {},
                bool stranger = false);
    // The received serial body in wire form, into FRxWire; returns its length.
    // The sender of the datagram being received, for the observers of what it causes.
    std::string_view FDatagramFrom;
    std::size_t RebuildSerialWire();

    IFrameTransport& FTransport;
    ICommLog& FLog;
    std::array<TDecoder, 256> FDecoders{};
    std::array<std::size_t, 256> FMinPayload{};
    std::array<uint8_t, BufferSize> FTxBuffer{};
    int32_t FTxLength = 0;
    std::array<uint8_t, BufferSize> FRxBuffer{};
    std::array<uint8_t, BufferSize> FRxBody{};         // the serial body being collected, unescaped
    std::array<uint8_t, 2 * BufferSize + 4> FRxWire{}; // a received serial frame for observers
    std::vector<IFrameObserver*> FObservers;
    uint8_t FRxState = 0;
    uint16_t FRxCount = 0;
    std::size_t FRxPayloadLength = 0;
    TLinkCounters FCounters;
    bool FHandling = false; // a decoder is running
    uint8_t FChecksum = 0;  // shared by SendFrame and the receive check
};
