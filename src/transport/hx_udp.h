#pragma once
// The UDP worker: the thread that owns the program's one datagram socket. It binds the local
// port, waits at most a second at a time for a datagram and hands each one to OnData on the main
// thread, waiting until the callback has returned; the main thread sends finished frames
// through SendBuffer meanwhile.
//
// Messages of the socket (a failed bind, a failed read) and an error that ends the worker reach
// OnStatus on the main thread. An error raised by OnData is reported there as its message, and
// reception goes on: one bad datagram must not end the link for the rest of the run.

#include "transport/base_thread.h"
#include "transport/hx_udp_socket.h"

#include <memory>

class THxUdp : public TBaseThread {
public:
    // Called on the main thread with the callback's user data, the datagram's bytes and count,
    // and the sender's dotted address and decimal port. The bytes are valid during the call.
    using TDataCallback = void (*)(void* userData, const uint8_t* data, int32_t length,
                                   const std::string& fromAddress, const std::string& fromPort);

    // Created suspended, with a datagram socket that is not bound yet. Raises "Invalid
    // udp-socket returned, message: " and the error text when no socket can be made.
    explicit THxUdp(IMainThread& mainThread);
    // Ends the thread (waking its wait) before the socket goes.
    ~THxUdp() override;

    // Rebinds to another local port: the loop is kept off the socket, a new socket is bound to
    // the port on every interface and the loop goes on. The port text is parsed as the socket
    // layer does (and raises its errors); a failed bind is reported through OnStatus and leaves
    // the worker suspended.
    void SetServerPort(const std::string& port);
    // Binds and starts (or resumes) the worker when it is suspended; a failed bind is reported
    // and leaves it suspended.
    void Activate();

    // The destination of SendBuffer (see THxUdpSocket for texts and errors).
    void SetDestinationAddress(const std::string& text);
    void SetDestinationPort(const std::string& text);
    std::string GetDestinationAddress() const { return FUdpSocket->DestinationAddressText(); }
    std::string GetDestinationPort() const { return FUdpSocket->DestinationPortText(); }
    // The sender of the last datagram read.
    std::string GetFromAddress() const { return FUdpSocket->FromAddressText(); }
    std::string GetFromPort() const { return FUdpSocket->FromPortText(); }
    const std::string& ServerPort() const { return FServerPort; }

    // One datagram to the destination; true unless the system reports an error. Raises
    // "Destination-address not set." or "Destination-port not set" before one is set.
    bool SendBuffer(const uint8_t* data, int32_t len);

    TDataCallback OnData = nullptr;
    void* OnDataData = nullptr;

protected:
    void Process() override;
    void WakeUp() override;

    // How long one pass waits for a datagram, in seconds. Stopping never waits for it, since
    // WakeUp ends the wait; a derived worker may lengthen it to show just that.
    int FReceiveWaitSeconds = 1;

private:
    int NewSocket();

    uint8_t* FRxBuffer = nullptr;
    int32_t FRxLength = 0;
    std::string FServerPort;
    std::shared_ptr<THxSocketInterface> FSocketIntf;
    THxUdpSocket* FUdpSocket;
};
