#pragma once
// The panel's own texts for its state codes, output bits and LEDs, kept in one place. The window
// builds its radio groups, output check boxes and LED captions from these lists.

#include "model/status_record.h"

#include <span>
#include <string_view>

// The text lists a state code indexes.
enum class TStateList { Line, System, Valve, Acoustic, Battery, Operation };

// The item texts of a list, in code order (code 0 first).
std::span<const std::string_view> StateTexts(TStateList list);

// The list that a state field's code indexes (LineA, LineB and LineC share the line list;
// stV1 on master and slaves alike uses the valve list).
TStateList StateListOf(TStateField field);

// The item to select for a code: the code itself, or the last item for a code at or past the
// end of the list. Never negative, so a group is never left empty.
int StateItemIndex(TStateList list, unsigned code);
int StateItemIndex(TStateField field, unsigned code);

// One check box of the master's output word.
struct TOutputBit {
    int Bit;
    std::string_view Caption;
};

// The master's nine interpreted bits of Out (0 to 8), in bit order with their captions.
std::span<const TOutputBit> MasterOutputBits();

// The only bits of a slave's Out that mean something.
constexpr int SlaveFailureBit = 4;
constexpr int SlaveValveBit = 7;

// LED indices run 0 to 22 on every device; bit n of Led0/Led1 is LED n.
constexpr int LedIndexCount = 23;

// The caption of LED index n, the same on master and slaves; empty where the panel has no LED
// (indices 7 and 15, and anything outside 0 to 22).
std::string_view LedName(int index);
