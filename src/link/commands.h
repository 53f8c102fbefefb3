#pragma once
// The requests the PC sends to the master unit: one command letter each, with its payload.
// Every request goes out through TFrameCodec::SendFrame on the transport selected at that moment;
// failures of the transport propagate to the caller. Requests are sent and forgotten: replies are
// handled on arrival by their letter, and the poll repeats whatever was lost.

#include "core/clock.h"

#include <array>
#include <cstdint>

class TFrameCodec;

// The command letters; a reply carries the letter of its request.
namespace Command {
constexpr uint8_t Status = 'A';    // live status, no payload
constexpr uint8_t Event = 'G';     // one event record, 16-bit record index
constexpr uint8_t SetSlaves = 'S'; // number of slaves, one byte 0 to 4
constexpr uint8_t SetTime = 'T';   // panel clock, six bytes
constexpr uint8_t EventInfo = 'U'; // event index and capacity, no payload
constexpr uint8_t Version = 'V';   // firmware version text, no payload
} // namespace Command

// The index the hidden "Get events" button always asks for.
constexpr uint16_t GetEventsButtonIndex = 150;
// The most slaves a master can have.
constexpr int MaxSlaves = 4;
// The years the panel clock can hold: the year travels as one byte counted from 2000.
constexpr int MinPanelYear = 2000;
constexpr int MaxPanelYear = 2255;

// 'A': asks for the installation's live status.
void SendStatusRequest(TFrameCodec& codec);

// 'G': asks for the event record at `index`, sent as two bytes least significant first.
void SendEventRequest(TFrameCodec& codec, uint16_t index);

// The one payload byte of 'S'. Outside 0..4 raises ERangeError.
uint8_t SetSlavesPayload(int slaves);
// 'S': tells the master it has `slaves` slaves. Outside 0..4 raises ERangeError, nothing is sent.
void SendSetSlaves(TFrameCodec& codec, int slaves);

// The 'T' payload for a local date and time: second, minute, hour, day, month, year - 2000, each a
// plain unsigned byte; milliseconds are dropped. A year outside 2000..2255 or a field outside its
// calendar range raises ERangeError.
std::array<uint8_t, 6> SetTimePayload(const TDateTime& time);

// 'T': sets the panel clock to `time`. Raises as SetTimePayload before anything is sent.
void SendSetTime(TFrameCodec& codec, const TDateTime& time);

// 'U': asks for the panel's event index and capacity.
void SendEventInfoRequest(TFrameCodec& codec);

// 'V': asks for the firmware version text.
void SendVersionRequest(TFrameCodec& codec);
