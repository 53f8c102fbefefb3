#include "model/event_copy.h"

bool IsEmptySlot(const TEventRecord& record) {
    return record.Id == 0 && record.Time == 0;
}

TEventCopy::TEventCopy(uint16_t index, IEventCopyActions& actions)
    : FActions(actions), FIndex(index) {}

void TEventCopy::OnStatus(const TEventWindow& window, uint32_t tick) {
    FWindow = window;
    FWindowKnown = true;
    if (FRequest) {
        ++FRequest->StatusReplies;
    }
    if (PlaceOf(FIndex, window) == TIndexPlace::Outside) {
        const uint16_t stored = FIndex;
        MoveTo(window.Start);
        FActions.Note("stored index " + std::to_string(stored) + " is not in the panel's log (" +
                      WindowText(window) + "): the log was restarted or replaced; copying from " +
                      std::to_string(window.Start));
    }
    AskIfBehind(tick);
}

void TEventCopy::OnEventInfo(uint16_t end, uint32_t tick) {
    if (!FWindowKnown) {
        return; // the ring is not known before the first status reply
    }
    FWindow.End = end;
    if (PlaceOf(FIndex, FWindow) == TIndexPlace::Inside) {
        AskIfBehind(tick);
    }
}

TRecordVerdict TEventCopy::OnRecord(const TEventRecord& record) {
    if (!FRequest || record.Index != FRequest->Index) {
        return TRecordVerdict::Unawaited;
    }
    FRequest.reset();
    FRequestsForIndex = 0;
    if (!IsEmptySlot(record)) {
        return TRecordVerdict::Awaited;
    }
    const uint16_t end = FWindow.End;
    MoveTo(end);
    FActions.Note("record " + std::to_string(record.Index) +
                  " is empty (a slot the panel never wrote); copying goes on from " +
                  std::to_string(end));
    return TRecordVerdict::EmptySlot;
}

void TEventCopy::Advance() {
    MoveTo(NextIndex(FIndex, FWindow.Capacity));
}

void TEventCopy::AskIfBehind(uint32_t tick) {
    if (Waiting() == 0) {
        return;
    }
    if (FRequest) {
        if (!DeadlinePassed(tick)) {
            return;
        }
        if (FRequestsForIndex >= RequestsBeforeGivingUp) {
            const uint16_t lost = FIndex;
            MoveTo(NextIndex(FIndex, FWindow.Capacity));
            FActions.Note("record " + std::to_string(lost) + " not delivered after " +
                          std::to_string(RequestsBeforeGivingUp) +
                          " requests; copying goes on from " + std::to_string(FIndex));
            if (Waiting() == 0) {
                return;
            }
        }
    }
    Send(tick);
}

bool TEventCopy::DeadlinePassed(uint32_t tick) const {
    return FRequest->StatusReplies >= DeadlineStatusReplies &&
           uint32_t(tick - FRequest->SentTick) >= DeadlineMs;
}

// The index is saved before it is taken: when the settings file refuses it, nothing moved.
void TEventCopy::MoveTo(uint16_t index) {
    FActions.SaveIndex(index);
    FIndex = index;
    FRequest.reset();
    FRequestsForIndex = 0;
}

void TEventCopy::Send(uint32_t tick) {
    if (FRequest && FRequest->Index != FIndex) {
        FRequestsForIndex = 0;
    }
    FActions.RequestRecord(FIndex);
    FRequest = TRequest{FIndex, tick, 0};
    ++FRequestsForIndex;
}
