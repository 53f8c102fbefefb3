#include "model/event_copy.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace {

// Steps from `from` forward to `to` round a ring of `capacity` slots (both below it).
uint32_t Distance(uint16_t from, uint16_t to, uint16_t capacity) {
    return (uint32_t(to) + capacity - from) % capacity;
}

bool Usable(const TEventWindow& w) {
    return PlaceOf(0, w) != TIndexPlace::Unknown;
}

// Whether the panel holds a record in slot `index`: start equal to end counts as full.
bool Holds(const TEventWindow& w, uint16_t index) {
    if (!Usable(w) || index >= w.Capacity) {
        return false;
    }
    return w.Start == w.End ||
           Distance(w.Start, index, w.Capacity) < Distance(w.Start, w.End, w.Capacity);
}

// Whether `later` can follow `earlier` by records appended: the same ring, start and end moved
// forward (or not at all) by less than half of it.
bool Follows(const TEventWindow& earlier, const TEventWindow& later) {
    const uint16_t capacity = later.Capacity;
    return earlier.Capacity == capacity &&
           2 * Distance(earlier.End, later.End, capacity) < capacity &&
           2 * Distance(earlier.Start, later.Start, capacity) < capacity;
}

// Whether the panel's log was cleared between two windows: the capacity changed, a ring that
// was full is no longer, or the end of a ring not yet full moved backwards.
bool Cleared(const TEventWindow& before, const TEventWindow& after) {
    if (before.Capacity != after.Capacity) {
        return true; // a new ring
    }
    if (before == after) {
        return false;
    }
    const bool fullBefore = before.Start == before.End;
    const bool fullAfter = after.Start == after.End;
    return (fullBefore && !fullAfter) || (!fullBefore && !fullAfter && before.Start == 0 &&
                                          after.Start == 0 && after.End < before.End);
}

TRecordMark MarkOf(const TEventRecord& record) {
    return TRecordMark{record.Index, record.Time, record.Code};
}

} // namespace

bool IsEmptySlot(const TEventRecord& record) {
    return record.Id == 0 && record.Time == 0;
}

TEventCopy::TEventCopy(TCopyPosition position, IEventCopyActions& actions)
    : FActions(actions), FPosition(std::move(position)), FSaved(FPosition) {
    if (FPosition.Holes.size() > MaxHoles) {
        FPosition.Holes.resize(MaxHoles);
    }
}

uint32_t TEventCopy::Waiting() const {
    const uint32_t inWindow =
        MayBeFull() ? FWindow.Capacity : RecordsWaiting(FPosition.Index, FWindow);
    return inWindow + uint32_t(FPosition.Holes.size());
}

void TEventCopy::OnStatus(const TEventWindow& window, const std::set<uint64_t>& units,
                          uint32_t tick) {
    FLastTick = tick;
    if (FRequest) {
        ++FRequest->StatusReplies;
    }
    for (auto& [hole, retry] : FHoleRetries) {
        if (retry.NotBefore > 0) {
            --retry.NotBefore;
        }
    }
    if (!units.empty()) {
        FUnits = units;
    }
    // A window with no ring, or with indices past its capacity, says nothing about the log. One
    // that moved backwards may be a late reply: it counts once the next reply says the same.
    const bool afterBackwards = FUnconfirmed.has_value();
    if (Usable(window) && (!FSeen || !(*FSeen == window))) {
        if (Suspicious(window)) {
            // A reply to a request sent before may come from the log this window shows, or
            // from the one before: it is not taken, and nothing is asked until the next
            // status reply says which window holds.
            Cancel();
            return;
        }
        FSeen = window;
        if (FEmptyLog && !(*FEmptyLog == window)) {
            FEmptyLog.reset(); // records came since it was found empty
        }
        // Any change may be a log cleared and refilled: the record copied last tells.
        FChecked = FChecked && window == FWindow;
    }
    if (Usable(window) && afterBackwards) {
        // The window that moved backwards was a late reply, or the log was cleared and refilled
        // past the one before at once: the record copied last tells.
        FUnconfirmed.reset();
        FChecked = false;
    }
    if (Usable(window) && FInDoubt) {
        ResolveDoubt(window);
    }
    Step(tick);
}

