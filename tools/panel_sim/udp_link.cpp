#include "panel_sim/udp_link.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace panel_sim {

sockaddr_in TUdpLink::ParseEndpoint(const std::string& text) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(PanelPort);
    std::string host = text;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        const std::string port = text.substr(colon + 1);
        char* end = nullptr;
        const unsigned long value = std::strtoul(port.c_str(), &end, 10);
        if (port.empty() || *end != '\0' || value == 0 || value > 65535) {
            throw std::invalid_argument("--udp: \"" + port + "\" is no port (1 to 65535)");
        }
        address.sin_port = htons(static_cast<uint16_t>(value));
    }
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        throw std::invalid_argument("--udp: \"" + host + "\" is no IPv4 address");
    }
    return address;
}

TUdpLink::TUdpLink(const sockaddr_in& local) {
    FSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (FSocket < 0) {
        throw std::runtime_error(std::string("cannot make a UDP socket: ") + std::strerror(errno));
    }
    if (::bind(FSocket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const int error = errno;
        ::close(FSocket);
        throw std::runtime_error("cannot bind " + EndpointText(local) + ": " +
                                 std::strerror(error));
    }
}

TUdpLink::~TUdpLink() {
    ::close(FSocket);
}

std::string TUdpLink::LocalText() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(FSocket, reinterpret_cast<sockaddr*>(&local), &length);
    return EndpointText(local);
}

bool TUdpLink::Read(TDatagram& datagram) {
    datagram.Bytes.resize(65536);
    socklen_t length = sizeof datagram.From;
    const ssize_t n = ::recvfrom(FSocket, datagram.Bytes.data(), datagram.Bytes.size(), 0,
                                 reinterpret_cast<sockaddr*>(&datagram.From), &length);
    if (n < 0) {
        datagram.Bytes.clear();
        return false;
    }
    datagram.Bytes.resize(static_cast<std::size_t>(n));
    return true;
}

std::string TUdpLink::Write(const std::vector<uint8_t>& bytes, const sockaddr_in& to) {
    if (::sendto(FSocket, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to) < 0) {
        return std::strerror(errno);
    }
    return "";
}

std::string EndpointText(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

} // namespace panel_sim
