#pragma once
// The conversation that copies one installation's event log, record by record. The rule it keeps:
// every record the panel holds is written exactly once, unless the panel overwrote it before it
// could be read (then one note names it), or the program died between writing its line and
// saving the position (then it is written at most once more, right after the start).
//
// States:
//   Idle       nothing outstanding; asks for the next record, a hole or the check record when
//              one is due.
//   Checking   awaiting the record copied last when the log was last found to be the copy's
//              (or the record copied last), read again to tell whether the panel's log is
//              still the one the stored index belongs to. Entered on the first status reply of
//              a run and whenever the panel's window changed since it was last checked.
//   Awaiting   awaiting a record (the next one, or a hole), bound to the index and the ring
//              capacity it was asked for; a reply only counts for the same index, with a unit
//              ID the installation's last status reply named (or an empty slot).
//   Writing    the awaited record is with the caller, whose line is on its way to the disk
//              (written off the main thread: LineWritten() comes when it is there, or not).
//   Confirming the line is on disk, but the panel may have written the record's slot while it
//              was asked for (a record of a full ring, in the half the panel writes next): the
//              position stays as it was until the next status reply shows it did not (a program
//              killed meanwhile asks for the record again at its start).
//   Unsaved    the position moved (a line is on disk, a hole was noted) but is not saved yet:
//              nothing more is asked for until it is. The save runs off the main thread and
//              its outcome comes by PositionSaved(); one save at a time. A failed save is said
//              once, with its cause, and tried again at every status reply.
//
// A request that misses its deadline is asked again, each time with twice the interval. A
// record that misses three while later ones wait becomes a hole: kept in the position (a short
// list), asked for again whenever nothing else waits, and given up (with one note) only when the
// panel's window has moved past it. An empty slot inside the window is a hole too.
//
// A deadline passes only when enough status replies have come since the request and enough
// time has gone by: while the link is down no status reply comes, so no deadline passes, and a
// fast poll over a slow link still gives the reply time to arrive.
//
// A window that moved backwards is in doubt until the next status reply: the outstanding request
// is cancelled (its reply may come from either log) and nothing is asked. A record whose slot the
// panel wrote while it was asked for (the end went past the slot, or the ring changed) may be the
// newer record written there: the copy reads the ring again from its oldest record, leaving out
// the records it wrote this run (and the record in doubt, which the position keeps for a restart).
//
// Nothing on the wire tells a reply held back or repeated on the line from the panel's answer
// now: a record the panel answered before its log was found cleared or replaced is dropped
// the first time it comes again (the panel, asked again, answers for the slot as it is now), and
// the check after a restart reads the record that last vouched for the log, kept in the position.

#include "model/event_record.h"
#include "model/event_window.h"

#include <cstdint>
#include <deque>
#include <exception>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Which record was copied last: read again, the same index with the same time and code means
// the same log.
struct TRecordMark {
    uint16_t Index = 0;
    uint32_t Time = 0;
    uint8_t Code = 0;
    bool operator==(const TRecordMark&) const = default;
};

// A record as the copy tells records apart: its unit ID and its mark.
struct TSeenRecord {
    uint64_t Unit = 0;
    TRecordMark Mark;
    bool operator==(const TSeenRecord&) const = default;
};

// What the installation's section keeps of the copy.
struct TCopyPosition {
    uint16_t Index = 0;              // the next record to fetch
    std::optional<TRecordMark> Last; // the record copied last; none before the first
    std::vector<uint16_t> Holes;     // records passed over that are still to be fetched
    // Nothing of the panel's log copied yet (a new installation, a replaced log): the copy
    // begins at the oldest record the panel holds.
    bool Fresh = false;
    // The record copied last when the panel's log was last found to be the copy's (or the log's
    // first record copied), and the window the copy worked in then: a record taken since may
    // be of a log that replaced it, its reply coming before the status reply that shows it, so
    // the check after a restart reads this one, unless the panel has written its slot since.
    std::optional<TRecordMark> Confirmed;
    TEventWindow ConfirmedIn;
    // Records written that a ring read again from its oldest record may meet again, the newest
    // last: one whose slot the panel wrote while it was asked for, and those written since the
    // log was last found to be the copy's when it is found replaced (they may be of the new log).
    // Met again, they are not written twice, also after a restart, when the records written
    // before are no longer known.
    std::vector<TRecordMark> WrittenInDoubt;