// The record copied last was asked for in the window that held `SentEnd` as its end; when the
// panel has written at its slot since (its end went past it, or the ring changed), the reply may
// hold the record written there afterwards, newer than the ones that wait: the copy reads the
// panel's ring again from its oldest record, leaving out the records it has written.
void TEventCopy::ResolveDoubt(const TEventWindow& window) {
    const TDoubt doubt = *FInDoubt;
    FInDoubt.reset();
    const std::optional<THeld> written = std::exchange(FConfirming, std::nullopt);
    if (window.Capacity == doubt.Capacity &&
        Distance(doubt.SentEnd, doubt.Index, doubt.Capacity) >=
            Distance(doubt.SentEnd, window.End, doubt.Capacity)) {
        if (written) {
            Advance(*written);
        }
        return;
    }
    FSeen = window;
    Replaced("the panel wrote over record " + std::to_string(doubt.Index) +
                 " while it was being read",
             written ? MarkOf(written->Record) : FPosition.Last);
}

// A window that does not follow the last one is taken once the next reply follows it; when the
// next one follows the last window instead, it was a late reply.
bool TEventCopy::Suspicious(const TEventWindow& window) {
    if (!FSeen || Follows(*FSeen, window) || (FUnconfirmed && Follows(*FUnconfirmed, window))) {
        FUnconfirmed.reset();
        return false;
    }
    FUnconfirmed = window;
    return true;
}

void TEventCopy::OnEventInfo(uint32_t tick) {
    FLastTick = tick;
    Step(tick);
}

void TEventCopy::Park() {
    Cancel();
    FEmptyCheck = false;
    // Meanwhile the panel may fill its ring exactly: the same window, no longer empty.
    FEmptyLog.reset();
    FSeen.reset();
    FChecked = false;
}

void TEventCopy::Cancel() {
    FRequest.reset();
    FHeld.reset();
    if (FState == TCopyState::Awaiting || FState == TCopyState::Checking) {
        FState = TCopyState::Idle;
    }
}

void TEventCopy::Step(uint32_t tick) {
    if (FState == TCopyState::Unsaved) {
        TrySave();
    }
    if (FState == TCopyState::Unsaved || FState == TCopyState::Writing ||
        FState == TCopyState::Confirming || !FSeen) {
        return;
    }
    if (FRequest) {
        if (!DeadlinePassed(tick)) {
            return;
        }
        MissedDeadline();
        if (FState == TCopyState::Unsaved) {
            return;
        }
        if (FRequest) {
            Resend(tick);
            return;
        }
    }
    if (!FChecked) {
        if (!FPosition.Last) {
            TakeUnchecked();
            if (FState == TCopyState::Unsaved) {
                return;
            }
        } else if (FPosition.Last->Index < FSeen->Capacity) {
            FCheckMark = MarkToCheck();
            Ask(FCheckMark.Index, TPurpose::Check, 1, tick);
            return;
        } else {
            Replaced("the ring has " + std::to_string(FSeen->Capacity) + " slots, record " +
                     std::to_string(FPosition.Last->Index) + " copied last is past them");
            return;
        }
    }
    if (RecordsWaiting(FPosition.Index, FWindow) > 0 || MayBeFull()) {
        Ask(FPosition.Index, TPurpose::Next, FAttempts + 1, tick);
    } else if (const auto hole = DueHole()) {
        Ask(*hole, TPurpose::Hole, 1, tick);
    }
}

bool TEventCopy::DeadlinePassed(uint32_t tick) const {
    const uint32_t steps = std::min(FRequest->Attempts - 1, LongestIntervalSteps);
    return FRequest->StatusReplies >= (DeadlineStatusReplies << steps) &&
           uint32_t(tick - FRequest->SentTick) >= (DeadlineMs << steps);
}

