// What watching the link costs per poll: one status request sent and one 283-byte status reply
// received byte by byte over the serial line, with nobody watching, with the window's watchers
// (the link's health and the traffic record that a closed monitor leaves behind), and what an
// open monitor adds by making each frame's line. The poll comes every 100 ms at the fastest.

#include "core/clock.h"
#include "core/comm_log.h"
#include "frame_capture.h"
#include "link/commands.h"
#include "link/frame_codec.h"
#include "link/link_health.h"
#include "model/traffic_log.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// A status reply on the serial line, with every byte value in its record (escapes included).
std::vector<uint8_t> StatusReply() {
    TFrameCapture transport;
    TNullLog log;
    TFrameCodec builder(transport, log);
    std::vector<uint8_t> payload(283);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = uint8_t(i * 7);
    }
    builder.SendFrame('A', payload.data(), uint16_t(payload.size()));
    transport.Last[1] = 0x03; // the panel's start marker
    return transport.Last;
}

enum TWatching { Nobody, ClosedMonitor, OpenMonitor };

void BM_PollAndReply(benchmark::State& state) {
    const auto watching = TWatching(state.range(0));
    TFrameCapture transport;
    TNullLog log;
    TFrameCodec codec(transport, log);
    uint32_t decoded = 0;
    codec.RegisterDecoder(
        'A', [&] { decoded += codec.Payload()[0]; }, 283);
    TLinkHealth health(SystemClock());
    TTrafficLog traffic(SystemClock());
    if (watching != Nobody) {
        codec.AddObserver(health);
        codec.AddObserver(traffic);
    }
    const std::vector<uint8_t> reply = StatusReply();
    auto cycle = [&] {
        SendStatusRequest(codec);
        for (uint8_t b : reply) {
            codec.ReceiveByte(b);
        }
    };
    // A record that is full already: from then on each frame reuses the slot of the oldest.
    for (std::size_t i = 0; i < TTrafficLog::Capacity; ++i) {
        cycle();
    }
    std::size_t lineBytes = 0;
    for (auto _ : state) {
        cycle();
        if (watching == OpenMonitor) {
            for (std::size_t i = traffic.Size() - 2; i < traffic.Size(); ++i) {
                lineBytes += TrafficLine(traffic.At(i)).size();
            }
        }
    }
    benchmark::DoNotOptimize(decoded);
    benchmark::DoNotOptimize(lineBytes);
    state.SetLabel(watching == Nobody          ? "nobody watching"
                   : watching == ClosedMonitor ? "health + record (monitor closed)"
                                               : "health + record + lines (monitor open)");
}
BENCHMARK(BM_PollAndReply)->Arg(Nobody)->Arg(ClosedMonitor)->Arg(OpenMonitor);

} // namespace
