#include "panel_sim/unit.h"

#include <algorithm>

namespace panel_sim {

namespace {
constexpr std::array<const char*, ValueCount> Names = {
    "VA",   "IA",    "VB",   "IB", "VC", "IC", "VNet", "VDet",
    "VBat", "VHas1", "VSir", "TE", "TI", "TB", "P",
};
} // namespace

const char* ValueName(TValue value) {
    return Names[value];
}

std::optional<TValue> ValueByName(const std::string& name) {
    for (int i = 0; i < ValueCount; ++i) {
        if (name == Names[i]) {
            return static_cast<TValue>(i);
        }
    }
    return std::nullopt;
}

bool TUnit::HasFault() const {
    bool lineFault = std::any_of(Lines.begin(), Lines.end(),
                                 [](uint8_t l) { return l != lnSilent && l != lnAlarm; });
    return MainsFault || BatteryFault || BatteryFlat || lineFault;
}

bool TUnit::LineInAlarm() const {
    return std::any_of(Lines.begin(), Lines.end(), [](uint8_t l) { return l == lnAlarm; });
}

} // namespace panel_sim
