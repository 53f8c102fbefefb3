#include "panel_sim/front_end.h"

#include "panel_sim/datagram_framing.h"

namespace panel_sim {

TSerialFrontEnd::TSerialFrontEnd(TPtyLink& link, TSimPanel& panel, TReplyDelay& delay, TLogLine log)
    : FLink(link), FPanel(panel), FDelay(delay), FLog(std::move(log)) {}

void TSerialFrontEnd::OnReadable() {
    Receive(FLink.Read());
}

void TSerialFrontEnd::Receive(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) {
        switch (FReader.Feed(b)) {
        case TFeedResult::Request:
            if (auto reply = FPanel.Handle(FReader.Request())) {
                FDelay.Send([this, bytes = EncodeSerialReply(*reply)] { FLink.Write(bytes); });
            }
            break;
        case TFeedResult::BadChecksum:
            FLog("dropped a frame with a wrong checksum");
            break;
        case TFeedResult::Malformed:
            FLog("dropped a frame that could not be parsed");
            break;
        case TFeedResult::None:
            break;
        }
    }
}

TUdpFrontEnd::TUdpFrontEnd(TUdpLink& link, TSimPanel& panel, TReplyDelay& delay, TLogLine log)
    : FLink(link), FPanel(panel), FDelay(delay), FLog(std::move(log)) {}

void TUdpFrontEnd::OnReadable() {
    // A bounded batch, so that a flood cannot starve the clock and the other front ends.
    TDatagram datagram;
    for (int n = 0; n < 64 && FLink.Read(datagram); ++n) {
        Receive(datagram);
    }
}

void TUdpFrontEnd::Receive(const TDatagram& datagram) {
    auto request = ParseRequestDatagram(datagram.Bytes.data(), datagram.Bytes.size());
    if (!request) {
        FLog("dropped a datagram from " + EndpointText(datagram.From) +
             " that is no whole frame with a matching checksum");
        return;
    }
    if (auto reply = FPanel.Handle(*request)) {
        FDelay.Send([this, bytes = EncodeReplyDatagram(*reply), to = datagram.From] {
            const std::string failure = FLink.Write(bytes, to);
            if (!failure.empty()) {
                FLog("cannot answer " + EndpointText(to) + ": " + failure);
            }
        });
    }
}

} // namespace panel_sim