// The request stays in FRequest when it is to be asked again, and is dropped otherwise.
void TEventCopy::MissedDeadline() {
    TRequest& request = *FRequest;
    switch (request.Purpose) {
    case TPurpose::Check:
    case TPurpose::Probe:
        ++request.Attempts;
        return;
    case TPurpose::Hole:
        RetryHoleLater(request.Index);
        FRequest.reset();
        FState = TCopyState::Idle;
        return;
    case TPurpose::Next:
        FAttempts = request.Attempts;
        // Later records wait: this one is fetched when nothing else does.
        if (FAttempts >= AttemptsBeforeHole && RecordsWaiting(FPosition.Index, FWindow) > 1 &&
            FPosition.Holes.size() < MaxHoles) {
            FRequest.reset();
            PassAsHole(FPosition.Index);
            return;
        }
        ++request.Attempts;
        return;
    }
}

void TEventCopy::Resend(uint32_t tick) {
    const TRequest request = *FRequest;
    Ask(request.Index, request.Purpose, request.Attempts, tick);
}

void TEventCopy::Ask(uint16_t index, TPurpose purpose, uint32_t attempts, uint32_t tick) {
    const uint16_t capacity = purpose == TPurpose::Check ? FSeen->Capacity : FWindow.Capacity;
    FRequest = TRequest{index, capacity, purpose, tick, 0, attempts, FSeen->End};
    FState = purpose == TPurpose::Check ? TCopyState::Checking : TCopyState::Awaiting;
    FActions.RequestRecord(index);
}

std::optional<uint16_t> TEventCopy::DueHole() {
    for (uint16_t hole : FPosition.Holes) {
        const auto retry = std::find_if(FHoleRetries.begin(), FHoleRetries.end(),
                                        [&](const auto& r) { return r.first == hole; });
        if (retry == FHoleRetries.end() || retry->second.NotBefore == 0) {
            return hole;
        }
    }
    return std::nullopt;
}

void TEventCopy::RetryHoleLater(uint16_t hole) {
    auto retry = std::find_if(FHoleRetries.begin(), FHoleRetries.end(),
                              [&](const auto& r) { return r.first == hole; });
    if (retry == FHoleRetries.end()) {
        FHoleRetries.push_back({hole, {}});
        retry = std::prev(FHoleRetries.end());
    }
    THoleRetry& r = retry->second;
    r.NotBefore = DeadlineStatusReplies << std::min(r.Attempts, LongestIntervalSteps);
    ++r.Attempts;
}

namespace {

template <typename T> void Remember(std::deque<T>& records, const T& record) {
    records.push_back(record);
    if (records.size() > TEventCopy::MaxRemembered) {
        records.pop_front();
    }
}

bool Forget(std::deque<TSeenRecord>& records, const TSeenRecord& record) {
    const auto at = std::find(records.begin(), records.end(), record);
    if (at == records.end()) {
        return false;
    }
    records.erase(at);
    return true;
}

} // namespace

TRecordVerdict TEventCopy::OnRecord(const TEventRecord& record) {
    if (!FRequest || record.Index != FRequest->Index || FState == TCopyState::Writing) {
        return TRecordVerdict::Unawaited;
    }
    // A record of a unit the installation did not name is another installation's; one the
    // panel is known to have replaced comes from a reply held back on the way.
    if (!IsEmptySlot(record) &&
        ((!FUnits.empty() && !FUnits.contains(record.Id)) ||
         std::find(FGone.begin(), FGone.end(), MarkOf(record)) != FGone.end())) {
        return TRecordVerdict::Unawaited;
    }
    if (FRequest->Purpose == TPurpose::Check && HeldBackCheck(record)) {
        return TRecordVerdict::Unawaited; // the check stays outstanding for the panel's answer
    }
    const TSeenRecord seen{record.Id, MarkOf(record)};
    if (!IsEmptySlot(record) && Forget(FStale, seen)) {
        return TRecordVerdict::Unawaited; // asked again at the deadline if the panel holds it
    }
    // A next record older than the one copied before it may be a reply held back from a log
    // replaced since (after a restart the copy no longer knows its records): dropped once. The
    // panel, asked again, answers for the slot as it is now (the same, if its clock was set back).
    if (FRequest->Purpose == TPurpose::Next && !IsEmptySlot(record) && FPosition.Last &&
        record.Time < FPosition.Last->Time && FOlderDropped != MarkOf(record)) {
        FOlderDropped = MarkOf(record);
        return TRecordVerdict::Unawaited;
    }
    const TRequest request = *FRequest;
    FRequest.reset();
    FState = TCopyState::Idle;
    if (!IsEmptySlot(record)) {
        FRecordIn = FSeen; // before the answer is taken: it may move the window
    }
    const TRecordVerdict verdict = Answered(request, record);
    if (!IsEmptySlot(record)) {
        Remember(FOfThisLog, seen);
    }
    return verdict;
}

