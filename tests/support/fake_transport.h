#pragma once
// Stand-ins for the link's surroundings in core tests.

// A transport for the frame codec that records what would go on the wire and fails like the
// real ones: a closed serial port raises the port's write error, a bad IP text "Invalid
// address: ...".

#include "link/frame_codec.h"
#include "link/link_controls.h"

#include <cstdint>
#include <string>
#include <vector>

class TFakeTransport : public IFrameTransport {
public:
    bool UdpSelected() const override { return Udp; }
    std::string IpText() const override { return Ip; }
    void WriteSerial(const uint8_t* data, uint32_t count) override;
    bool SetUdpDestination(const std::string& port, const std::string& address) override;
    bool SendDatagram(const uint8_t* data, uint32_t count) override;

    // Every frame sent, serial writes and datagrams in order of sending.
    std::vector<std::vector<uint8_t>> Sent;

    bool Udp = false;             // the "UDP" box
    std::string Ip = "127.0.0.1"; // the IP field
    bool SerialOpen = true;       // false: writes fail as on a closed port
};

// ComPort1 in front of the fake transport: closing it makes serial writes fail.
class TFakeSerialPort : public ISerialPort {
public:
    explicit TFakeSerialPort(TFakeTransport& transport) : FTransport(transport) {}
    bool Connected() const override { return FTransport.SerialOpen; }
    // Raises "Cannot open the serial port" with ENOENT while DeviceMissing.
    void Open() override;
    void Close() override { FTransport.SerialOpen = false; }
    void ShowSetupDialog() override { ++Dialogs; }
    int Opens = 0;
    int Dialogs = 0;
    bool DeviceMissing = false;

private:
    TFakeTransport& FTransport;
};

// The window's link controls as plain values.
class TFakeLinkControls : public ILinkControls {
public:
    int RefreshValue() const override { return Refresh; }
    int SlavesValue() const override { return Slaves; }
    void SetSlavesValue(int slaves) override { Slaves = slaves; }
    bool UdpChecked() const override { return Udp; }
    void SetIpEnabled(bool enabled) override { IpEnabled = enabled; }
    bool Confirm(const std::string& question) override {
        Questions.push_back(question);
        return Answer;
    }
    int Refresh = 1000;
    bool Answer = true; // what the technician answers to every question
    std::vector<std::string> Questions;
    int Slaves = 0;
    bool Udp = false;
    bool IpEnabled = false;
};
