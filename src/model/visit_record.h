#pragma once
// What the link did during this run, as a service report tells it: status requests sent, status
// replies decoded, and when the panel clock was set from the PC. It watches the codec's traffic
// and takes the PC time at the moment a frame passes.

#include "core/clock.h"
#include "link/frame_codec.h"

#include <cstdint>
#include <optional>

class TVisitRecord : public IFrameObserver {
public:
    // `clock` must outlive the record; the run starts now.
    explicit TVisitRecord(const IClock& clock);

    void FrameSeen(const TFrameEvent& frame) override;

    const TDateTime& RunStart() const { return FRunStart; }
    uint64_t PollsSent() const { return FPollsSent; }
    uint64_t StatusReplies() const { return FStatusReplies; }
    // When a 'T' last went out (the technician set the panel clock), or empty.
    const std::optional<TDateTime>& ClockSetAt() const { return FClockSetAt; }

private:
    const IClock& FClock;
    TDateTime FRunStart;
    uint64_t FPollsSent = 0;
    uint64_t FStatusReplies = 0;
    std::optional<TDateTime> FClockSetAt;
};