TRecordVerdict TEventCopy::Answered(const TRequest& request, const TEventRecord& record) {
    if (request.Purpose == TPurpose::Check) {
        if (request.Capacity != FSeen->Capacity ||
            Distance(request.SentEnd, request.Index, request.Capacity) <
                Distance(request.SentEnd, FSeen->End, request.Capacity)) {
            // The panel wrote the slot since the check was asked for: the reply may be the
            // record that was there before. Asked again.
            Step(FLastTick);
            return TRecordVerdict::Handled;
        }
        return Checked(record);
    }
    if (request.Purpose == TPurpose::Probe) {
        // A ring that answered a record in this window is not empty: its newest slot is merely
        // empty as well.
        const bool answeredRecord = FRecordIn && *FRecordIn == FWindow;
        if ((IsEmptySlot(record) && !answeredRecord) || request.Capacity != FWindow.Capacity) {
            FEmptyLog = FWindow; // empty: nothing to copy until the window changes
        } else if (MayBeFull()) {
            PassAsHole(FPosition.Index); // full, with its oldest slot empty
        }
        return TRecordVerdict::Handled;
    }
    if (!FChecked && !FPosition.Last) {
        // Nothing to check against: the new window is taken as it stands.
        TakeUnchecked();
        if (FState != TCopyState::Idle || request.Capacity != FWindow.Capacity ||
            (request.Purpose == TPurpose::Next && record.Index != FPosition.Index)) {
            return TRecordVerdict::Handled;
        }
    } else if (!FChecked) {
        // The window changed while it was on its way: kept until the check says whose it is.
        FHeld = THeld{record, request.Capacity, request.Purpose, request.SentEnd};
        Step(FLastTick);
        return TRecordVerdict::Handled;
    }
    return Take(THeld{record, request.Capacity, request.Purpose, request.SentEnd});
}

// The record copied last, read again, in a slot the panel has written since the window the copy
// works in: every request that brought it went out before that write (one sent after saw the
// newer window), so the panel's answer now is another record, and this is a reply held back on
// the line. Only a window that follows by records appended shows where the panel wrote.
bool TEventCopy::HeldBackCheck(const TEventRecord& record) const {
    return !IsEmptySlot(record) && MarkOf(record) == FCheckMark && WrittenOverSince(FCheckMark);
}

// Whether the panel has written the slot of `mark` since the window the copy works in (at the
// first check of a run, the window it worked in when the log was last found to be its own).
bool TEventCopy::WrittenOverSince(const TRecordMark& mark) const {
    const TEventWindow& before = Usable(FWindow) ? FWindow : FPosition.ConfirmedIn;
    if (!Usable(before) || !Follows(before, *FSeen) || mark.Index >= before.Capacity) {
        return false;
    }
    const uint16_t capacity = before.Capacity;
    return Distance(before.End, mark.Index, capacity) < Distance(before.End, FSeen->End, capacity);
}

void TEventCopy::Confirm(const TRecordMark& mark) {
    FPosition.Confirmed = mark;
    FPosition.ConfirmedIn = FWindow;
}

// The record the check reads: the one copied last when the log was last found to be the copy's.
// A record taken since may be of a log that replaced it (cleared and refilled past its end, the
// record's reply coming before the status reply that shows it), and would vouch for that log.
// One whose slot the panel has written over since cannot vouch for anything: then the record
// copied last is read.
TRecordMark TEventCopy::MarkToCheck() const {
    const std::optional<TRecordMark>& confirmed = FPosition.Confirmed;
    return confirmed && !WrittenOverSince(*confirmed) ? *confirmed : *FPosition.Last;
}