    // Nothing of the log copied yet; the copy begins at `index`.
    static TCopyPosition FreshAt(uint16_t index) {
        TCopyPosition position;
        position.Index = index;
        position.Fresh = true;
        return position;
    }
    bool operator==(const TCopyPosition&) const = default;
};

// What the copy does to the world: the bookkeeping sends, saves and tells.
class IEventCopyActions {
public:
    virtual ~IEventCopyActions() = default;
    // Sends 'G' for the record at `index`. Raises what the link raises.
    virtual void RequestRecord(uint16_t index) = 0;
    // Saves the installation's position, now or later: the outcome comes back through the
    // copy's PositionSaved() (perhaps before this returns).
    virtual void SavePosition(const TCopyPosition& position) = 0;
    // Tells the technician something about the copy (log and event report). Raises nothing.
    virtual void Note(const std::string& text) = 0;
};

// What a record reply is to the copy.
enum class TRecordVerdict : uint8_t {
    Write,     // the record asked for: write its line, then LineWritten()
    Handled,   // an awaited answer with nothing to write (an empty slot, the check record)
    Unawaited, // late, repeated, of another installation or never asked for: drop it
};

enum class TCopyState : uint8_t { Idle, Checking, Awaiting, Writing, Confirming, Unsaved };

class TEventCopy {
public:
    static constexpr uint32_t DeadlineStatusReplies = 3;
    static constexpr uint32_t DeadlineMs = 2000;
    static constexpr uint32_t AttemptsBeforeHole = 3;
    static constexpr uint32_t LongestIntervalSteps = 5; // deadlines grow to 32 times the first
    static constexpr std::size_t MaxHoles = 16;
    static constexpr std::size_t MaxInDoubt = 8;
    static constexpr std::size_t MaxRemembered = 4096;

    // `position` is the installation's stored one; `actions` must outlive the copy.
    TEventCopy(TCopyPosition position, IEventCopyActions& actions);

    // A status reply of this installation with the panel's window and the unit IDs it named, at
    // the clock's tick. A window with capacity 0 or impossible indices changes nothing.
    void OnStatus(const TEventWindow& window, const std::set<uint64_t>& units, uint32_t tick);
    // A 'U' reply: asks as a status reply does, with the window known.
    void OnEventInfo(uint32_t tick);
    // Another installation answers: the outstanding request is cancelled, not counted as failed.
    void Park();
    // A record reply.
    TRecordVerdict OnRecord(const TEventRecord& record);
    // The line of the record OnRecord() said to write: on the disk, or not (then it is asked
    // for again).
    void LineWritten(bool onDisk);
    // The outcome of a save SavePosition() was asked for: `failure` is what it raised (null when
    // the position is on disk). The first failure of a run of them is raised again, after its
    // note, for the error display.
    void PositionSaved(const TCopyPosition& saved, std::exception_ptr failure);

    // The record whose line is to be written after a Write verdict.
    const TEventRecord& RecordToWrite() const { return FWriting->Record; }

    TCopyState State() const { return FState; }
    const TCopyPosition& Position() const { return FPosition; }
    // The position as it was last found on disk: given at the start, or saved since.
    const TCopyPosition& SavedPosition() const { return FSaved; }
    // Records of the panel's window after the stored index, and the holes.
    uint32_t Waiting() const;

private:
    // Probe: the newest slot of a ring whose oldest slot came back empty (empty ring, or a full
    // one with one empty slot).
    enum class TPurpose : uint8_t { Next, Hole, Check, Probe };
    struct TRequest {
        uint16_t Index = 0;
        uint16_t Capacity = 0; // the ring the index was asked in
        TPurpose Purpose = TPurpose::Next;
        uint32_t SentTick = 0;
        uint32_t StatusReplies = 0; // status replies since it was sent
        uint32_t Attempts = 0;      // requests for this index so far, this one included
        uint16_t SentEnd = 0;       // the panel's end index when it was sent
    };
    // An awaited record with the ring and the purpose it was asked for.
    struct THeld {
        TEventRecord Record;
        uint16_t Capacity = 0;
        TPurpose Purpose = TPurpose::Next;
        uint16_t SentEnd = 0;
    };
    // The record copied last, until a status reply shows the panel did not write at its slot
    // while it was asked for.
    struct TDoubt {
        uint16_t Index = 0;
        uint16_t Capacity = 0;
        uint16_t SentEnd = 0;
    };
    struct THoleRetry {
        uint32_t Attempts = 0;
        uint32_t NotBefore = 0; // status replies to let pass before it is asked again
    };

