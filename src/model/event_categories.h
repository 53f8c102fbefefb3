#pragma once
// The kinds of event a technician asks about: every event code 0 to 45 belongs to exactly one.

#include "model/event_texts.h"

#include <array>
#include <cstdint>

enum class TEventCategory : uint8_t {
    Alarm,     // alarms and pre-alarms, the extinguishing sequence, a loop back at rest
    Fault,     // loop, valve and signaller faults and their ends; the unknown code 0
    Reset,     // resets and silencing
    Mode,      // operating mode and the key switch
    Power,     // mains and battery
    Tamper,    // tamper
    SlaveComm, // communication with the slaves
    Pressure,  // pressure
};
constexpr int EventCategoryCount = 8;

// Indexed by the event code.
extern const std::array<TEventCategory, EventTextCount> EventCategories;

// The category of a code as the event line shows it (codes past the table show as 0).
inline TEventCategory EventCategory(uint8_t code) {
    return EventCategories[ShownEventCode(code)];
}

// The category's name, as the filter lists it.
const char* EventCategoryName(TEventCategory category);