// Takes the window of the last status reply. In a full ring the start moves with the end, so the
// indices alone cannot show that the panel's writing went past records not read yet: the
// records appended since the last window tell.
void TEventCopy::TakeWindow() {
    const TEventWindow previous = FWindow;
    const TEventWindow next = *FSeen;
    if (Usable(previous) && previous.Capacity == next.Capacity && next.Start == next.End &&
        FPosition.Index < next.Capacity) {
        const uint32_t capacity = next.Capacity;
        const uint32_t waiting = MayBeFull() ? capacity : RecordsWaiting(FPosition.Index, previous);
        const uint32_t appended = Distance(previous.End, next.End, next.Capacity);
        FWindow = next;
        if (waiting + appended > capacity) {
            const uint32_t lost = waiting + appended - capacity;
            FActions.Note(std::to_string(lost) + " record" + (lost > 1 ? "s" : "") + " from " +
                          std::to_string(FPosition.Index) +
                          " overwritten by the panel before they could be read; copying from " +
                          std::to_string(next.Start));
            FPosition.Index = next.Start;
            FLap = true;
            FAttempts = 0;
            Moved();
        } else if (waiting + appended == capacity && FPosition.Index == next.End) {
            FLap = true;
        }
        return;
    }
    FWindow = next;
}

// A log whose start equals its end is empty or full. With nothing of it copied yet, only its
// oldest record tells which.
bool TEventCopy::MayBeFull() const {
    return (FPosition.Fresh || FLap) && FWindow.Start == FWindow.End &&
           FPosition.Index == FWindow.Start && !(FEmptyLog && *FEmptyLog == FWindow);
}

TRecordVerdict TEventCopy::Take(const THeld& answer) {
    if (answer.Purpose == TPurpose::Hole &&
        std::find(FPosition.Holes.begin(), FPosition.Holes.end(), answer.Record.Index) ==
            FPosition.Holes.end()) {
        return TRecordVerdict::Handled; // given up meanwhile: its slot holds a newer record
    }
    if (IsEmptySlot(answer.Record)) {
        // A log emptied starts again at slot 0: a ring whose start and end meet elsewhere is
        // full, and its oldest slot is merely empty.
        if (MayBeFull() && FWindow.Start == 0) {
            const uint16_t newest =
                FWindow.End == 0 ? uint16_t(FWindow.Capacity - 1) : uint16_t(FWindow.End - 1);
            Ask(newest, TPurpose::Probe, 1, FLastTick);
        } else if (answer.Purpose == TPurpose::Hole) {
            RetryHoleLater(answer.Record.Index);
        } else if (FPosition.Holes.size() < MaxHoles) {
            PassAsHole(answer.Record.Index);
        } else {
            ++FAttempts;
        }
        return TRecordVerdict::Handled;
    }
    if (WrittenBefore(answer.Record)) {
        Advance(answer); // read again after a doubt: its line is in the report already
        return TRecordVerdict::Handled;
    }
    FWriting = answer;
    FState = TCopyState::Writing;
    return TRecordVerdict::Write;
}

TRecordVerdict TEventCopy::Checked(const TEventRecord& record) {
    // An empty slot where the window holds a record (start and end at 0 may be a log emptied)
    // carries no unit ID: it may be another installation's answer, the line having changed
    // hands. It decides only when it comes again.
    const bool mayBeEmpty = FSeen->Start == 0 && FSeen->End == 0;
    if (IsEmptySlot(record) && Holds(*FSeen, FCheckMark.Index) && !mayBeEmpty && !FEmptyCheck) {
        FEmptyCheck = true;
        return TRecordVerdict::Handled; // asked again at the next status reply
    }
    FEmptyCheck = false;
    const bool same = !IsEmptySlot(record) && MarkOf(record) == FCheckMark;
    if (!same) {
        Remember(FGone, FCheckMark);
        FHeld.reset();
        Replaced("record " + std::to_string(record.Index) +
                 " no longer holds the record copied last");
        return TRecordVerdict::Handled;
    }
    FChecked = true;
    // A window that lacks the record just read is older than the record: a late reply. One
    // that holds it is taken as it stands: the panel wrote fewer records than its ring holds
    // since the record copied last, so every record after it is still there.
    const bool holds = Holds(*FSeen, FCheckMark.Index);
    if (holds) {
        FWindow = *FSeen;
        FLap = false;
    }
    Confirm(*FPosition.Last); // before a hole given up saves the position
    if (holds) {
        GiveUpOverwrittenHoles();
    }
    if (FHeld) {
        const THeld held = *FHeld;
        FHeld.reset();
        if (held.Capacity == FWindow.Capacity) {
            return Take(held);
        }
    }
    if (FState == TCopyState::Idle) {
        Step(FLastTick);
    }
    return TRecordVerdict::Handled;
}

