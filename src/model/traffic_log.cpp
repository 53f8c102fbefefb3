#include "model/traffic_log.h"

#include "core/errors.h"

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
    record.Wire.assign(frame.Wire, frame.Wire + frame.WireLength);
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
