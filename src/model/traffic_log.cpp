#include "model/traffic_log.h"

#include "core/errors.h"

#include <algorithm>

TTrafficLog::TTrafficLog(const IClock& clock) : FClock(clock) {}

void TTrafficLog::FrameSeen(const TFrameEvent& frame) {
    std::size_t slot;
    if (FSize < Capacity) {
        slot = (FFirst + FSize) % Capacity;
        if (FRing.size() <= slot) {
            FRing.resize(slot + 1);
        }
        ++FSize;
    } else {
        slot = FFirst; // the oldest goes, its buffer is reused
        FFirst = (FFirst + 1) % Capacity;
    }
    TTrafficRecord& record = FRing[slot];
    record.Number = FNextNumber++;
    record.Time = FClock.Now();
    record.Way = frame.Way;
    record.Route = frame.Route;
    record.Fate = frame.Fate;
    record.Letter = frame.Letter;
    // A datagram longer than any frame the codec takes (up to 64 KB from a flood) is kept cut to
    // that length, and a slot that once held a long one gives its buffer back when it takes a
    // short one: the ring's memory stays bounded by what it holds now, not by the longest frame
    // each slot ever saw.
    const std::size_t kept = std::min(frame.WireLength, MaxWireKept);
    if (record.Wire.capacity() > 4 * kept && record.Wire.capacity() > ShrinkAbove) {
        record.Wire = std::vector<uint8_t>();
    }
    record.Wire.assign(frame.Wire, frame.Wire + kept);
    record.From.assign(frame.From);
    record.Stranger = frame.Stranger;
}

void TTrafficLog::ReplyDropped() {
    if (FSize > 0) {
        FRing[(FFirst + FSize - 1) % Capacity].Fate = TFrameFate::Unawaited;
    }
}

void TTrafficLog::Clear() {
    FFirst = 0;
    FSize = 0;
}

const TTrafficRecord& TTrafficLog::At(std::size_t i) const {
    if (i >= FSize) {
        throw ERangeError();
    }
    return FRing[(FFirst + i) % Capacity];
}