void TEventCopy::TakeUnchecked() {
    // Records passed over while nothing was copied yet leave no record to read again: when a
    // full ring moved meanwhile, how far is not known, so the ring is read again.
    if (!FPosition.Holes.empty() && FSeen->Start == FSeen->End &&
        !(Usable(FWindow) && *FSeen == FWindow)) {
        Replaced("nothing was copied since record " + std::to_string(FPosition.Index) +
                 " was passed over and the full ring moved on");
        return;
    }
    const TEventWindow before = FWindow;
    const bool seenBefore = Usable(before);
    // A log cleared behind a copy that holds records passed over (and none copied) leaves its
    // index inside the new log, but nothing before it was read there.
    if (seenBefore && !(FPosition.Fresh && FPosition.Holes.empty()) && Cleared(before, *FSeen)) {
        Replaced("nothing was copied since record " + std::to_string(FPosition.Index) +
                 " was passed over and the log was cleared");
        return;
    }
    // Holes and nothing copied: the copy began at the log's oldest record, and every record
    // before the index was passed over and waits as a hole, or was given up once the panel's
    // window moved past it. One that is neither shows another log: cleared or replaced
    // meanwhile (perhaps while the program was not running). (A position from before holes
    // were kept has none, and its index is taken as it stands.)
    if (!FPosition.Holes.empty() && PlaceOf(FPosition.Index, *FSeen) == TIndexPlace::Inside) {
        for (uint16_t i = FSeen->Start; i != FPosition.Index; i = NextIndex(i, FSeen->Capacity)) {
            if (std::find(FPosition.Holes.begin(), FPosition.Holes.end(), i) ==
                FPosition.Holes.end()) {
                Replaced("record " + std::to_string(i) +
                         " was neither copied nor passed over: another log");
                return;
            }
        }
    }
    FChecked = true;
    TakeWindow();
    if (FPosition.Fresh && FPosition.Holes.empty()) {
        if (seenBefore && Cleared(before, FWindow)) {
            FActions.Note("the panel's log was cleared (" + WindowText(FWindow) +
                          "): records from " + std::to_string(FPosition.Index) +
                          " on that were not read were overwritten; copying from " +
                          std::to_string(FWindow.Start));
            CopyFromOldest();
        } else if (FPosition.Index == FWindow.Start && !seenBefore &&
                   FWindow.Start == FWindow.End && FWindow.Start != 0) {
            // Nothing copied tells how often a full ring went round since its oldest record
            // was known to be here (start and end at 0 are an empty log as well).
            FActions.Note("a full ring: records older than record " +
                          std::to_string(FWindow.Start) +
                          " may have been overwritten by the panel before they could be read");
        } else if (FPosition.Index != FWindow.Start) {
            // The oldest record known before is gone: the panel wrote over it or cleared it.
            FActions.Note("records from " + std::to_string(FPosition.Index) +
                          " on overwritten or cleared by the panel before they could be read; "
                          "copying from " +
                          std::to_string(FWindow.Start));
            CopyFromOldest();
        }
        return;
    }
    if (PlaceOf(FPosition.Index, FWindow) == TIndexPlace::Outside) {
        const uint16_t stored = FPosition.Index;
        FActions.Note("stored index " + std::to_string(stored) + " is not in the panel's log (" +
                      WindowText(FWindow) + "): the log was restarted or replaced; copying from " +
                      std::to_string(FWindow.Start));
        FPosition = TCopyPosition::FreshAt(FWindow.Start);
        LogGone();
        FHoleRetries.clear();
        FAttempts = 0;
        Moved();
        return;
    }
    GiveUpOverwrittenHoles();
}

