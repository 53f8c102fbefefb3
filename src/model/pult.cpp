#include "model/pult.h"

#include "core/errors.h"
#include "link/frame_codec.h"
#include "transport/socket_errors.h"

tPult::tPult(TFrameCodec& codec, TStatusSink showStatus)
    : FCodec(codec), FShowStatus(std::move(showStatus)) {}

void tPult::StartUdp(IMainThread& mainThread, const IClock& clock, const std::string& serverAddress,
                     const std::string& localPort) {
    FHosts = std::make_unique<THostAddressCache>(clock);
    FUdp = std::make_unique<THxUdp>(mainThread);
    FUdp->OnStatus = &tPult::UdpStatus;
    FUdp->OnStatusData = this;
    FUdp->OnData = &tPult::UdpData;
    FUdp->OnDataData = this;
    FUdp->SetDestinationAddress(serverAddress);
    FUdp->SetDestinationPort(std::to_string(TFrameCodec::UdpPort));
    FUdp->SetServerPort(localPort);
    // A failed bind leaves the worker paused; resumed, it waits on its unbound socket, where
    // nothing ever arrives, until the process ends.
    FUdp->Resume();
}

void tPult::SetUdpDestination(const std::string& port, const std::string& ipText) {
    if (!FUdp) {
        throw EOrvant("Destination-address not set.");
    }
    FUdp->SetDestinationPort(port);
    FUdp->SetDestinationAddress(FHosts->AddressFor(ipText));
}

void tPult::SendDatagram(const uint8_t* data, uint32_t count) {
    if (!FUdp) {
        throw EOrvant("Destination-address not set.");
    }
    // A datagram the system refuses (no route, no network) is a failure the user must see,
    // not a send that looks done.
    if (!FUdp->SendBuffer(data, static_cast<int32_t>(count))) {
        throw EOrvant(SocketErrorText(LastSocketError()));
    }
}

void tPult::UdpData(void* userData, const uint8_t* data, int32_t length,
                    const std::string& /*fromAddress*/, const std::string& /*fromPort*/) {
    static_cast<tPult*>(userData)->ReceiveDatagram(data, length);
}

void tPult::UdpStatus(void* userData, const std::string& text) {
    auto* pult = static_cast<tPult*>(userData);
    if (text != "ended" && pult->FShowStatus) {
        pult->FShowStatus(text);
    }
}

void tPult::ReceiveDatagram(const uint8_t* data, int32_t length) {
    FCodec.ReceiveDatagram(data, length);
}
