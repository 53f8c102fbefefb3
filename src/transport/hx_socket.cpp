#include "transport/hx_socket.h"

#include "core/errors.h"
#include "transport/socket_address.h"
#include "transport/socket_errors.h"

#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char* const NotConnected = "No connection established";

} // namespace

void StartSocketLibrary() {}

THxBlockSocket::THxBlockSocket(ISocketOwner* owner) : FOwner(owner) {}

THxBlockSocket::~THxBlockSocket() {
    THxBlockSocket::Close();
}

bool THxBlockSocket::Ready(short events, int64_t timeoutMicroseconds) {
    pollfd watched{FSocket, events, 0};
    const timespec timeout{static_cast<time_t>(timeoutMicroseconds / 1000000),
                           static_cast<long>(timeoutMicroseconds % 1000000) * 1000};
    const int count = ::ppoll(&watched, 1, &timeout, nullptr);
    if (count < 0) {
        NoteSocketErrno();
    }
    return count > 0;
}

bool THxBlockSocket::CanWrite() {
    return Ready(POLLOUT, 10);
}

bool THxBlockSocket::WaitForData(int seconds) {
    if (FSocket == -1) {
        return false;
    }
    return Ready(POLLIN, int64_t(seconds) * 1000000);
}

void THxBlockSocket::Disconnect() {
    if (!FConnected) {
        return;
    }
    Close();
    if (OnDisconnect) {
        OnDisconnect(*this);
    }
}

int THxBlockSocket::Connect() {
    const int result = ::connect(FSocket, reinterpret_cast<const sockaddr*>(&FAddr), sizeof FAddr);
    if (result != 0) {
        NoteSocketErrno();
    }
    return result;
}

bool THxBlockSocket::Send(const uint8_t* data, int32_t len) {
    if (!FConnected) {
        throw EOrvant(NotConnected);
    }
    if (!CanWrite()) {
        return false;
    }
    const ssize_t sent = ::send(FSocket, data, static_cast<std::size_t>(len), MSG_NOSIGNAL);
    if (sent <= 0) {
        NoteSocketErrno();
        Disconnect();
        return false;
    }
    return true;
}

int32_t THxBlockSocket::WaitingBytes() {
    int waiting = 0;
    if (::ioctl(FSocket, FIONREAD, &waiting) != 0) {
        NoteSocketErrno();
        std::string text;
        GetErrorText(text);
        Log("Ioctl went wrong, message: " + text);
        return -1;
    }
    return waiting;
}

uint8_t* THxBlockSocket::NewBuffer(int32_t len) {
    FBuffer.assign(static_cast<std::size_t>(len), 0);
    return FBuffer.data();
}

uint8_t* THxBlockSocket::Receive(int32_t& len) {
    if (!FConnected) {
        throw EOrvant(NotConnected);
    }
    len = 0;
    if (!WaitForData(1)) {
        return nullptr;
    }
    const int32_t waiting = WaitingBytes();
    if (waiting < 0) {
        return nullptr;
    }
    uint8_t* buffer = NewBuffer(waiting);
    const ssize_t read = ::recv(FSocket, buffer, FBuffer.size(), 0);
    len = static_cast<int32_t>(read);
    if (read <= 0) {
        if (read < 0) {
            NoteSocketErrno();
        }
        Disconnect();
        return nullptr;
    }
    return buffer;
}

std::string THxBlockSocket::PeerName(bool address) {
    socklen_t length = sizeof FAddr;
    if (::getpeername(FSocket, reinterpret_cast<sockaddr*>(&FAddr), &length) != 0) {
        NoteSocketErrno();
        std::string text;
        GetErrorText(text);
        throw EOrvant(text);
    }
    return address ? DottedAddress(FAddr) : DecimalPort(FAddr);
}

std::string THxBlockSocket::GetPort() {
    return FSocket == -1 ? FPortText : PeerName(false);
}

std::string THxBlockSocket::GetAddress() {
    return FSocket == -1 ? FAddressText : PeerName(true);
}

void THxBlockSocket::Close() {
    if (FSocket == -1) {
        return;
    }
    ::shutdown(FSocket, SHUT_RDWR);
    ::close(FSocket);
    FConnected = false;
    FSocket = -1;
    FPortText = Unset;
    FAddressText = Unknown;
}

void THxBlockSocket::SetAddress(const std::string& text) {
    if (auto parsed = ParseAddressText(text)) {
        FAddr.sin_addr.s_addr = parsed->NetworkAddress;
        FAddressText = parsed->Text;
        FAddr.sin_family = AF_INET;
    }
}

void THxBlockSocket::SetPort(const std::string& text) {
    if (FConnected) {
        Disconnect();
    }
    if (auto parsed = ParsePortText(text)) {
        FAddr.sin_port = parsed->NetworkPort;
        FPortText = parsed->Text;
    }
}

void THxBlockSocket::GetErrorText(std::string& text) {
    text = SocketErrorText(LastSocketError());
}

void THxBlockSocket::SetSocket(int handle) {
    if (FSocket != -1) {
        Disconnect();
    }
    // A handle that Disconnect left open (the datagram socket keeps it) is released here, so
    // that replacing a socket never leaks its descriptor.
    if (FSocket != -1 && FSocket != handle) {
        ::close(FSocket);
        FSocket = -1;
        FConnected = false;
    }
    if (handle != -1) {
        FSocket = handle;
        FConnected = true;
    }
}

void THxBlockSocket::Log(const std::string& text) {
    if (FOwner != nullptr) {
        FOwner->Report(text);
    } else if (OnLog) {
        OnLog(text);
    } else {
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    }
}
