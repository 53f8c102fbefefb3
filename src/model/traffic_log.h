#pragma once
// The traffic monitor's record: the last 10,000 frames sent and received, each with the PC's time
// to the millisecond, its direction, transport, fate and bytes. Recording is a copy into a ring
// that is allocated as it fills and then reused, with no formatting: the lines are made only for
// what a monitor shows, so a closed monitor costs next to nothing.

#include "core/clock.h"
#include "link/frame_codec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TTrafficRecord {
    uint64_t Number = 0; // counts from 1 since the start, never reused (a view's position)
    TDateTime Time;
    TFrameWay Way = TFrameWay::Sent;
    TFrameRoute Route = TFrameRoute::Serial;
    TFrameFate Fate = TFrameFate::Sent;
    uint8_t Letter = 0;
    std::vector<uint8_t> Wire;
    std::string From;      // the sender of a received datagram, the destination of a sent one
    bool Stranger = false; // a datagram not taken from the panel
};

class TTrafficLog : public IFrameObserver {
public:
    static constexpr std::size_t Capacity = 10000;
    // The bytes kept of one frame: the longest datagram the codec takes. What is longer is kept
    // cut to this.
    static constexpr std::size_t MaxWireKept = TFrameCodec::BufferSize + 1;
    // A slot's buffer larger than this and than four times its new frame is given back.
    static constexpr std::size_t ShrinkAbove = 1024;

    // Times come from `clock`, which must outlive the log.
    explicit TTrafficLog(const IClock& clock);

    void FrameSeen(const TFrameEvent& frame) override;
    // Marks the newest record, the reply being decoded, as dropped.
    void ReplyDropped() override;

    // Empties the log; numbering goes on.
    void Clear();
    std::size_t Size() const { return FSize; }
    // The i-th record kept, oldest first (i below Size()).
    const TTrafficRecord& At(std::size_t i) const;
    // The number of the newest record (0 before the first).
    uint64_t LastNumber() const { return FNextNumber - 1; }

private:
    const IClock& FClock;
    std::vector<TTrafficRecord> FRing;
    std::size_t FFirst = 0; // index of the oldest record in the ring
    std::size_t FSize = 0;
    uint64_t FNextNumber = 1;
};

// One line of the monitor: "13:45:12.345  TX serial  'A' status request ...  AA 01 30 41 71 AA 02",
// the meaning padded to 60 characters; a received datagram names its sender after "UDP"
// ("UDP 10.0.0.7:1501"). With `withDate` the date leads: "07.12.2026 13:45:12.345 ...".
std::string TrafficLine(const TTrafficRecord& record, bool withDate = false);
// Whether the records kept reach over midnight (the oldest and the newest differ in date).
bool SpansMidnight(const TTrafficLog& log);
// The decoded summary alone.
std::string FrameSummary(const TTrafficRecord& record);
// The bytes in upper-case hexadecimal, separated by spaces.
std::string WireHexText(const std::vector<uint8_t>& bytes);
