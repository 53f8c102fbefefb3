// Throws arbitrary bytes at both receive paths of the frame codec, and arbitrary frames through a
// send and receive round trip.
//
// The first input byte chooses the mode (its value modulo 4):
//   0  every further byte goes to ReceiveByte;
//   1  datagrams, each a 16-bit little-endian length and that many bytes, to ReceiveDatagram;
//   2  both mixed: a control byte with bit 7 set is followed by a datagram as in mode 1, one
//      without it by (control byte) bytes for ReceiveByte;
//   3  round trip: transport choice, letter, payload; SendFrame's serial frame, turned into a
//      panel reply, must come out of ReceiveByte with the same payload.
// After every step the receive machine must be idle or collecting and no decoder may be running.

#include "core/comm_log.h"
#include "core/errors.h"
#include "frame_capture.h"
#include "link/frame_codec.h"
#include "model/panel_state.h"
#include "model/panel_texts.h"
#include "model/status_decoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t EventSize = 14;
constexpr std::size_t VersionLimit = 128;

class TFuzzLog : public ICommLog {
public:
    void AddLine(const std::string& line) override { FCount += line.size() > 0 ? 1 : 0; }
    int LineCount() const override { return FCount; }
    void DeleteFirstLine() override { FCount = FCount > 0 ? FCount - 1 : 0; }
    void Clear() override { FCount = 0; }

private:
    int FCount = 0;
};

volatile uint32_t Sink; // keeps the decoders' reads from being optimised away

uint32_t Sum(const uint8_t* p, std::size_t n) {
    uint32_t s = 0;
    for (std::size_t i = 0; i < n; ++i) {
        s += p[i];
    }
    return s;
}

// Everything the status decoder drives, reduced to reading what it is given; the bookkeeping
// sometimes refuses, as a settings file that cannot be written would.
class TFuzzStatusSinks : public IStatusView,
                         public IChartSink,
                         public IEventBookkeeping,
                         public IDataLineSink {
public:
    void ShowDeviceId(int, const std::string& idText) override { Sink = idText.size(); }
    void ShowValue(int device, TMeasureField, uint16_t raw) override { Sink = device + raw; }
    void ShowStateCode(int device, TStateField field, uint8_t code) override {
        Sink = StateItemIndex(field, code) + device;
    }
    void ShowOutputs(int, uint16_t out) override { Sink = out; }
    void ShowSlavePage(int slave, bool shown) override { Sink = slave + shown; }
    void AddChartPoints(const TDateTime&, double vNet, double vBat, double vDet) override {
        Sink = static_cast<uint32_t>(vNet + vBat + vDet);
    }
    void SelectDeviceAndRequest(uint16_t start, uint16_t end, uint16_t,
                                const std::string&) override {
        if (start == 0xFFFF && end == 0xFFFF) {
            throw EOrvant("Unable to write to Kelm2.ini");
        }
    }
    void WriteDataLine(const TStatusRecord& record) override { Sink = record.Master.Out; }
};

TSystemClock FuzzClock;
TPanelState FuzzPanelState;
TFuzzStatusSinks FuzzSinks;

// The decoders the fuzzer runs: the real status decoder for 'A'; for the others, stand-ins that
// read RxBuffer at the sizes the real ones do; 'V' raises for a text without its zero byte, as
// the real one does; 'G' and 'U' do what a decoder that lets events run or answers with a request
// would.
void RegisterFuzzDecoders(TFrameCodec& codec, TStatusDecoder& status) {
    codec.RegisterDecoder('A', [&status] { status.DecodeStatus(); });
    codec.RegisterDecoder('G', [&codec] {
        const uint8_t* p = codec.Payload();
        Sink = Sum(p, EventSize);
        if (p[0] & 1) { // bytes and a datagram arriving while this frame is handled
            codec.ReceiveByte(p[1]);
            codec.ReceiveDatagram(p, static_cast<int>(EventSize));
        }
    });
    codec.RegisterDecoder('U', [&codec] {
        const uint8_t* p = codec.Payload();
        uint8_t request[2] = {p[2], p[3]}; // asks for the next record, like the event check
        codec.SendFrame('G', request, sizeof request);
    });
    codec.RegisterDecoder('V', [&codec] {
        const uint8_t* p = codec.Payload();
        if (std::memchr(p, 0, VersionLimit) == nullptr) {
            throw ERangeError();
        }
        Sink = static_cast<uint32_t>(std::strlen(reinterpret_cast<const char*>(p)));
    });
}

