#pragma once
// The datagram socket: bound to a local port on every interface, sending each buffer as one
// datagram to a destination set beforehand, reading one datagram at a time with its sender.

#include "transport/hx_socket.h"

class THxUdpSocket : public THxBlockSocket {
public:
    explicit THxUdpSocket(ISocketOwner* owner);

    // A datagram socket has no connection: Disconnect does nothing and Connect returns 0.
    void Disconnect() override {}
    int Connect() override { return 0; }
    // One datagram of len bytes to the destination, without waiting for room in the send
    // queue (a full queue is the error "Operation would block"); true unless the system reports
    // an error.
    bool Send(const uint8_t* data, int32_t len) override;
    // Waits at most a second and reads one datagram and its sender (GetFromAddress,
    // GetFromPort); null when nothing came, the datagram was empty or the read failed (a failed
    // read is logged with its error text). len is the datagram's size or the system's result.
    uint8_t* Receive(int32_t& len) override;
    // The bind address's port and address when a socket is set and the address is not the
    // wildcard; "<unset>" otherwise (always so once bound, since it binds the wildcard).
    std::string GetPort() override;
    std::string GetAddress() override;

    // Binds the socket to the port set by SetPort on every interface, creating the socket when
    // none is set. Raises "UDP Server-port not set" without a port; a failed creation or bind is
    // logged with its error text and gives false.
    bool Open();
    // True opens (binds) unless already active; false closes.
    void SetActive(bool value);
    bool Active() const { return FActive; }

    // Destination of Send, with the parsing and errors of SetPort and SetAddress.
    void SetDestinationAddress(const std::string& text);
    void SetDestinationPort(const std::string& text);
    const std::string& DestinationAddressText() const { return FRemoteAddressText; }
    const std::string& DestinationPortText() const { return FRemotePortText; }

    // The sender of the last datagram read: dotted address and decimal port.
    const std::string& FromAddressText() const { return FFromAddressText; }
    const std::string& FromPortText() const { return FFromPortText; }

private:
    sockaddr_in FRemoteAddr{};
    std::string FRemoteAddressText = Unset;
    std::string FRemotePortText = Unset;
    sockaddr_in FFromAddr{};
    std::string FFromAddressText = Unset;
    std::string FFromPortText;
    bool FActive = false;
};
