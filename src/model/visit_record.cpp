#include "model/visit_record.h"

#include "link/commands.h"

TVisitRecord::TVisitRecord(const IClock& clock) : FClock(clock), FRunStart(clock.Now()) {}

void TVisitRecord::FrameSeen(const TFrameEvent& frame) {
    if (frame.Way == TFrameWay::Sent) {
        if (frame.Fate != TFrameFate::Sent) {
            return;
        }
        if (frame.Letter == Command::Status) {
            ++FPollsSent;
        } else if (frame.Letter == Command::SetTime) {
            FClockSetAt = FClock.Now();
        }
    } else if (frame.Letter == Command::Status && frame.Fate == TFrameFate::Decoded) {
        ++FStatusReplies;
    }
}