void CheckSettled(const TFrameCodec& codec) {
    if (codec.RxState() > 3 || codec.Handling() || codec.RxCount() > TFrameCodec::BufferSize) {
        std::abort();
    }
}

void Feed(TFrameCodec& codec, const uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        try {
            codec.ReceiveByte(data[i]);
        } catch (const EOrvant&) {
            // A decoder refused its frame; reception goes on with the next byte.
        }
        CheckSettled(codec);
    }
}

// Takes one length-prefixed datagram from the input; returns the bytes used.
std::size_t DatagramStep(TFrameCodec& codec, const uint8_t* data, std::size_t size) {
    if (size < 2) {
        return size;
    }
    const std::size_t wanted = static_cast<std::size_t>(data[0] | (data[1] << 8));
    const std::size_t length = std::min(wanted, size - 2);
    try {
        codec.ReceiveDatagram(data + 2, static_cast<int>(length));
    } catch (const EOrvant&) {
    }
    CheckSettled(codec);
    return 2 + length;
}

void MixedSteps(TFrameCodec& codec, const uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    while (at < size) {
        const uint8_t control = data[at++];
        if (control & 0x80) {
            at += DatagramStep(codec, data + at, size - at);
        } else {
            const std::size_t run = std::min<std::size_t>(control, size - at);
            Feed(codec, data + at, run);
            at += run;
        }
    }
}

void RoundTrip(TFrameCodec& codec, TFrameCapture& transport, const uint8_t* data,
               std::size_t size) {
    if (size < 2) {
        return;
    }
    transport.Udp = data[0] & 1;
    const uint8_t letter = 'A'; // dispatched on both paths at any length
    const std::size_t length = std::min(size - 2, TFrameCodec::MaxPayload);
    const uint8_t* payload = data + 2;
    std::vector<uint8_t> seen;
    codec.RegisterDecoder(letter, [&] { seen.assign(codec.Payload(), codec.Payload() + length); });
    try {
        codec.SendFrame(letter, payload, static_cast<uint16_t>(length));
    } catch (const ERangeError&) {
        return; // too long once escaped; nothing was sent
    }
    std::vector<uint8_t> frame = transport.Last;
    if (transport.Udp) {
        codec.ReceiveDatagram(frame.data(), static_cast<int>(frame.size()));
    } else {
        frame[1] = 0x03; // what the panel would send
        Feed(codec, frame.data(), frame.size());
    }
    if (seen.size() != length || !std::equal(seen.begin(), seen.end(), payload)) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    TFrameCapture transport;
    TFuzzLog log;
    TFrameCodec codec(transport, log);
    TStatusDecoder status(codec, FuzzPanelState, FuzzSinks, FuzzSinks, FuzzSinks, FuzzSinks,
                          FuzzClock);
    RegisterFuzzDecoders(codec, status);
    switch (data[0] % 4) {
    case 0:
        Feed(codec, data + 1, size - 1);
        break;
    case 1:
        for (std::size_t at = 1; at < size;) {
            at += DatagramStep(codec, data + at, size - at);
        }
        break;
    case 2:
        MixedSteps(codec, data + 1, size - 1);
        break;
    default:
        RoundTrip(codec, transport, data + 1, size - 1);
        break;
    }
    return 0;
}
