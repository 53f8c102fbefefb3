#pragma once
// A transport that keeps the last frame SendFrame handed over, so a frame built by the codec's
// own framing can be fed back or measured. Header only: the fuzzer and the benchmarks use it
// without the test libraries.

#include "link/frame_codec.h"

#include <cstdint>
#include <string>
#include <vector>

class TFrameCapture : public IFrameTransport {
public:
    bool UdpSelected() const override { return Udp; }
    std::string IpText() const override { return "127.0.0.1"; }
    void WriteSerial(const uint8_t* data, uint32_t count) override {
        Last.assign(data, data + count);
    }
    void SetUdpDestination(const std::string&, const std::string&) override {}
    void SendDatagram(const uint8_t* data, uint32_t count) override {
        Last.assign(data, data + count);
    }

    bool Udp = false;
    std::vector<uint8_t> Last;
};