// The panel's log was cleared or written over before the copy read it: the copy goes on from the
// oldest record the panel holds.
void TEventCopy::CopyFromOldest() {
    FPosition.Index = FWindow.Start;
    FAttempts = 0;
    LogGone();
    Moved();
}

// A record of the log before may still come, held back or repeated on the line, as the answer
// for its slot in the new one.
void TEventCopy::LogGone() {
    for (const TSeenRecord& record : FOfThisLog) {
        Remember(FStale, record);
    }
    FOfThisLog.clear();
}

void TEventCopy::Replaced(const std::string& why, std::optional<TRecordMark> writtenInDoubt) {
    LogGone();
    FChecked = true;
    Cancel();
    FWindow = *FSeen;
    FActions.Note(why + ": the panel's log was replaced or overwritten (" + WindowText(FWindow) +
                  "); copying from " + std::to_string(FWindow.Start));
    std::vector<TRecordMark> inDoubt = std::move(FPosition.WrittenInDoubt);
    // The records written since the log was last found to be the copy's may be of the log that
    // replaced it, and are met again when it is read from its start.
    const auto confirmed =
        std::find_if(FWritten.rbegin(), FWritten.rend(),
                     [&](const TSeenRecord& r) { return r.Mark == FPosition.Confirmed; });
    for (auto since = confirmed.base(); since != FWritten.end(); ++since) {
        inDoubt.push_back(since->Mark);
    }
    if (writtenInDoubt) {
        inDoubt.push_back(*writtenInDoubt);
    }
    FPosition = TCopyPosition::FreshAt(FWindow.Start);
    for (const TRecordMark& mark : inDoubt) {
        std::erase(FPosition.WrittenInDoubt, mark);
        FPosition.WrittenInDoubt.push_back(mark);
    }
    const std::size_t over =
        FPosition.WrittenInDoubt.size() - std::min(FPosition.WrittenInDoubt.size(), MaxInDoubt);
    FPosition.WrittenInDoubt.erase(FPosition.WrittenInDoubt.begin(),
                                   FPosition.WrittenInDoubt.begin() + over);
    FHoleRetries.clear();
    FAttempts = 0;
    FLap = false;
    Moved();
}

// A hole behind the panel's oldest record was overwritten before it could be read.
void TEventCopy::GiveUpOverwrittenHoles() {
    if (FPosition.Index >= FWindow.Capacity) {
        return;
    }
    std::vector<uint16_t> kept;
    std::vector<uint16_t> lost;
    for (uint16_t hole : FPosition.Holes) {
        const bool overwritten =
            hole >= FWindow.Capacity ||
            (!Holds(FWindow, hole) && Distance(hole, FWindow.Start, FWindow.Capacity) <=
                                          Distance(hole, FPosition.Index, FWindow.Capacity)) ||
            WrittenOverSinceLast(hole);
        (overwritten ? lost : kept).push_back(hole);
    }
    if (lost.empty()) {
        return;
    }
    std::string names;
    for (uint16_t hole : lost) {
        names += (names.empty() ? "" : ", ") + std::to_string(hole);
        std::erase_if(FHoleRetries, [&](const auto& r) { return r.first == hole; });
    }
    FActions.Note("record" + std::string(lost.size() > 1 ? "s " : " ") + names +
                  " overwritten by the panel before it could be read");
    FPosition.Holes = kept;
    Moved();
}

// The slots the panel wrote since the record copied last run from the one after it up to the
// end. A hole passed before that record (not between it and the index) that lies among them
// was written over.
bool TEventCopy::WrittenOverSinceLast(uint16_t hole) const {
    if (!FPosition.Last || FPosition.Last->Index >= FWindow.Capacity) {
        return false;
    }
    const uint16_t capacity = FWindow.Capacity;
    const uint16_t after = NextIndex(FPosition.Last->Index, capacity);
    const uint32_t at = Distance(after, hole, capacity);
    return at >= Distance(after, FPosition.Index, capacity) &&
           at < Distance(after, FWindow.End, capacity);
}

