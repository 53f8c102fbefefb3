// How fast received status replies go through the frame codec: the serial receive machine byte by
// byte, and whole datagrams. The line itself brings at most 11520 bytes/s (115200 baud, 10 bits a
// byte), so the figures show the headroom.

#include "core/comm_log.h"
#include "frame_capture.h"
#include "link/frame_codec.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr uint16_t StatusSize = 283;

// A status payload with every byte value, 0xAA among them, so escapes are part of the stream.
std::vector<uint8_t> StatusPayload() {
    std::vector<uint8_t> payload(StatusSize);
    for (uint16_t i = 0; i < StatusSize; ++i) {
        payload[i] = static_cast<uint8_t>(i * 7);
    }
    return payload;
}

// A status reply as the panel sends it on the given transport.
std::vector<uint8_t> StatusReply(bool udp) {
    TFrameCapture transport;
    TNullLog log;
    TFrameCodec builder(transport, log);
    transport.Udp = udp;
    const std::vector<uint8_t> payload = StatusPayload();
    builder.SendFrame('A', payload.data(), StatusSize);
    if (!udp) {
        transport.Last[1] = 0x03; // the panel's start marker
    }
    return transport.Last;
}

void BM_ReceiveByteStatusReplies(benchmark::State& state) {
    TFrameCapture transport;
    TNullLog log;
    TFrameCodec codec(transport, log);
    uint32_t decoded = 0;
    codec.RegisterDecoder('A', [&] { decoded += codec.Payload()[0]; });
    const std::vector<uint8_t> reply = StatusReply(false);
    for (auto _ : state) {
        for (uint8_t b : reply) {
            codec.ReceiveByte(b);
        }
        benchmark::DoNotOptimize(decoded);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * reply.size()));
    state.counters["x115200baud"] = benchmark::Counter(
        static_cast<double>(reply.size()) / 11520.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReceiveByteStatusReplies);

void BM_ReceiveDatagramStatusReplies(benchmark::State& state) {
    TFrameCapture transport;
    TNullLog log;
    TFrameCodec codec(transport, log);
    uint32_t decoded = 0;
    codec.RegisterDecoder('A', [&] { decoded += codec.Payload()[0]; });
    const std::vector<uint8_t> reply = StatusReply(true);
    for (auto _ : state) {
        codec.ReceiveDatagram(reply.data(), static_cast<int>(reply.size()));
        benchmark::DoNotOptimize(decoded);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * reply.size()));
    state.counters["x115200baud"] = benchmark::Counter(
        static_cast<double>(reply.size()) / 11520.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReceiveDatagramStatusReplies);

} // namespace
