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
// Every frame also goes through the link's health and the traffic monitor's line.

#include "core/comm_log.h"
#include "core/errors.h"
#include "frame_capture.h"
#include "link/frame_codec.h"
#include "link/link_health.h"
#include "model/event_bookkeeping.h"
#include "model/panel_state.h"
#include "model/panel_texts.h"
#include "model/reply_decoders.h"
#include "model/status_decoder.h"
#include "model/traffic_log.h"
#include "store/ini_document.h"
#include "store/report_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

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

// Everything the status decoder drives, reduced to reading what it is given.
class TFuzzStatusSinks : public IStatusView,
                         public IChartSink,
                         public IEventIndexView,
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
    void ShowEventIndices(uint16_t start, uint16_t end, uint16_t capacity) override {
        Sink = start + end + capacity;
    }
    void WriteDataLine(const TStatusRecord& record) override { Sink = record.Master.Out; }
};

// The settings file in memory, under the same rules; a device ID whose low byte is 0xEE cannot
// be written, as a settings file on a full disk could not.
class TFuzzSettings : public IEventSettings {
public:
    bool Available() const override { return true; }
    TIniValues ReadAll() const override { return TIniValues(FText); }
    void WriteInteger(const std::string& section, const std::string& key, int value) override {
        WriteString(section, key, std::to_string(value));
    }
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override {
        if (value.ends_with("EE")) {
            throw EOrvant("Unable to write to Kelm2.ini");
        }
        TIniDocument document(FText);
        document.Set(section, key, value);
        FText = document.Text();
    }
    // All of them or none, as the settings file does.
    void WriteStrings(const std::string& section,
                      const std::vector<std::pair<std::string, std::string>>& values) override {
        SetAll(FText, section, values);
    }
    void UpdateFile() override {}
    // The bookkeeping here does its disk work at once, so the text outlives the call.
    std::function<void()>
    WriteStringsLater(const std::string& section,
                      std::vector<std::pair<std::string, std::string>> values) const override {
        return
            [&text = FText, section, values = std::move(values)] { SetAll(text, section, values); };
    }

private:
    static void SetAll(std::string& text, const std::string& section,
                       const std::vector<std::pair<std::string, std::string>>& values) {
        TIniDocument document(text);
        for (const auto& [key, value] : values) {
            if (value.ends_with("EE")) {
                throw EOrvant("Unable to write to Kelm2.ini");
            }
            document.Set(section, key, value);
        }
        text = document.Text();
    }
    mutable std::string FText; // written by the disk work WriteStringsLater hands out
};

// The event report: an event line whose index is odd lets events run while it is written, so
// bytes and a datagram arrive while the frame is handled; every fifth line fails.
class TFuzzReport : public IReportLines {
public:
    explicit TFuzzReport(TFrameCodec& codec) : FCodec(codec) {}
    bool WriteReportLine(const std::string& text) override {
        Sink = static_cast<uint32_t>(text.size());
        if (text.size() > 6 && (text[6] & 1)) {
            const uint8_t* p = FCodec.Payload();
            FCodec.ReceiveByte(p[1]);
            FCodec.ReceiveDatagram(p, 14);
        }
        if (++FLines % 5 == 0) {
            throw EInOutError(28, "Kelm2_Udal.txt");
        }
        return true;
    }

private:
    TFrameCodec& FCodec;
    int FLines = 0;
};

TSystemClock FuzzClock;
TFuzzStatusSinks FuzzSinks;

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

// The window's watchers of the link: the health, and an open traffic monitor that makes every
// frame's line at once from whatever bytes came.
class TFuzzMonitor : public IFrameObserver {
public:
    void FrameSeen(const TFrameEvent& frame) override {
        FHealth.FrameSeen(frame);
        FTraffic.FrameSeen(frame);
        Sink = uint32_t(TrafficLine(FTraffic.At(FTraffic.Size() - 1)).size());
    }
    void ReplyDropped() override {
        FTraffic.ReplyDropped();
        Sink = uint32_t(TrafficLine(FTraffic.At(FTraffic.Size() - 1)).size());
    }

private:
    TLinkHealth FHealth{FuzzClock};
    TTrafficLog FTraffic{FuzzClock};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    TFrameCapture transport;
    TFuzzLog log;
    TFrameCodec codec(transport, log);
    TFuzzMonitor monitor;
    codec.AddObserver(monitor);
    // The program's own decoders, the event bookkeeping on a settings file in memory.
    TPanelState state;
    TFuzzSettings settings;
    TFuzzReport report(codec);
    TEventBookkeeping events(codec, state.Events, settings, FuzzSinks, report, log, FuzzClock);
    TStatusDecoder status(codec, state, FuzzSinks, FuzzSinks, events, FuzzSinks, FuzzClock);
    RegisterReplyDecoders(codec, status, events, log, report, FuzzClock);
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
