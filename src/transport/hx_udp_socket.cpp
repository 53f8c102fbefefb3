#include "transport/hx_udp_socket.h"

#include "core/errors.h"
#include "transport/socket_address.h"
#include "transport/socket_errors.h"

#include <sys/socket.h>

THxUdpSocket::THxUdpSocket(ISocketOwner* owner) : THxBlockSocket(owner) {}

bool THxUdpSocket::Send(const uint8_t* data, int32_t len) {
    const ssize_t sent =
        ::sendto(FSocket, data, static_cast<std::size_t>(len), MSG_NOSIGNAL | MSG_DONTWAIT,
                 reinterpret_cast<const sockaddr*>(&FRemoteAddr), sizeof FRemoteAddr);
    if (sent < 0) {
        NoteSocketErrno();
        return false;
    }
    return true;
}

uint8_t* THxUdpSocket::Receive(int32_t& len) {
    len = 0;
    if (!WaitForData(1)) {
        return nullptr;
    }
    const int32_t waiting = WaitingBytes();
    if (waiting < 0) {
        return nullptr;
    }
    uint8_t* buffer = NewBuffer(waiting);
    socklen_t fromLength = sizeof FFromAddr;
    const ssize_t read = ::recvfrom(FSocket, buffer, FBuffer.size(), 0,
                                    reinterpret_cast<sockaddr*>(&FFromAddr), &fromLength);
    if (read < 0) {
        NoteSocketErrno();
        std::string text;
        GetErrorText(text);
        Log(text);
    } else {
        FFromAddressText = DottedAddress(FFromAddr);
        FFromPortText = DecimalPort(FFromAddr);
    }
    len = static_cast<int32_t>(read);
    return read > 0 ? buffer : nullptr;
}

std::string THxUdpSocket::GetPort() {
    return FSocket != -1 && FAddr.sin_addr.s_addr != 0 ? DecimalPort(FAddr) : Unset;
}

std::string THxUdpSocket::GetAddress() {
    return FSocket != -1 && FAddr.sin_addr.s_addr != 0 ? DottedAddress(FAddr) : Unset;
}

bool THxUdpSocket::Open() {
    if (FPortText == Unset) {
        throw EOrvant("UDP Server-port not set");
    }
    std::string text;
    if (FSocket == -1) {
        const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
        if (handle == -1) {
            NoteSocketErrno();
        }
        SetSocket(handle);
    }
    if (FSocket == -1) {
        GetErrorText(text);
        Log(text);
        return false;
    }
    FAddr.sin_family = AF_INET;
    FAddr.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(FSocket, reinterpret_cast<const sockaddr*>(&FAddr), sizeof FAddr) != 0) {
        NoteSocketErrno();
        GetErrorText(text);
        Log(text);
        return false;
    }
    return true;
}

void THxUdpSocket::SetActive(bool value) {
    if (value == FActive) {
        return;
    }
    if (value) {
        FActive = Open();
    } else {
        Close();
        FActive = false;
    }
}

void THxUdpSocket::SetDestinationAddress(const std::string& text) {
    if (auto parsed = ParseAddressText(text)) {
        FRemoteAddr.sin_addr.s_addr = parsed->NetworkAddress;
        FRemoteAddressText = parsed->Text;
        FRemoteAddr.sin_family = AF_INET;
    }
}

void THxUdpSocket::SetDestinationPort(const std::string& text) {
    if (auto parsed = ParsePortText(text)) {
        FRemoteAddr.sin_port = parsed->NetworkPort;
        FRemotePortText = parsed->Text;
    }
}
