#include "panel_sim/request.h"

namespace panel_sim {

uint8_t FrameChecksum(uint8_t address, uint8_t letter, const std::vector<uint8_t>& payload) {
    unsigned sum = address + letter;
    for (uint8_t b : payload) {
        sum += b;
    }
    return static_cast<uint8_t>(sum);
}

} // namespace panel_sim
