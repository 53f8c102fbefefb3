#include "link/commands.h"

#include "core/errors.h"
#include "link/frame_codec.h"

namespace {

// A calendar field must fit its byte as the plain number the panel expects.
uint8_t CheckedField(int value, int low, int high) {
    if (value < low || value > high) {
        throw ERangeError();
    }
    return static_cast<uint8_t>(value);
}

} // namespace

void SendStatusRequest(TFrameCodec& codec) {
    codec.SendFrame(Command::Status, nullptr, 0);
}

void SendEventRequest(TFrameCodec& codec, uint16_t index) {
    const uint8_t payload[2] = {static_cast<uint8_t>(index & 0xFF),
                                static_cast<uint8_t>(index >> 8)};
    codec.SendFrame(Command::Event, payload, sizeof payload);
}

uint8_t SetSlavesPayload(int slaves) {
    return CheckedField(slaves, 0, MaxSlaves);
}

void SendSetSlaves(TFrameCodec& codec, int slaves) {
    const uint8_t payload[1] = {SetSlavesPayload(slaves)};
    codec.SendFrame(Command::SetSlaves, payload, sizeof payload);
}

std::array<uint8_t, 6> SetTimePayload(const TDateTime& time) {
    return {CheckedField(time.Second, 0, 59),
            CheckedField(time.Minute, 0, 59),
            CheckedField(time.Hour, 0, 23),
            CheckedField(time.Day, 1, 31),
            CheckedField(time.Month, 1, 12),
            CheckedField(time.Year - MinPanelYear, 0, MaxPanelYear - MinPanelYear)};
}

void SendSetTime(TFrameCodec& codec, const TDateTime& time) {
    const std::array<uint8_t, 6> payload = SetTimePayload(time);
    codec.SendFrame(Command::SetTime, payload.data(), static_cast<uint16_t>(payload.size()));
}

void SendEventInfoRequest(TFrameCodec& codec) {
    codec.SendFrame(Command::EventInfo, nullptr, 0);
}

void SendVersionRequest(TFrameCodec& codec) {
    codec.SendFrame(Command::Version, nullptr, 0);
}
