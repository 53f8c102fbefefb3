#include "transport/hx_udp.h"

#include "core/errors.h"
#include "transport/socket_errors.h"

#include <exception>
#include <sys/socket.h>

THxUdp::THxUdp(IMainThread& mainThread) : TBaseThread(mainThread) {
    auto socket = std::make_shared<THxUdpSocket>(this);
    FUdpSocket = socket.get();
    FSocketIntf = std::move(socket);
    FSocketIntf->SetSocket(NewSocket());
}

THxUdp::~THxUdp() {
    Terminate();
    WaitFor();
    // A socket that outlives the worker (held by a hand-off still queued) must not report to a
    // thread that is gone.
    FUdpSocket->DetachOwner();
}

int THxUdp::NewSocket() {
    const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (handle == -1) {
        NoteSocketErrno();
        std::string text;
        FSocketIntf->GetErrorText(text);
        throw EOrvant("Invalid udp-socket returned, message: " + text);
    }
    return handle;
}

void THxUdp::WakeUp() {
    // A datagram socket that is shut down for reading wakes its waiting reader at once.
    if (FSocketIntf->GetSocket() != -1) {
        ::shutdown(FSocketIntf->GetSocket(), SHUT_RD);
    }
}

void THxUdp::SetServerPort(const std::string& port) {
    Suspend();
    FUdpSocket->SetActive(false);
    FSocketIntf->SetPort(port);
    FSocketIntf->SetSocket(NewSocket()); // the handle it replaces is released
    FServerPort = port;
    Activate();
}

void THxUdp::Activate() {
    if (!Suspended()) {
        return;
    }
    FUdpSocket->SetActive(true);
    if (FUdpSocket->Active()) {
        Resume();
    }
}

void THxUdp::SetDestinationAddress(const std::string& text) {
    FUdpSocket->SetDestinationAddress(text);
}

void THxUdp::SetDestinationPort(const std::string& text) {
    FUdpSocket->SetDestinationPort(text);
}

bool THxUdp::SendBuffer(const uint8_t* data, int32_t len) {
    if (GetDestinationAddress() == THxBlockSocket::Unset) {
        throw EOrvant("Destination-address not set.");
    }
    if (GetDestinationPort() == THxBlockSocket::Unset) {
        throw EOrvant("Destination-port not set");
    }
    return FSocketIntf->Send(data, len);
}

void THxUdp::Process() {
    if (!FSocketIntf->WaitForData(FReceiveWaitSeconds) || Terminated()) {
        return;
    }
    FRxBuffer = FSocketIntf->Receive(FRxLength);
    if (FRxBuffer == nullptr) {
        return;
    }
    // SyncData. The socket travels with the call, so its buffer outlives even a call that
    // comes up on the main thread after the worker has gone.
    try {
        Synchronize([callback = OnData, data = OnDataData, socket = FSocketIntf, bytes = FRxBuffer,
                     length = FRxLength, from = GetFromAddress(), port = GetFromPort()] {
            if (callback != nullptr) {
                callback(data, bytes, length, from, port);
            }
        });
    } catch (const std::exception& error) {
        Report(error.what());
    }
}
