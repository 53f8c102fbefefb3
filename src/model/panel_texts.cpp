#include "model/panel_texts.h"

#include <array>

namespace {

using namespace std::string_view_literals;

constexpr std::array LineTexts = {
    "Silent"sv,   "Test disc."sv, "Disconn."sv,   "Test short"sv, "Short"sv,
    "Test Al."sv, "Alarm"sv,      "Test fail."sv, "Failure"sv,    "Off"sv,
};

constexpr std::array SystemTexts = {
    "Ready"sv,       "Prealarm A"sv,   "Reset A"sv,      "Prealarm B"sv, "Reset B"sv,
    "Delayed Ex."sv, "Exting. Time"sv, "Extinguished"sv, "Reset A+B"sv,  "Reset"sv,
};

constexpr std::array ValveTexts = {"OK"sv, "Raised resistance"sv, "Disconnected"sv, "Short"sv};
constexpr std::array AcousticTexts = {"OK"sv, "Disconnected"sv, "Short"sv};
// "Charging " carries its trailing space on the panel's display as well.
constexpr std::array BatteryTexts = {"OK"sv, "Failure"sv, "Charging "sv, "Discharged"sv};
constexpr std::array OperationTexts = {"Ready"sv, "Preparation"sv, "Test"sv, "Stop"sv};

// The captions are the panel maker's, spelling included.
constexpr std::array<TOutputBit, 9> OutputBits = {{
    {0, "Cooiling"sv},
    {1, "Technologic"sv},
    {2, "Alarm"sv},
    {3, "Pre alarm"sv},
    {4, "Failure"sv},
    {5, "Test"sv},
    {6, "Acoustic"sv},
    {7, "Valvel 1"sv},
    {8, "Valvel 2"sv},
}};

constexpr std::array<std::string_view, LedIndexCount> LedNames = {
    "Sys. ready"sv,      "Memory fault"sv,    "Failure"sv,        "Alarm"sv,
    "Prealarm A+B"sv,    "Stop extinguis."sv, "Test"sv,           ""sv,
    "Fault processor"sv, "Fault acoustic"sv,  "Fault battery"sv,  "Fault mains"sv,
    "Fault pressure"sv,  "Fault loop C"sv,    "Fault loop A+B"sv, ""sv,
    "Fault valve"sv,     "Door contact"sv,    "Fault comm."sv,    "Fault slave4"sv,
    "Fault slave3"sv,    "Fault slave2"sv,    "Fault slave1"sv,
};

} // namespace

std::span<const std::string_view> StateTexts(TStateList list) {
    switch (list) {
    case TStateList::Line:
        return LineTexts;
    case TStateList::System:
        return SystemTexts;
    case TStateList::Valve:
        return ValveTexts;
    case TStateList::Acoustic:
        return AcousticTexts;
    case TStateList::Battery:
        return BatteryTexts;
    case TStateList::Operation:
        return OperationTexts;
    }
    return LineTexts; // not reached: every list is named above
}

TStateList StateListOf(TStateField field) {
    switch (field) {
    case TStateField::stHas:
        return TStateList::System;
    case TStateField::stPro:
        return TStateList::Operation;
    case TStateField::stSir:
        return TStateList::Acoustic;
    case TStateField::stV1:
        return TStateList::Valve;
    case TStateField::stBat:
        return TStateList::Battery;
    case TStateField::LineA:
    case TStateField::LineB:
    case TStateField::LineC:
        return TStateList::Line;
    }
    return TStateList::Line; // not reached
}

int StateItemIndex(TStateList list, unsigned code) {
    const auto count = static_cast<unsigned>(StateTexts(list).size());
    return static_cast<int>(code < count ? code : count - 1);
}

int StateItemIndex(TStateField field, unsigned code) {
    return StateItemIndex(StateListOf(field), code);
}

std::span<const TOutputBit> MasterOutputBits() {
    return OutputBits;
}

std::string_view LedName(int index) {
    if (index < 0 || index >= LedIndexCount) {
        return {};
    }
    return LedNames[static_cast<std::size_t>(index)];
}