void TEventCopy::PassAsHole(uint16_t index) {
    if (std::find(FPosition.Holes.begin(), FPosition.Holes.end(), index) == FPosition.Holes.end()) {
        FPosition.Holes.push_back(index);
    }
    RetryHoleLater(index);
    FPosition.Index = NextIndex(index, FWindow.Capacity);
    FPosition.Fresh = false;
    FLap = false;
    FAttempts = 0;
    Moved();
}

void TEventCopy::LineWritten(bool onDisk) {
    if (FState != TCopyState::Writing || !FWriting) {
        return;
    }
    const THeld written = *FWriting;
    FWriting.reset();
    FState = TCopyState::Idle;
    if (!onDisk) {
        return; // asked for again
    }
    Remember(FWritten, {written.Record.Id, MarkOf(written.Record)});
    if (written.Purpose == TPurpose::Next) {
        FInDoubt = TDoubt{written.Record.Index, written.Capacity, written.SentEnd};
        const bool nearNextWrite =
            FWindow.Start == FWindow.End &&
            2 * Distance(written.SentEnd, written.Record.Index, written.Capacity) <
                written.Capacity;
        if (written.Record.Index == written.SentEnd || nearNextWrite) {
            // A record of a full ring in the half the panel writes next: saved only once the
            // next status reply clears the doubt, which a restart could not (it would find the
            // newer record in the slot and take the older ones after it for still there).
            FConfirming = written;
            FState = TCopyState::Confirming;
            return;
        }
    }
    Advance(written);
}

bool TEventCopy::WrittenBefore(const TEventRecord& record) const {
    const std::vector<TRecordMark>& inDoubt = FPosition.WrittenInDoubt;
    return std::find(inDoubt.begin(), inDoubt.end(), MarkOf(record)) != inDoubt.end() ||
           std::find(FWritten.begin(), FWritten.end(), TSeenRecord{record.Id, MarkOf(record)}) !=
               FWritten.end();
}

void TEventCopy::Advance(const THeld& written) {
    const uint16_t index = written.Record.Index;
    if (written.Purpose == TPurpose::Hole) {
        std::erase(FPosition.Holes, index);
        std::erase_if(FHoleRetries, [&](const auto& r) { return r.first == index; });
        if (!FPosition.Last) {
            FPosition.Last = MarkOf(written.Record); // the log's first record copied
        }
    } else {
        FPosition.Last = MarkOf(written.Record);
        FPosition.Fresh = false;
        FLap = false;
        FPosition.Index = NextIndex(index, written.Capacity);
        FAttempts = 0;
    }
    if (!FPosition.Confirmed) {
        Confirm(*FPosition.Last); // the log's first record copied: later ones are checked by it
    }
    std::erase(FPosition.WrittenInDoubt, MarkOf(written.Record)); // met again: passed
    Moved();
}

void TEventCopy::Moved() {
    FState = TCopyState::Unsaved;
    TrySave();
}

void TEventCopy::TrySave() {
    if (FSaving) {
        return; // the outcome of the save under way decides
    }
    FSaving = true;
    FActions.SavePosition(FPosition);
}

void TEventCopy::PositionSaved(const TCopyPosition& saved, std::exception_ptr failure) {
    FSaving = false;
    if (failure) {
        if (!FSaveFailureTold) {
            // Said once, in the log and the report, and raised once for the error display.
            FSaveFailureTold = true;
            std::string cause;
            try {
                std::rethrow_exception(failure);
            } catch (const std::exception& e) {
                cause = e.what();
            } catch (...) {
            }
            FActions.Note("the position " + std::to_string(saved.Index) + " cannot be saved (" +
                          cause + "); nothing more is asked for until it is");
            std::rethrow_exception(failure);
        }
        return;
    }
    FSaved = saved;
    if (FSaveFailureTold) {
        FSaveFailureTold = false;
        FActions.Note("the position " + std::to_string(saved.Index) + " is saved again");
    }
    if (FState != TCopyState::Unsaved) {
        return;
    }
    if (saved == FPosition) {
        FState = TCopyState::Idle; // the next status reply asks for what is next
    } else {
        TrySave(); // it moved while the save was under way
    }
}
