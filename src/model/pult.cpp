#include "model/pult.h"

#include "link/frame_codec.h"

tPult::tPult(TFrameCodec& codec) : FCodec(codec) {}

void tPult::UdpData(void* userData, const uint8_t* data, int32_t length,
                    const std::string& /*fromAddress*/, const std::string& /*fromPort*/) {
    static_cast<tPult*>(userData)->ReceiveDatagram(data, length);
}

void tPult::UdpStatus(void* /*userData*/, const std::string& /*text*/) {}

void tPult::ReceiveDatagram(const uint8_t* data, int32_t length) {
    FCodec.ReceiveDatagram(data, length);
}
