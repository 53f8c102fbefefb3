#pragma once
// A transport that keeps the last frame SendFrame handed over, so a frame built by the codec's
// own framing can be fed back or measured, and a communication log that drops every line. Header
// only: the fuzzer and the benchmarks use them without the test libraries.

#include "core/comm_log.h"
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
    bool SetUdpDestination(const std::string&, const std::string&) override { return true; }
    bool SendDatagram(const uint8_t* data, uint32_t count) override {
        Last.assign(data, data + count);
        return true;
    }

    bool Udp = false;
    std::vector<uint8_t> Last;
};

class TNullLog : public ICommLog {
public:
    void AddLine(const std::string&) override {}
    int LineCount() const override { return 0; }
    void DeleteFirstLine() override {}
    void Clear() override {}
};
