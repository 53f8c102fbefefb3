#pragma once
// The one panel object. It owns the UDP worker and is the user data of the worker's callbacks:
// received datagrams go to the frame codec on the main thread, and the worker's status texts
// (a failed bind, a failed read, a decoder's failure, the end of the worker) are shown to the
// user, all but "ended".

#include "transport/host_address_cache.h"
#include "transport/hx_udp.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class IClock;
class IMainThread;
class TFrameCodec;

class tPult {
public:
    // Shows a status text of the UDP worker to the user (the window's error display).
    using TStatusSink = std::function<void(const std::string& text)>;

    explicit tPult(TFrameCodec& codec, TStatusSink showStatus = {});
    tPult(const tPult&) = delete;
    tPult& operator=(const tPult&) = delete;

    // The start of the UDP link: creates the worker with its callbacks, sets the destination to
    // serverAddress and port 1501, binds localPort (the panel's port 1501 in the program) and
    // resumes the worker. A failed bind is shown through the status sink and the link stays
    // silent; a socket that cannot be made raises.
    void StartUdp(IMainThread& mainThread, const IClock& clock, const std::string& serverAddress,
                  const std::string& localPort);
    // The worker, once StartUdp has created it (else null).
    THxUdp* Udp() { return FUdp.get(); }

    // SendFrame's UDP form: port and address set before every datagram (a host name resolved
    // once per text), then one datagram. A datagram the system refuses raises its error text
    // ("Network is unreachable"); before StartUdp both raise "Destination-address not set.".
    void SetUdpDestination(const std::string& port, const std::string& ipText);
    void SendDatagram(const uint8_t* data, uint32_t count);

    // The worker's OnData callback; userData is the panel object. The sender's address and
    // port are not used. Decoder failures propagate to the worker, which reports them.
    static void UdpData(void* userData, const uint8_t* data, int32_t length,
                        const std::string& fromAddress, const std::string& fromPort);
    // The worker's OnStatus callback: every text but "ended" goes to the status sink.
    static void UdpStatus(void* userData, const std::string& text);

    // Hands one datagram to the codec's receive path.
    void ReceiveDatagram(const uint8_t* data, int32_t length);

private:
    TFrameCodec& FCodec;
    TStatusSink FShowStatus;
    std::unique_ptr<THostAddressCache> FHosts;
    std::unique_ptr<THxUdp> FUdp; // last: ended first, while the rest still exists
};
