#pragma once
// The one panel object. It owns the UDP worker and is the user data of the worker's callbacks:
// received datagrams go to the frame codec on the main thread, and the worker's status texts
// (a failed read, a decoder's failure, the end of the worker) are shown to the user, all but
// "ended".
//
// Port 1501 is open to anyone on the network, so only the panel is listened to: a datagram is
// decoded only while UDP is the chosen link and only when it comes from the address the tool
// sends its frames to (a host name's looked-up address). Every other datagram is counted as
// ignored and shown to the traffic monitor with its sender, never decoded. A datagram from the
// panel with a wrong checksum is still decoded, as the panel's own frames have always been.

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
    // Whether UDP is the chosen link at this moment (the "UDP" box).
    using TUdpChosen = std::function<bool()>;

    // The text raised when a frame should go over UDP while the IP field is blank.
    static constexpr const char* NoServerAddress = "No server address: the IP field is empty";
    // The text raised when the system has no route to the IP field's address.
    static constexpr const char* NoRoute =
        "Network unreachable: this PC has no route to the server address";

    tPult(TFrameCodec& codec, TUdpChosen udpChosen, TStatusSink showStatus = {});
    tPult(const tPult&) = delete;
    tPult& operator=(const tPult&) = delete;

    // The start of the UDP link: creates the worker with its callbacks, sets the destination to
    // serverAddress and port 1501, binds localPort (the panel's port 1501 in the program) and
    // resumes the worker. A failed bind raises, once the worker is resumed, "UDP port <port>
    // ..." with what the system said as its detail; the link then hears nothing. A socket that
    // cannot be made raises.
    void StartUdp(IMainThread& mainThread, const IClock& clock, const std::string& serverAddress,
                  const std::string& localPort);
    // Raises StartUdp's bind failure again while it stands (the link stays deaf until the
    // program starts anew), when UDP is chosen later.
    void CheckBound() const;
    // The worker, once StartUdp has created it (else null).
    THxUdp* Udp() { return FUdp.get(); }

    // SendFrame's UDP form: port and address set before every datagram, then one datagram.
    // A blank IP field raises NoServerAddress and sends nothing (the previous destination is
    // never used in its place). A host name is looked up on a thread of its own: until its
    // address is known SetUdpDestination gives false and nothing may be sent. A datagram the
    // system refuses raises its error text, or NoRoute with the text ("Network is unreachable")
    // as its detail; before StartUdp both raise "Destination-address not set.". The send never
    // waits: a datagram the full send queue cannot take is dropped, and SendDatagram gives false.
    bool SetUdpDestination(const std::string& port, const std::string& ipText);
    bool SendDatagram(const uint8_t* data, uint32_t count);
    // The host name of the IP field being looked up now, or the empty text.
    std::string Resolving() const;
    // What is known of the IP field's text now (THostAddressCache::StateFor), and the
    // destination the status bar names: only the address polls go to ("10.1.2.3:1501", with
    // the host name before it when one was looked up), else the text as typed.
    TUdpAddressState AddressState(const std::string& ipText, std::string& name) const;
    std::string TargetText(const std::string& ipText) const;
    // The socket's destination now ("10.0.0.7:1501"), once StartUdp made the worker.
    std::string DestinationText() const;
    // True for an IP field text that names no server (blank).
    static bool Blank(const std::string& ipText);

    // The worker's OnData callback; userData is the panel object. A datagram from the panel
    // goes to the codec, any other is ignored there (see above). Decoder failures propagate to
    // the worker, which reports them.
    static void UdpData(void* userData, const uint8_t* data, int32_t length,
                        const std::string& fromAddress, const std::string& fromPort);
    // The worker's OnStatus callback: every text but "ended" goes to the status sink.
    static void UdpStatus(void* userData, const std::string& text);

    // Hands one datagram to the codec's receive path when it comes from the panel. A datagram
    // from this PC's own port (the IP field naming this PC) is one of the tool's own polls
    // coming back: never a reply.
    void ReceiveDatagram(const uint8_t* data, int32_t length, const std::string& fromAddress,
                         const std::string& fromPort);

private:
    TFrameCodec& FCodec;
    TUdpChosen FUdpChosen;
    TStatusSink FShowStatus;
    bool OwnDatagram(const std::string& fromAddress, const std::string& fromPort);

    std::string FPanelAddress; // the dotted address frames were last sent to; empty before
    bool FBinding = false;     // StartUdp is binding the port
    std::string FBindFailure;  // what the system said when the bind failed
    std::string FLocalPort;    // the port StartUdp bound
    std::unique_ptr<THostAddressCache> FHosts;
    std::unique_ptr<THxUdp> FUdp; // last: ended first, while the rest still exists
};
