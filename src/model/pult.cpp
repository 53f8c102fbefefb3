#include "model/pult.h"

#include "core/errors.h"
#include "link/frame_codec.h"
#include "transport/socket_address.h"
#include "transport/socket_errors.h"

#include <cerrno>

namespace {

// A port that cannot be bound costs every reply over UDP: the message says so, and names the
// port; what the system said stays as the detail.
EOrvant BindFailure(const std::string& port, const std::string& systemText) {
    const bool taken = systemText == SocketErrorText(SocketErrorFromErrno(EADDRINUSE));
    EOrvant failure("UDP port " + port +
                    (taken ? " is in use by another program (or another copy of this tool)"
                           : " cannot be opened") +
                    ": replies over UDP cannot be received");
    failure.SetDetail(systemText);
    return failure;
}

} // namespace

tPult::tPult(TFrameCodec& codec, TUdpChosen udpChosen, TStatusSink showStatus)
    : FCodec(codec), FUdpChosen(std::move(udpChosen)), FShowStatus(std::move(showStatus)) {}

void tPult::StartUdp(IMainThread& mainThread, const IClock& clock, const std::string& serverAddress,
                     const std::string& localPort) {
    FHosts = std::make_unique<THostAddressCache>(clock, mainThread);
    FUdp = std::make_unique<THxUdp>(mainThread);
    FUdp->OnStatus = &tPult::UdpStatus;
    FUdp->OnStatusData = this;
    FUdp->OnData = &tPult::UdpData;
    FUdp->OnDataData = this;
    FUdp->SetDestinationAddress(serverAddress);
    FUdp->SetDestinationPort(std::to_string(TFrameCodec::UdpPort));
    // The bind runs here, on the main thread, and reports its failure at once.
    FBinding = true;
    FBindFailure.clear();
    FLocalPort = localPort;
    try {
        FUdp->SetServerPort(localPort);
    } catch (...) {
        FBinding = false;
        throw;
    }
    FBinding = false;
    // A failed bind leaves the worker paused; resumed, it waits on its unbound socket, where
    // nothing ever arrives, until the process ends.
    FUdp->Resume();
    CheckBound();
}

void tPult::CheckBound() const {
    if (!FBindFailure.empty()) {
        throw BindFailure(FLocalPort, FBindFailure);
    }
}

bool tPult::SetUdpDestination(const std::string& port, const std::string& ipText) {
    if (!FUdp) {
        throw EOrvant("Destination-address not set.");
    }
    // The socket would keep its previous destination for a blank text: at start-up the default
    // server address, which nobody typed.
    if (Blank(ipText)) {
        throw EOrvant(NoServerAddress);
    }
    const std::optional<std::string> address = FHosts->AddressFor(ipText);
    if (!address || TrimSocketText(*address).empty()) {
        return false; // not known yet; never the destination an earlier text left behind
    }
    FUdp->SetDestinationPort(port);
    FUdp->SetDestinationAddress(*address);
    FPanelAddress = FUdp->GetDestinationAddress();
    return true;
}

bool tPult::Blank(const std::string& ipText) {
    return TrimSocketText(ipText).empty();
}

std::string tPult::Resolving() const {
    return FHosts ? FHosts->Resolving() : std::string();
}

std::string tPult::DestinationText() const {
    return FUdp ? FUdp->GetDestinationAddress() + ":" + FUdp->GetDestinationPort() : std::string();
}

TUdpAddressState tPult::AddressState(const std::string& ipText, std::string& name) const {
    std::string address;
    if (FHosts) {
        return FHosts->StateFor(ipText, name, address);
    }
    name = TrimSocketText(ipText);
    return name.empty()
               ? TUdpAddressState::Missing
               : (IsDottedQuad(name) ? TUdpAddressState::Known : TUdpAddressState::Resolving);
}

std::string tPult::TargetText(const std::string& ipText) const {
    std::string name;
    std::string address;
    const TUdpAddressState state =
        FHosts ? FHosts->StateFor(ipText, name, address) : AddressState(ipText, name);
    const std::string port =
        FUdp ? FUdp->GetDestinationPort() : std::to_string(TFrameCodec::UdpPort);
    if (state == TUdpAddressState::Missing) {
        return "(no address):" + port;
    }
    if (state != TUdpAddressState::Known || address.empty()) {
        return name + ":" + port;
    }
    return (IsDottedQuad(name) ? "" : name + " ") + address + ":" + port;
}

bool tPult::SendDatagram(const uint8_t* data, uint32_t count) {
    if (!FUdp) {
        throw EOrvant("Destination-address not set.");
    }
    // A datagram the system refuses (no route, no network) is a failure the user must see,
    // not a send that looks done.
    if (FUdp->SendBuffer(data, static_cast<int32_t>(count))) {
        return true;
    }
    const int code = LastSocketError();
    if (code == SocketErrorFromErrno(EWOULDBLOCK)) {
        return false; // the send queue is full; the window's thread does not wait for it
    }
    if (code == SocketErrorFromErrno(ENETUNREACH) || code == SocketErrorFromErrno(EHOSTUNREACH)) {
        EOrvant failure(NoRoute);
        failure.SetDetail(SocketErrorText(code));
        throw failure;
    }
    throw EOrvant(SocketErrorText(code));
}

void tPult::UdpData(void* userData, const uint8_t* data, int32_t length,
                    const std::string& fromAddress, const std::string& fromPort) {
    static_cast<tPult*>(userData)->ReceiveDatagram(data, length, fromAddress, fromPort);
}

void tPult::UdpStatus(void* userData, const std::string& text) {
    auto* pult = static_cast<tPult*>(userData);
    if (text == "ended") {
        return;
    }
    if (pult->FBinding) {
        pult->FBindFailure = text; // StartUdp raises it
    } else if (pult->FShowStatus) {
        pult->FShowStatus(text);
    }
}

void tPult::ReceiveDatagram(const uint8_t* data, int32_t length, const std::string& fromAddress,
                            const std::string& fromPort) {
    const bool fromPanel = FUdpChosen && FUdpChosen() && !FPanelAddress.empty() &&
                           fromAddress == FPanelAddress && !OwnDatagram(fromAddress, fromPort);
    if (!fromPanel) {
        FCodec.IgnoreDatagram(data, length, fromAddress + ":" + fromPort);
        return;
    }
    FCodec.ReceiveDatagram(data, length, fromAddress + ":" + fromPort);
}

// The tool's own port on this PC: only a poll the tool sent itself comes from there (a panel
// on the same PC could not hold the port too).
bool tPult::OwnDatagram(const std::string& fromAddress, const std::string& fromPort) {
    return !FLocalPort.empty() && TrimSocketText(FLocalPort) == fromPort &&
           IsOwnAddress(fromAddress);
}
