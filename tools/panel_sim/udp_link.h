#pragma once
// The simulator's UDP port: a datagram socket bound to one address and port (the panel listens
// on 1501), reading one datagram at a time with its sender and answering that sender.

#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <vector>

namespace panel_sim {

struct TDatagram {
    std::vector<uint8_t> Bytes;
    sockaddr_in From{};
};

class TUdpLink {
public:
    static constexpr uint16_t PanelPort = 1501;

    // "ADDRESS" or "ADDRESS:PORT": an IPv4 dotted quad and a port (1501 when not given).
    // Raises std::invalid_argument for a text that is neither.
    static sockaddr_in ParseEndpoint(const std::string& text);

    // Binds the socket; raises std::runtime_error with the system's reason when it cannot.
    explicit TUdpLink(const sockaddr_in& local);
    ~TUdpLink();
    TUdpLink(const TUdpLink&) = delete;
    TUdpLink& operator=(const TUdpLink&) = delete;

    int Fd() const { return FSocket; }
    // "10.0.0.2:1501"
    std::string LocalText() const;

    // The next waiting datagram, or false when none waits; never blocks.
    bool Read(TDatagram& datagram);
    // One datagram to `to`; a failure is returned as the system's reason, "" on success.
    std::string Write(const std::vector<uint8_t>& bytes, const sockaddr_in& to);

private:
    int FSocket = -1;
};

// "10.0.0.1:40312"
std::string EndpointText(const sockaddr_in& address);

} // namespace panel_sim
