#include "panel_sim/front_end.h"

namespace panel_sim {

TSerialFrontEnd::TSerialFrontEnd(TPtyLink& link, TSimPanel& panel, TLogLine log)
    : FLink(link), FPanel(panel), FLog(std::move(log)) {}

void TSerialFrontEnd::OnReadable() {
    Receive(FLink.Read());
}

void TSerialFrontEnd::Receive(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) {
        switch (FReader.Feed(b)) {
        case TFeedResult::Request:
            if (auto reply = FPanel.Handle(FReader.Request())) {
                FLink.Write(EncodeSerialReply(*reply));
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

} // namespace panel_sim