    void Cancel();
    void ResolveDoubt(const TEventWindow& window);
    bool WrittenBefore(const TEventRecord& record) const;
    void Advance(const THeld& written);
    void Step(uint32_t tick);
    bool DeadlinePassed(uint32_t tick) const;
    void MissedDeadline();
    void Resend(uint32_t tick);
    void Ask(uint16_t index, TPurpose purpose, uint32_t attempts, uint32_t tick);
    std::optional<uint16_t> DueHole();
    void RetryHoleLater(uint16_t hole);
    bool Suspicious(const TEventWindow& window);
    void TakeWindow();
    bool MayBeFull() const;
    TRecordVerdict Answered(const TRequest& request, const TEventRecord& record);
    TRecordVerdict Take(const THeld& answer);
    TRecordVerdict Checked(const TEventRecord& record);
    bool HeldBackCheck(const TEventRecord& record) const;
    bool WrittenOverSince(const TRecordMark& mark) const;
    void Confirm(const TRecordMark& mark);
    TRecordMark MarkToCheck() const;
    void TakeUnchecked();
    void LogGone();
    void CopyFromOldest();
    void Replaced(const std::string& why, std::optional<TRecordMark> writtenInDoubt = {});
    void GiveUpOverwrittenHoles();
    bool WrittenOverSinceLast(uint16_t hole) const;
    void PassAsHole(uint16_t index);
    void Moved();
    void TrySave();

    IEventCopyActions& FActions;
    TCopyPosition FPosition;
    TCopyPosition FSaved;
    TCopyState FState = TCopyState::Idle;
    TEventWindow FWindow;                     // the window the copy works in (checked)
    std::optional<TEventWindow> FSeen;        // the window of the last usable status reply
    bool FChecked = false;                    // the log of FSeen is known to be the copy's
    TRecordMark FCheckMark;                   // the record the outstanding check reads
    std::optional<TEventWindow> FUnconfirmed; // a window that moved backwards, seen once
    std::set<uint64_t> FUnits;                // unit IDs the installation's last status reply named
    std::optional<TRequest> FRequest;
    uint32_t FAttempts = 0; // requests for the next index without its record
    std::vector<std::pair<uint16_t, THoleRetry>> FHoleRetries;
    std::optional<THeld> FHeld;            // a record that came while the window was being checked
    std::optional<THeld> FWriting;         // the record whose line the caller writes
    std::optional<TEventWindow> FEmptyLog; // a window whose log was found empty
    std::optional<TEventWindow> FRecordIn; // the window of the last record answered (not empty)
    bool FLap = false; // at the end of a full ring, the whole ring is still to be read
    uint32_t FLastTick = 0;
    bool FSaveFailureTold = false;
    std::optional<TDoubt> FInDoubt;
    std::optional<THeld> FConfirming; // the record whose line is on disk, while in doubt
    bool FEmptyCheck = false;         // the check came back as an empty slot once
    // The records written this run (unit ID and mark), the newest last: a ring read again after
    // a doubt leaves them out.
    std::deque<TSeenRecord> FWritten;
    // Records the panel answered since the copy's log was last found replaced, and those it
    // answered before: a reply held back or repeated on the line with one of the latter is
    // dropped once (the panel, asked again, answers for the slot as it is now).
    std::deque<TSeenRecord> FOfThisLog;
    std::deque<TSeenRecord> FStale;
    std::optional<TRecordMark> FOlderDropped; // a next record older than the one before, dropped
    // Records the panel no longer holds where they were (a check found another one there).
    std::deque<TRecordMark> FGone;
    bool FSaving = false; // a save is under way: its outcome decides what follows
};

// A record the panel answers for a slot it never wrote.
bool IsEmptySlot(const TEventRecord& record);
