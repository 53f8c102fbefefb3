#pragma once
// The one panel object. It owns the UDP worker and is the user data of the worker's callbacks:
// received datagrams go to the frame codec, status texts are ignored.

#include <cstdint>
#include <string>

class TFrameCodec;

class tPult {
public:
    explicit tPult(TFrameCodec& codec);
    tPult(const tPult&) = delete;
    tPult& operator=(const tPult&) = delete;

    // The worker's OnData callback; userData is the panel object. The sender's address and
    // port are not used. Decoder failures propagate to the caller (the worker's hand-off).
    static void UdpData(void* userData, const uint8_t* data, int32_t length,
                        const std::string& fromAddress, const std::string& fromPort);
    // The worker's OnStatus callback; the text (bind failures, "ended", ...) is ignored.
    static void UdpStatus(void* userData, const std::string& text);

    // Hands one datagram to the codec's receive path.
    void ReceiveDatagram(const uint8_t* data, int32_t length);

private:
    TFrameCodec& FCodec;
    // ---- UDP worker ----
    // The worker THxUdp, owned here and created with the panel object, belongs in this place
    // (std::unique_ptr<THxUdp> FUdp) once the transport provides it.
};
